// The real component on the fixtures and on bad files, played by hand and once for real.
#include "player/Mp3Decoder.h"
#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"
#include "support/Fakes.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

const char *decodingFault(const std::uint8_t *data, std::size_t size); // the fuzz target's

namespace {
// How the fixtures were made (scripts/make-fixtures): the tone is 2 s at 44.1 kHz, its LAME tag
// taking the encoder's delay and padding away again; the mono tone is 1 s at 8 kHz in 16 frames
// of 576 samples with no tag, so all of them play.
const QString Tone = QUENZO_FIXTURES "/tone-lr.mp3", Mono = QUENZO_FIXTURES "/mono-8k.mp3";
constexpr qint64 ToneFrames = 88200;
using Checked = QList<std::pair<QString, int>>; // FileChecked's file name and status, in turn

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray b(n, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(b.data()), n / 4);
    return b;
}
// The tone, `bytes` written into its length header at offset: 0 "Xing" (blanked, libmpg123
// estimates a third of the tone from its start), 8 the frame count, 141 LAME's encoder delay.
QByteArray toneWith(int offset, const QByteArray &bytes) {
    QByteArray tone = bytesOf(Tone);
    return tone.replace(tone.indexOf("Xing") + offset, bytes.size(), bytes);
}
const auto headerless = [] { return toneWith(0, QByteArray(4, '\0')); };
QByteArray decodedPcm(const QString &path) {
    Mp3Decoder decoder;
    qint16 buffer[2 * 512];
    QByteArray pcm;
    if (decoder.open(openForReading(path).file) == PlayerStatus::Ok)
        while (const qint64 n = decoder.readFrames(buffer, 512))
            pcm.append(reinterpret_cast<const char *>(buffer), n * 4);
    return pcm;
}

} // namespace

class tst_Mp3Play : public QObject {
    Q_OBJECT
    std::unique_ptr<HandPlayed> m_hand;
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_events; // the states and ends, in turn
    Checked m_checked;

    Mp3Play &player() { return m_hand->player; }

private slots:
    void init() { // the last test's player and records go here
        m_events.clear();
        m_checked.clear();
        m_hand = std::make_unique<HandPlayed>();
        m_dir = std::make_unique<QTemporaryDir>();
        connect(&player(), &Mp3Player::TrackEnded, this, [this] { m_events << "ended"; });
        connect(&player(), &Mp3Player::StateChanged, this, [this](PlayState s) {
            m_events << QStringList{"stopped", "playing", "paused"}[int(s)];
        });
        connect(&player(), &Mp3Player::FileChecked, this, [this](const QString &path, int status) {
            m_checked.append({QFileInfo(path).fileName(), status});
        });
    }

    // Positions are the ms heard, each channel at its volume; the end comes once every sample
    // has been heard.
    void playsToTheEnd() {
        player().SetVolume(99999, 8000); // the left held at 32000
        QCOMPARE(player().Open(Tone, {}), 0);
        QCOMPARE(player().Play(), 0);
        FakeOutput *out = m_hand->output();
        out->play(1000);
        QTRY_COMPARE(m_hand->positions.value(m_hand->positions.size() - 1), 1000);
        const double rightToLeft = std::sqrt(out->loudness[1] / out->loudness[0]); // equal in file
        QCOMPARE_GE(rightToLeft, 0.24);
        QCOMPARE_LE(rightToLeft, 0.26);
        QVERIFY(m_hand->playToEnd());
        QCOMPARE_GE(m_hand->heardAtEnd, ToneFrames);
        QCOMPARE(m_hand->positions.last(), 2000);
        QTRY_VERIFY2(!m_hand->output(), "the output is not let go after the end");
        QCOMPARE(m_events, QStringList({"playing", "stopped", "ended"}));
        player().SetVolume(-1, 0); // the lowest, read back as such
        QCOMPARE(QList({player().LeftVolume(), player().RightVolume()}), QList({0, 0}));
    }

