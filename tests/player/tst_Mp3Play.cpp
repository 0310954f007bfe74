// The real component on the committed fixtures and on bad files, its output played by hand,
// and once through the system's sound output.
#include "player/Mp3Decoder.h"
#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"
#include "player/RealPlayer.h"
#include "support/Fakes.h"

#include <QAudioSource>
#include <QMediaDevices>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <condition_variable>
#include <mutex>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {
const QString Tone = QUENZO_FIXTURES "/tone-lr.mp3", Mono = QUENZO_FIXTURES "/mono-8k.mp3";

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray b(n, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(b.data()), n / 4);
    return b;
}
// An ID3v2.3 tag whose header claims `size` bytes, with `body` random bytes after it.
QByteArray id3Tag(quint32 size, qsizetype body) {
    QByteArray tag = QByteArrayLiteral("ID3\x03\0\0\0\0\0\0");
    for (int i = 0; i < 4; ++i)
        tag[9 - i] = char((size >> (7 * i)) & 0x7f);
    return tag + randomBytes(body, 7);
}
// The 2 s tone without its length header: libmpg123 estimates a third of it from its start.
QByteArray headerless() {
    QByteArray bytes = bytesOf(Tone);
    return bytes.replace(bytes.indexOf("Xing"), 4, QByteArray(4, '\0'));
}
// The tone with a header that claims 3 million frames: 22 hours, over 2^31 samples.
QByteArray claimingADay() {
    QByteArray bytes = bytesOf(Tone);
    const qsizetype count = bytes.indexOf("Xing") + 8;
    for (int i = 0; i < 4; ++i)
        bytes[count + i] = char(3000000 >> (24 - 8 * i));
    return bytes;
}

// The reads of a scan (those off the test's thread) through the gate wait while it is held;
// the first `failing` of them fail.
struct ScanGate {
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    int failing = 0;
    std::atomic_int waiting = 0; // reads held now

    bool pass() {
        std::unique_lock locked(lock);
        ++waiting;
        changed.wait(locked, [this] { return !held; });
        --waiting;
        return failing-- <= 0;
    }
    void release() {
        const std::lock_guard locked(lock);
        held = false;
        changed.notify_all();
    }
};
struct GatedFile final : OpenedFile {
    GatedFile(std::shared_ptr<OpenedFile> file, ScanGate &gate)
        : file(std::move(file))
        , gate(gate) {}
    qint64 size() const override { return file->size(); }
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override {
        if (QThread::currentThread() != qApp->thread() && !gate.pass())
            return -1;
        return file->readAt(offset, data, maxSize);
    }
    std::shared_ptr<OpenedFile> file;
    ScanGate &gate;
};

// What the null sink plays, 16-bit stereo at 44.1 kHz, for as long as this lives: its monitor
// read by PulseAudio's recorder on Linux; under Wine the monitor is an input device itself.
struct SinkRecording {
    QByteArray pcm;
#ifdef Q_OS_WIN
    std::unique_ptr<QAudioSource> source;
    SinkRecording() {
        QAudioFormat format;
        format.setSampleRate(44100);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        for (const QAudioDevice &device : QMediaDevices::audioInputs())
            if (device.description().startsWith("Monitor of"))
                source = std::make_unique<QAudioSource>(device, format);
        QIODevice *in = source ? source->start() : nullptr;
        if (in)
            QObject::connect(in, &QIODevice::readyRead, in, [this, in] { pcm += in->readAll(); });
    }
#else
    QProcess parec;
    SinkRecording() {
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, &parec,
                         [this] { pcm += parec.readAllStandardOutput(); });
        parec.start("parec", {"--latency-msec=20", "-d", "quenzo_null.monitor", "--format=s16le",
                              "--rate=44100", "--channels=2"});
    }
#endif
};

const char *stateName(PlayState state) {
    return state == PlayState::Playing  ? "playing"
           : state == PlayState::Paused ? "paused"
                                        : "stopped";
}
} // namespace

class tst_Mp3Play : public QObject {
    Q_OBJECT
    HandPlayed m_hand;
    Mp3Play &m_player = m_hand.player;
    QStringList m_events;
    QTemporaryDir m_dir;
    // The scan of the file named m_gated goes through m_gate; m_gatedFile lives as long as
    // something reads it.
    ScanGate m_gate;
    QString m_gated;
    std::weak_ptr<OpenedFile> m_gatedFile;

    QString write(const QString &name, const QByteArray &bytes) {
        return writeFile(m_dir.filePath(name), bytes) ? m_dir.filePath(name) : "";
    }
    QString openHeld(const QString &name, const QByteArray &bytes) { // its scan held
        m_gated = name;
        m_gate.held = true;
        const QString path = write(name, bytes);
        return m_player.Open(path, {}) == 0 ? path : QString();
    }
    // The minutes and seconds the panel shows for the last position.
    QString positionShown() {
        const auto ms = positionMs(m_hand.positions.value(m_hand.positions.size() - 1),
                                   m_player.PositionRange(), m_player.Length());
        return ms ? FormatMinSec(*ms).value_or("overflow") : "no range";
    }

private slots:
    void initTestCase() {
        connect(&m_player, &Mp3Player::TrackEnded, this, [this] { m_events << "ended"; });
        connect(&m_player, &Mp3Player::FileChecked, this, [this](const QString &path, int status) {
            m_events << QString("checked %1 %2").arg(QFileInfo(path).fileName()).arg(status);
        });
        connect(&m_player, &Mp3Player::StateChanged, this,
                [this](PlayState state) { m_events << stateName(state); });
        m_hand.opener = [this](const QString &path) {
            OpenResult opened = openForReading(path);
            if (opened.file && QFileInfo(path).fileName() == m_gated) {
                opened.file = std::make_shared<GatedFile>(opened.file, m_gate);
                m_gatedFile = opened.file;
            }
            return opened;
        };
    }
    void init() { m_events.clear(); }
    void cleanup() { // no scan of this test's goes on reading through the gate
        m_gated.clear();
        m_gate.failing = 0;
        m_gate.release();
        m_player.Stop();
        QTRY_VERIFY(m_gatedFile.expired());
    }