    // A pause lets the output go, and Play (the paused file opened again first, as the panel
    // does) goes on at a new one from the last sample heard; so does playing whose device went,
    // or whose system moved the default, without a word. With no device left, or an output that
    // never got going, it stops and says so, and never ends.
    void goesOnFromWhatWasHeard_data() {
        addTable(R"(
row                                   | event   | heard | devices | readsZero | playsOn
paused, then Play                     | pause   | yes   | yes     |           | yes
default device changed                | default | yes   | yes     |           | yes
lost, the output reads 0 from then on | lost    | yes   | yes     | yes       | yes
lost, no device left                  | lost    | yes   |         | yes       |
lost before a sound was heard         | lost    |       | yes     |           |
)"); // heard: half a second was; devices: one to go on at; readsZero: the lost output's reading
    }
    void goesOnFromWhatWasHeard() {
        QFETCH(QString, event);
        QFETCH(QString, heard);
        QFETCH(QString, devices);
        QFETCH(QString, readsZero);
        QFETCH(QString, playsOn);
        const bool on = playsOn == "yes";
        QSignalSpy failed(&player(), &Mp3Player::Failed);
        player().SetVolume(32000, 32000); // the samples as decoded
        QCOMPARE(player().Open(Tone, {}), 0);
        QCOMPARE(player().Play(), 0);
        QPointer<FakeOutput> lost = m_hand->output();
        if (heard == "yes") {
            lost->play(1000);
            lost->heard = 22050; // half a second heard, the rest still in the device's buffer
        }
        // Paused at once: what was heard is taken at the pause, not at the next tick.
        if (event != "pause" && heard == "yes")
            QTRY_COMPARE(m_hand->positions.value(m_hand->positions.size() - 1), 500);
        if (readsZero == "yes")
            lost->heard = 0;
        m_hand->devices = devices == "yes";
        if (event == "pause")
            player().Pause();
        else if (event == "lost")
            Q_EMIT lost->deviceLost();
        else
            Q_EMIT lost->defaultDeviceChanged();
        QVERIFY2(!lost || !lost->source, "the output left behind is still playing");
        if (lost) // and it is not heard again, whatever it says
            Q_EMIT lost->deviceLost();
        if (event == "pause") {
            QCOMPARE(player().state(), PlayState::Paused);
            QCOMPARE(player().Open(Tone, {}), 0);
            QCOMPARE(player().Play(), 0);
        }
        QCOMPARE(player().state(), on ? PlayState::Playing : PlayState::Stopped);
        QCOMPARE(failed.size(), on ? 0 : 1);
        if (!on) {
            QCOMPARE(failed[0], QVariantList({Tone, int(PlayerStatus::NoSoundDevice)}));
            QCOMPARE(m_hand->positions.value(m_hand->positions.size() - 1, 0),
                     heard == "yes" ? 500 : 0); // what was heard stays on show
            QCOMPARE(m_hand->ends, 0);
            return;
        }
        FakeOutput *next = m_hand->output();
        QVERIFY(next != lost);
        next->play(100);
        QCOMPARE(next->pulled.left(4000), decodedPcm(Tone).mid(22050 * 4, 4000));
        QTRY_COMPARE(m_hand->positions.value(m_hand->positions.size() - 1), 600); // 500 + 100
        QVERIFY(m_hand->playToEnd());
        QVERIFY(std::is_sorted(m_hand->positions.begin(), m_hand->positions.end()));
        QCOMPARE(m_hand->ends, 1);
    }

    // No sound device at Play: said so, and the file and the output let go, so that a Play
    // without a new Open plays nothing.
    void noDeviceAtPlay() {
        m_hand->devices = false;
        QCOMPARE(player().Open(Tone, {}), 0);
        QCOMPARE(player().Play(), int(PlayerStatus::NoSoundDevice));
        QTRY_VERIFY2(!heldOpen(Tone), "the file is kept open after the failure");
        QTRY_VERIFY2(!m_hand->output(), "the output that found no device is kept");
        m_hand->devices = true; // and with the file gone, Play has nothing to play
        QCOMPARE(player().Play(), 0);
        QCOMPARE(player().state(), PlayState::Stopped);
    }