    // The length is what decodes: with a length header, without (an estimate until the file is
    // read through, once: a second Open knows it at once), and one frame alone.
    void lengthIsTheDecodedCount_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("rate");
        QTest::newRow("length header") << Tone << 44100;
        QTest::newRow("mono, no header") << Mono << 8000;
        QTest::newRow("header blanked") << write("headerless.mp3", headerless()) << 44100;
        QTest::newRow("one frame") << write("one-frame.mp3", bytesOf(Mono).left(72)) << 8000;
    }
    void lengthIsTheDecodedCount() {
        QFETCH(QString, file);
        QFETCH(int, rate);
        Mp3Decoder decoder;
        qint16 buffer[2 * 512];
        qint64 frames = 0;
        QCOMPARE(decoder.open(openForReading(file).file), PlayerStatus::Ok);
        while (const qint64 n = decoder.readFrames(buffer, 512))
            frames += n;
        QCOMPARE(m_player.Open(file, {}), 0);
        QTRY_COMPARE(m_events, QStringList("checked " + QFileInfo(file).fileName() + " 0"));
        QCOMPARE(m_player.Length(), qRound(frames * 1000.0 / rate));
        QCOMPARE(m_player.PositionRange(), m_player.Length());
        m_player.Stop();
        QCOMPARE(m_player.Open(file, {}), 0);
        QCOMPARE(m_player.Length(), qRound(frames * 1000.0 / rate));
    }

    // Positions are the milliseconds heard; each channel plays at its volume; Play resumes a
    // pause on the same output; the end comes once everything was heard.
    void playPauseResumeToTheEnd() {
        m_player.SetVolume(99999, 8000); // the left held at 32000
        QCOMPARE(m_player.Open(Tone, {}), 0);
        QCOMPARE(m_player.Play(), 0);
        FakeOutput *out = m_hand.output();
        out->play(1000);
        QTRY_COMPARE(m_hand.positions.value(m_hand.positions.size() - 1), 1000);
        const double rightToLeft =
            std::sqrt(out->loudness[1] / out->loudness[0]); // equal in the file
        QVERIFY2(qAbs(rightToLeft - 0.25) < 0.01, qPrintable(QString::number(rightToLeft)));
        m_player.Pause();
        QVERIFY(out->suspended);
        QCOMPARE(m_player.Open(Tone, {}), 0); // the paused file: Play resumes it
        QCOMPARE(m_player.Play(), 0);
        QCOMPARE(m_hand.output(), out);
        QVERIFY(m_hand.playToEnd());
        QVERIFY(m_hand.heardAtEnd * 1000 / 44100 >= m_player.Length());
        QVERIFY(std::is_sorted(m_hand.positions.begin(), m_hand.positions.end()));
        QCOMPARE(m_hand.positions.last(), m_player.Length());
        QTRY_VERIFY2(!m_hand.output(), "the output is not let go after the end");
        QCOMPARE(m_events, QStringList({"playing", "paused", "playing", "stopped", "ended"}));
    }

    // After Stop or while playing, Open starts over on a fresh output and lets the old one go.
    void openStartsOver() {
        m_player.SetVolume(0, 32000);
        const QString files[] = {Tone, Tone,
                                 Mono}; // the second after Stop, the third while playing
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m_player.Open(files[i], {}), 0);
            QCOMPARE(m_player.Play(), 0);
            m_hand.output()->play(300);
            if (i == 0)
                m_player.Stop();
        }
        QTRY_COMPARE(std::count(m_hand.outputs.begin(), m_hand.outputs.end(), nullptr),
                     m_hand.outputs.size() - 1);
        FakeOutput *mono = m_hand.output();
        QCOMPARE(mono->rate, 8000);
        QCOMPARE(mono->loudness[0], 0.0); // mono on both channels, the left silent
        QVERIFY(mono->loudness[1] > 0);
        QCOMPARE(m_player.Open(Tone + ".missing", {}), int(PlayerStatus::FileMissing));
        QCOMPARE(m_player.Length(), 0);
        QCOMPARE(m_player.PositionRange(), 1);
    }

    // Opening another file cancels the scan of the one before: the file on show never waits
    // behind it, and what the cancelled scan found is never applied.
    void fileOnShowDoesNotWaitBehindAnotherScan() {
        QVERIFY(!openHeld("slow.mp3", headerless()).isEmpty());
        QTRY_COMPARE(m_gate.waiting, 1); // the slow scan is reading
        QCOMPARE(m_player.Open(write("shown.mp3", headerless()), {}), 0);
        QTRY_COMPARE(m_events, QStringList("checked shown.mp3 0"));
        m_gate.release();
        QTRY_VERIFY(m_gatedFile.expired()); // the slow scan has ended
        QCoreApplication::processEvents();
        QCOMPARE(m_events, QStringList("checked shown.mp3 0"));
    }

    // A read that fails is told as such, not remembered as a broken file: Play reads again.
    void passingReadErrorIsNotRemembered() {
        const QString path = write("flaky.mp3", bytesOf(Tone));
        m_gated = "flaky.mp3";
        m_gate.failing = 1;
        QCOMPARE(m_player.Open(path, {}), 0);
        QTRY_COMPARE(
            m_events,
            QStringList(QString("checked flaky.mp3 %1").arg(int(PlayerStatus::Unreadable))));
        m_events.clear();
        QCOMPARE(m_player.Open(path, {}), 0);
        QTRY_COMPARE(m_events, QStringList("checked flaky.mp3 0"));
    }

    // Until the scan answers, the position runs in real time: past an estimate that falls
    // short, and on a track whose frames overflow 32 bits.
    void positionBeforeTheScanAnswers_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown"); // after 1.5 s, a second ahead as the panel shows it
        QTest::newRow("estimate a third short") << headerless() << "0分2秒";
        QTest::newRow("header claims 22 hours") << claimingADay() << "0分2秒";
    }
    void positionBeforeTheScanAnswers() {
        QFETCH(QByteArray, bytes);
        QVERIFY(!openHeld("held.mp3", bytes).isEmpty());
        QCOMPARE(m_player.Play(), 0);
        m_hand.output()->play(1500);
        QFETCH(QString, shown);
        QTRY_COMPARE(positionShown(), shown);
    }

    // Looping through the panel: the end plays it again, on an output that stays playing.
    void loopsOnTheWindow() {
        TestWindow w(&m_player);
        w.dialog.fileName = Tone;
        w.ui().Command12->click();
        w.ui().Command9->click();
        QCOMPARE(w.ui().Text6->text(), "0分2秒");
        const qsizetype outputs = m_hand.outputs.size();
        QVERIFY(m_hand.playToEnd());
        QCOMPARE(m_hand.outputs.size(), outputs + 1);
        QVERIFY(m_hand.output()->source);
    }

    // Bad files: each refused with its message (maybe once it has been read through), or
    // what decodes plays to the end; a good file plays after it.
    void badFiles_data() {
        for (const char *column :
             {"kind", "name"}) // kind: file, folder, pipe or locked (unreadable)
            QTest::addColumn<QString>(column);
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        const QByteArray tone = bytesOf(Tone);
        const int tagEnd = 10 + 0x6b;
        QCOMPARE(tone.at(tagEnd), '\xff');
        const QString notMp3 = "这不是 MP3 文件。", truncated = "文件不完整或已损坏。";
        // With no length header, what decodes before the garbage is the track.
        const QByteArray garbled =
            headerless().replace(tone.size() / 3, tone.size() / 3, randomBytes(tone.size() / 3, 5));
        const auto row = [](const char *what, const char *kind, const char *name,
                            const QByteArray &bytes, const QString &message) {
            QTest::newRow(what) << QString(kind) << QString(name) << bytes << message;
        };
        row("no file chosen", "file", "", {}, "还没有选择文件：请先点“打开”选一个 MP3 文件。");
        row("missing path", "file", "missing.mp3", {}, "文件不存在。");
        row("folder", "folder", "folder.mp3", {}, "这是一个文件夹，不是文件。");
        row("named pipe", "pipe", "pipe.mp3", {}, "文件无法读取。");
        row("no read permission", "locked", "locked.mp3", tone, "文件无法读取。");
        row("empty", "file", "empty.mp3", "", "文件是空的。");
        row("one byte", "file", "one.mp3", "\xff", notMp3);
        row("random bytes", "file", "random.mp3", randomBytes(5000, 2), notMp3);
        const QByteArray wav =
            QByteArrayLiteral("RIFF\x24\x10\0\0WAVEfmt "
                              "\x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data");
        row("WAV renamed", "file", "wav.mp3", wav + randomBytes(4096, 3), notMp3);
        row("PNG renamed", "file", "png.mp3", bytesOf(":/icons/quenzo-64.png"), notMp3);
        row("cut in the first frame", "file", "cut.mp3", tone.left(700), notMp3);
        row("cut at half", "file", "cut.mp3", tone.left(tone.size() / 2), truncated);
        row("cut one byte short", "file", "cut.mp3", tone.chopped(1), "");
        row("garbage after the first frame", "file", "bad.mp3",
            tone.left(700) + randomBytes(9000, 4), truncated);
        row("garbage midway, no length header", "file", "mid.mp3", garbled, "");
        row("4 MB tag before a good stream", "file", "tagged.mp3",
            id3Tag(4 << 20, 4 << 20) + tone.mid(tagEnd), "");
        row("tag claiming 200 MB", "file", "claim.mp3", id3Tag(200 << 20, 100), notMp3);
    }
    void badFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