    // The paused file written again at its size, its time 2 s on to the millisecond (as a FAT
    // stick keeps times): opened again, it is the new one, from its start.
    void pausedFileRewrittenIsNew() {
        const QString path = m_dir->filePath("tone.mp3");
        const auto save = [&](const QByteArray &bytes, qint64 secs) { // then its time set
            QFile file(path);
            return writeFile(path, bytes) && file.open(QIODevice::ReadWrite) &&
                   file.setFileTime(QDateTime::fromSecsSinceEpoch(secs, QTimeZone::utc()),
                                    QFileDevice::FileModificationTime);
        };
        QVERIFY(save(bytesOf(Tone), 1'700'000'100));
        QCOMPARE(player().Open(path, {}), 0);
        QCOMPARE(player().Play(), 0);
        player().Pause();
        QVERIFY(save(headerless(), 1'700'000'102)); // the tone without its length header
        QCOMPARE(player().Open(path, {}), 0);
        QTRY_COMPARE(player().Length(), 2064); // once scanned
        QCOMPARE(m_events, QStringList({"playing", "paused", "stopped"}));
    }

    // With the tone playing, each file opened: refused with the message the window shows (the
    // tone then let go), or played to its length (known at once when opened again); then the
    // tone plays again.
    void files_data() {
        for (const char *column : {"kind", "name"}) // kind: file, folder, pipe or locked
            QTest::addColumn<QString>(column);
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length"); // ms; -1: refused
        QTest::addColumn<QString>("message");
        const QByteArray tone = bytesOf(Tone), mono = bytesOf(Mono);
        const QString notMp3 = "这不是 MP3 文件。", truncated = "文件不完整或已损坏。";
        // With no length header, what decodes before the garbage is the track.
        const QByteArray garbled =
            headerless().replace(tone.size() / 3, tone.size() / 3, randomBytes(tone.size() / 3, 5));
        // ID3v2 tags claiming 4 and 200 MB (in 7-bit bytes), the first before the tone's frames.
        const QByteArray tag4 = QByteArrayLiteral("ID3\x03\0\0\x02\0\0\0") +
                                randomBytes(4 << 20, 7) + tone.mid(tone.indexOf("\xff\xfb")),
                         tag200 = QByteArrayLiteral("ID3\x03\0\0\x64\0\0\0") + randomBytes(100, 7);
        // A tag that takes away more delay and padding than the first frames hold: no sample.
        QByteArray noSample = toneWith(141, QByteArray(3, '\xff')).left(1811);
        noSample.replace(noSample.indexOf("Xing") + 8, 4, QByteArray::fromHex("00000001"));
        const auto row = [](const char *what, const char *kind, const char *name,
                            const QByteArray &bytes, int length, const QString &message) {
            QTest::newRow(what) << QString(kind) << QString(name) << bytes << length << message;
        };
        row("length header", "file", "tone.mp3", tone, 2000, "");
        // 79 frames of 1152 samples: without the tag the encoder's delay and padding play too.
        row("length header blanked", "file", "headerless.mp3", headerless(), 2064, "");
        row("one frame", "file", "one-frame.mp3", mono.left(72), 72, "");
        row("no file chosen", "file", "", {}, -1, "还没有选择文件：请先点“打开”选一个 MP3 文件。");
        row("missing path", "file", "missing.mp3", {}, -1, "文件不存在。");
        row("folder", "folder", "folder.mp3", {}, -1, "这是一个文件夹，不是文件。");
        row("named pipe", "pipe", "pipe.mp3", {}, -1, "文件无法读取。");
        row("no read permission", "locked", "locked.mp3", tone, -1, "文件无法读取。");
        row("empty", "file", "empty.mp3", "", -1, "文件是空的。");
        row("random bytes", "file", "random.mp3", randomBytes(5000, 2), -1, notMp3);
        row("cut in the first frame", "file", "cut.mp3", tone.left(700), -1, notMp3);
        row("cut at half", "file", "cut.mp3", tone.left(tone.size() / 2), -1, truncated);
        row("no sample left", "file", "none.mp3", noSample, -1, "文件已损坏。");
        row("garbage midway, no length header: 22 frames before it", "file", "mid.mp3", garbled,
            575, "");
        row("4 MB tag before a good stream", "file", "tagged.mp3", tag4, 2000, "");
        row("tag claiming 200 MB", "file", "claim.mp3", tag200, -1, notMp3);
    }
    void files() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QFETCH(QString, message);
        if ((kind == "pipe" || kind == "locked") && QSysInfo::productType() == "windows")
            QSKIP("Windows has no named pipes among files, nor Unix file modes to lock one");
        const QString path = name.isEmpty() ? QString() : m_dir->filePath(name);
        if (kind == "folder")
            QVERIFY(QDir(m_dir->path()).mkdir(name));
        else if (!bytes.isNull())
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && writeFile(path, bytes));
#ifdef Q_OS_UNIX
        if (kind == "pipe")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        if (kind == "locked")
            QVERIFY(QFile::setPermissions(path, {}));
        // Root (as in CI) reads files whatever their mode: the row runs again as "nobody", if
        // that user can reach this program and the fixtures (a checkout in root's home it cannot).
        if (kind == "locked" && geteuid() == 0) {
            const QStringList as = {"--reuid=nobody", "--regid=nogroup", "--clear-groups"};
            const QString self = qApp->applicationFilePath();
            if (QProcess::execute("setpriv",
                                  as + QStringList{"test", "-r", Tone, "-a", "-x", self}))
                QSKIP(qPrintable("\"nobody\" cannot read " + Tone + " or run " + self));
            // Its output shown with this one's.
            QCOMPARE(
                QProcess::execute("setpriv", as + QStringList{self, "files:no read permission"}),
                0);
            return;
        }
#endif
        TestWindow w(&player());
        QVERIFY(w.shown);
        w.dialog.fileName = Tone;
        QCOMPARE_TEXT(w.run("play, choose " + path + ", play"), "");
        const Checked::value_type whole{QFileInfo(path).fileName(), 0};
        QTRY_VERIFY(!w.messages().isEmpty() || m_checked.contains(whole)); // read through
        QCOMPARE_TEXT(w.messages().join('\n'), message.isEmpty() || name.isEmpty()
                                                   ? message
                                                   : "无法播放“" + name + "”：" + message);
        QCOMPARE(message.isEmpty() ? player().Length() : -1, length);
        if (message.isEmpty()) {
            QCOMPARE(player().Open(path, {}), 0);
            QCOMPARE(player().Length(), length);
            QCOMPARE(player().Play(), 0);
            QVERIFY(m_hand->playToEnd());
            QCOMPARE(m_hand->positions.last(), length); // not past it
        } else {
            QCOMPARE(player().state(), PlayState::Stopped);
            QTRY_VERIFY2(!m_hand->output(), "the tone plays on after a refused file");
        }
        QCOMPARE_TEXT(w.run("choose " + Tone + ", play"), ""); // and the tone plays after it
        QVERIFY(m_hand->playToEnd());
    }

    // Wine takes any length, so Windows' limit of 260 characters is checked on the form alone.
    void windowsLongPaths() {
        QCOMPARE(longPathForm("C:/音乐/a/../b.mp3"), "\\\\?\\C:\\音乐\\b.mp3");
        QCOMPARE(longPathForm("\\\\server\\share\\b.mp3"), "\\\\?\\UNC\\server\\share\\b.mp3");
        QCOMPARE(longPathForm("\\\\?\\C:\\b.mp3"), "\\\\?\\C:\\b.mp3");
    }

    // The fuzzer's finds, replayed: each must decode as its target says, or name what did not.
    void fuzzCorpus_data() {
        QTest::addColumn<QByteArray>("bytes");
        for (const QFileInfo &input : QDir(QUENZO_FUZZ_CORPUS).entryInfoList(QDir::Files))
            QTest::newRow(qPrintable(input.fileName())) << bytesOf(input.filePath());
    }
    void fuzzCorpus() {
        QFETCH(QByteArray, bytes);
        const char *fault = decodingFault(reinterpret_cast<const quint8 *>(bytes.constData()),
                                          size_t(bytes.size()));
        QVERIFY2(!fault, fault);
    }
};

QTEST_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