#ifdef Q_OS_WIN
        if (kind == "pipe" || kind == "locked")
            QSKIP("Windows has no named pipes among files, nor Unix file modes to lock one");
#else
        // Root reads every file whatever its mode, and CI runs the tests as root: there
        // the row runs again in a child that has dropped to the user "nobody".
        if (kind == "locked" && geteuid() == 0) {
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start("setpriv",
                        {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                         QCoreApplication::applicationFilePath(), "badFiles:no read permission"});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray out = child.readAll();
            QVERIFY2(child.exitCode() == 0 &&
                         out.contains("PASS   : tst_Mp3Play::badFiles(no read"),
                     out);
            return;
        }
#endif
        QTemporaryDir dir(m_dir.filePath("row-XXXXXX"));
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir(name));
#ifdef Q_OS_UNIX
        else if (kind == "pipe")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
#endif
        else if (!bytes.isNull())
            QVERIFY(writeFile(path, bytes));
        if (kind == "locked")
            QVERIFY(QFile::setPermissions(path, {}));

        QSignalSpy checked(&m_player, &Mp3Player::FileChecked); // the file read through
        int status = m_player.Open(path, {});
        if (status == 0)
            status = m_player.Play();
        if (status == 0 && !message.isEmpty()) {
            QTRY_COMPARE(checked.size(), 1);
            status = checked.at(0).at(1).toInt();
        }
        QCOMPARE(status == 0 ? QString() : playerStatusMessage(status, path),
                 message.isEmpty() || name.isEmpty() ? message
                                                     : "无法播放“" + name + "”：" + message);
        if (message.isEmpty())
            QVERIFY(m_hand.playToEnd());
        QCOMPARE(m_player.state(), PlayState::Stopped);
        QCOMPARE(m_player.Open(Tone, {}), 0); // and a good file plays after it
        QCOMPARE(m_player.Play(), 0);
        QVERIFY(m_hand.playToEnd());
    }

    // A file changed on disk after Open: the scan reads the file that Open opened, wherever
    // its path leads by then (held: the scan reads only after the change), and it plays to
    // its end; but 播放 after a pause opens the path again and finds nothing once the file
    // has moved away.
    void changedOnDisk_data() {
        for (const char *column : {"until", "change"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<bool>("held");
        QTest::addColumn<int>("status"); // of what 播放 does next: Open after a pause, then Play
        QTest::newRow("moved") << "opened"
                               << "moved away" << true << 0;
        QTest::newRow("deleted") << "opened"
                                 << "deleted" << true << 0;
        QTest::newRow("replaced") << "opened"
                                  << "replaced by a 1 s file" << true << 0;
        QTest::newRow("emptied while playing") << "playing"
                                               << "emptied" << false << 0;
        QTest::newRow("moved away while paused")
            << "paused"
            << "moved away" << false << int(PlayerStatus::FileMissing);
    }
    void changedOnDisk() {
        QFETCH(QString, until);
        QFETCH(QString, change);
        QFETCH(bool, held);
        QTemporaryDir dir(m_dir.filePath("row-XXXXXX"));
        const QString path = dir.filePath("changed.mp3");
        QVERIFY(writeFile(path, bytesOf(Tone)));
        m_gated = "changed.mp3";
        m_gate.held = held;
        QCOMPARE(m_player.Open(path, {}), 0);
        if (until != "opened") {
            QCOMPARE(m_player.Play(), 0);
            m_hand.output()->play(300);
        }
        if (until == "paused")
            m_player.Pause();
        const auto checked = [this] { return m_events.filter("checked"); };
        if (!held)
            QTRY_COMPARE(checked(), QStringList("checked changed.mp3 0"));
        if (change == "moved away")
            QVERIFY(QFile::rename(path, path + ".moved"));
        else if (change == "deleted")
            QVERIFY(QFile::remove(path));
        else if (change == "replaced by a 1 s file") // a backup kept, as some editors do
            QVERIFY(QFile::rename(path, path + "~") && writeFile(path, bytesOf(Mono)));
        else if (change == "emptied")
            QVERIFY(writeFile(path, ""));
        else
            QFAIL("unknown change");
        m_gate.release();
        QTRY_COMPARE(checked(), QStringList("checked changed.mp3 0"));
        QCOMPARE(*FormatMinSec(m_player.Length()), "0分2秒");
        int status = until == "paused" ? m_player.Open(path, {}) : 0;
        if (status == 0 && until != "playing")
            status = m_player.Play();
        QTEST(status, "status");
        if (status == 0)
            QVERIFY(m_hand.playToEnd());
    }

    // The real sound output, recorded from the null sink's monitor: what a listener hears.
    void heardAtTheVolumesSetForEachChannel() {
        if (qEnvironmentVariableIsEmpty("QUENZO_TEST_SOUND"))
            QSKIP("Needs the PulseAudio null sink that scripts/test starts.");
        SinkRecording recording;
        QTRY_VERIFY_WITH_TIMEOUT(recording.pcm.size() > 44100 * 4 / 10, 10000);

        std::unique_ptr<Mp3Player> player = makeMp3Play();
        QSignalSpy ended(player.get(), &Mp3Player::TrackEnded);
        player->SetVolume(32000, 8000); // the fixture's two channels are equally loud
        QCOMPARE(player->Open(QUENZO_FIXTURES "/tone-lr.mp3", {}), 0);
        QCOMPARE(player->Play(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, player->Length() + 10000);
        const qint64 atEnd = recording.pcm.size(); // ended once the last sample was played
        QTRY_VERIFY_WITH_TIMEOUT(recording.pcm.size() > atEnd + 44100 * 4 / 2, 10000);
        const auto *heard = reinterpret_cast<const qint16 *>(recording.pcm.constData());
        qint64 first = -1, last = -1;
        double sum[2] = {0, 0}; // silence adds nothing to either channel
        for (qint64 i = 0; i < recording.pcm.size() / 2; ++i) {
            sum[i % 2] += double(heard[i]) * heard[i];
            if (i % 2 == 0 && std::abs(heard[i]) > 2000) {
                last = i / 2;
                first = first < 0 ? i / 2 : first;
            }
        }
        const double heardMs = (last - first + 1) * 1000.0 / 44100,
                     ratio = std::sqrt(sum[1] / sum[0]);
        QVERIFY2(std::abs(heardMs / player->Length() - 1) <= 0.05,
                 qPrintable(QString("heard %1 of %2 ms").arg(heardMs).arg(player->Length())));
        QVERIFY2(std::abs(ratio / 0.25 - 1) <= 0.10,
                 qPrintable(QString("the right at %1 of the left").arg(ratio)));
        QCOMPARE(ended.count(), 1);
    }

    // The fuzzer's finds, replayed: its target aborts on anything wrong.
    void fuzzCorpus() {
        const QFileInfoList inputs = QDir(QUENZO_FUZZ_CORPUS).entryInfoList(QDir::Files);
        QVERIFY(!inputs.isEmpty());
        for (const QFileInfo &input : inputs) {
            const QByteArray b = bytesOf(input.filePath());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(b.data()),
                                   size_t(b.size()));
        }
    }
};

QTEST_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
