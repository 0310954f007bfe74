// Bad files and answer texts on the whole window, only the sound output faked: each ends in
// a message or the wrong-answer picture, and after it a good file plays, a right answer counts.
#include "about/AboutServices.h"
#include "app/Form1.h"
#include "player/FakeOutput.h"
#include "player/Mp3Play.h"
#include "player/PlayerPanel.h"
#include "support/Fakes.h"
#include "ui_Form1.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray b(n, '\0');
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(b.data()), n / 4);
    return b;
}

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An ID3v2.3 tag whose header claims `size` bytes, with `body` random bytes after it.
QByteArray id3Tag(quint32 size, qsizetype body) {
    QByteArray tag = QByteArrayLiteral("ID3\x03\0\0\0\0\0\0");
    for (int i = 0; i < 4; ++i)
        tag[9 - i] = char((size >> (7 * i)) & 0x7f);
    return tag + randomBytes(body, 7);
}

} // namespace

class tst_corpus : public QObject {
    Q_OBJECT
    QueuedRandom m_random;
    SetClock m_clock;
    ScriptedDialog m_dialog;
    std::unique_ptr<AboutServices> m_about = makeSystemAboutServices();
    std::unique_ptr<Mp3Play> m_player;
    std::unique_ptr<Form1> m_window;
    QPointer<FakeOutput> m_output;
    QString m_messages;
    int m_positions = 0, m_ends = 0;
    QTemporaryDir m_dir;
    QMap<QString, int> m_outcomes;

    Ui::Form1 &ui() { return m_window->ui(); }
    QString clickPlay(const QString &path) {
        m_dialog.fileName = path;
        m_messages.clear();
        ui().Command9->click();
        return m_messages;
    }
    bool playToEnd() {
        const int ends = m_ends;
        for (int step = 0; step < 600 && m_ends == ends && m_output; ++step) {
            const int before = m_positions;
            m_output->play(100);
            if (!QTest::qWaitFor([&] { return m_positions > before || m_ends > ends; }, 2000))
                return false;
        }
        return m_ends == ends + 1;
    }
    void checkStillWorks(const char *outcome) {
        ++m_outcomes[outcome];
        ui().Text6->clear();
        QCOMPARE(clickPlay(Tone), QString());
        QCOMPARE(ui().Text6->text(), "0分2秒");
        ui().Command11->click();
        const int count = m_window->state().CorrectCount;
        ui().Command6->click();
        ui().Text2->setText("8");
        QCOMPARE(ui().Text5->text(), QStringLiteral("%1 个").arg(count + 1));
    }

private slots:
    void initTestCase() {
        m_player = std::make_unique<Mp3Play>(
            [this](int rate) { return m_output = new FakeOutput, m_output->rate = rate, m_output; },
            Mp3Play::Options{5});
        connect(m_player.get(), &Mp3Player::PositionChanged, this, [this] { ++m_positions; });
        connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] { ++m_ends; });
        m_window = std::make_unique<Form1>(
            Form1Services{&m_random, &m_clock, m_player.get(), &m_dialog, m_about.get()}, "");
        m_window->findChild<PlayerPanel *>()->setShowMessage(
            [this](const QString &text) { m_messages += text; });
        // A paced test started and stopped leaves its first question on show: 3+5.
        m_random.queueQuestion(3, 5, 0);
        ui().Command4->click();
        ui().Command4->click();
        QCOMPARE(ui().Text1->text(), "3+5=");
    }
    void init() { m_player->Stop(); }
    void cleanupTestCase() {
        QString parts;
        int total = 0;
        for (auto [outcome, n] : m_outcomes.asKeyValueRange())
            total += n, parts += QString(", %1 %2").arg(n).arg(outcome);
        qInfo("corpus: %d bad inputs tried%s; after each a good file played, a right answer "
              "counted",
              total, qPrintable(parts));
    }

    void badFiles_data() {
        // A name ending in / is a folder, | a named pipe, - a file nobody may read. A `when`
        // plays the file, then changes it (null: deletes it). No reason: it plays to the end.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("when");
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<QString>("reason");
        const QByteArray tone = bytesOf(Tone), none;
        const int tagEnd = 10 + 0x6b;
        QCOMPARE(tone.at(tagEnd), '\xff');
        const QString notMp3 = "这不是 MP3 文件。", truncated = "文件不完整或已损坏。";
        // With no length header, what decodes before the garbage is the track.
        QByteArray headerless = tone;
        headerless.replace(headerless.indexOf("Xing"), 4, QByteArray(4, '\0'));
        headerless.replace(tone.size() / 3, tone.size() / 3, randomBytes(tone.size() / 3, 5));
        const auto row = [&](const char *what, const QString &name, const QByteArray &bytes,
                             const QString &reason) {
            QTest::newRow(what) << name << bytes << QString() << none << reason;
        };
        row("no file chosen", "", none, "还没有选择文件：请先点“打开”选一个 MP3 文件。");
        row("missing path", "missing.mp3", none, "文件不存在。");
        row("folder", "folder.mp3/", none, "这是一个文件夹，不是文件。");
        row("named pipe", "pipe.mp3|", none, "文件无法读取。");
        row("no read permission", "locked.mp3-", tone, "文件无法读取。");
        row("empty", "empty.mp3", "", "文件是空的。");
        row("one byte", "one.mp3", "\xff", notMp3);
        row("random bytes", "random.mp3", randomBytes(5000, 2), notMp3);
        const QByteArray wav =
            QByteArrayLiteral("RIFF\x24\x10\0\0WAVEfmt "
                              "\x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data");
        row("WAV renamed", "wav.mp3", wav + randomBytes(4096, 3), notMp3);
        row("PNG renamed", "png.mp3", bytesOf(":/icons/quenzo-64.png"), notMp3);
        row("cut in the first frame", "cut.mp3", tone.left(700), notMp3);
        row("cut at half", "cut.mp3", tone.left(tone.size() / 2), truncated);
        row("cut one byte short", "cut.mp3", tone.chopped(1), "");
        row("garbage after the first frame", "bad.mp3", tone.left(700) + randomBytes(9000, 4),
            truncated);
        row("garbage midway, no length header", "mid.mp3", headerless, "");
        row("4 MB tag before a good stream", "tagged.mp3",
            id3Tag(4 << 20, 4 << 20) + tone.mid(tagEnd), "");
        row("tag claiming 200 MB", "claim.mp3", id3Tag(200 << 20, 100), notMp3);
        QTest::newRow("deleted while paused")
            << "a.mp3" << tone << "paused" << none << "文件不存在。";
        // Linux keeps an open file's data until it is closed, so the track is still whole.
        QTest::newRow("deleted between Open and Play") << "a.mp3" << tone << "opened" << none << "";
        QTest::newRow("emptied while playing")
            << "a.mp3" << tone << "playing" << QByteArray("") << "";
    }
    void badFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, when);
        QFETCH(QByteArray, change);
        QFETCH(QString, reason);
        const QChar special = name.isEmpty() ? QChar() : name.back();
        if (QStringLiteral("/|-").contains(special))
            name.chop(1);
        // Root reads every file whatever its mode, and CI runs the tests as root: there
        // the row runs again in a child that has dropped to the user "nobody".
        if (special == u'-' && geteuid() == 0) {
            QProcess child;
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                    QCoreApplication::applicationFilePath(),
                                    "badFiles:" + QString(QTest::currentDataTag())});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray out = child.readAll();
            QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 &&
                         out.contains("PASS   : tst_corpus::badFiles(no read permission)"),
                     out.constData());
            return void(++m_outcomes["refused with a message"]);
        }
        const auto write = [](const QString &path, const QByteArray &b) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(b) == b.size();
        };
        QTemporaryDir dir(m_dir.filePath("row-XXXXXX"));
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (special == u'/')
            QVERIFY(QDir(dir.path()).mkdir(name));
        else if (special == u'|')
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else if (!bytes.isNull())
            QVERIFY(write(path, bytes) && (special != u'-' || QFile::setPermissions(path, {})));

        QPointer<FakeOutput> first;
        if (when == u"opened") {
            QCOMPARE(m_player->Open(path, {}), 0);
        } else if (!when.isEmpty()) {
            QCOMPARE(clickPlay(path), QString());
            (first = m_output)->play(300);
            if (when == u"paused")
                ui().Command10->click();
        }
        if (!when.isEmpty())
            QVERIFY(change.isNull() ? QFile::remove(path) : write(path, change));
        if (when == u"opened")
            QCOMPARE(m_player->Play(), 0);
        if (when.isEmpty() || when == u"paused") {
            ui().Text6->clear();
            const QString message = path.isEmpty() ? reason : "无法播放“" + name + "”：" + reason;
            QCOMPARE(clickPlay(path), reason.isEmpty() ? QString() : message);
            QCOMPARE(ui().Text6->text().isEmpty(), !reason.isEmpty());
        }
        if (reason.isEmpty())
            QVERIFY(playToEnd());
        else // nothing plays, and a paused track let go of its output
            QTRY_VERIFY(first.isNull() && (!m_output || !m_output->source));
        checkStillWorks(!reason.isEmpty() ? "refused with a message"
                        : when.isEmpty()  ? "played what decodes"
                                          : "played what was opened, or ended early");
    }

    void badAnswers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("counted"); // a form of the right answer that converts
        for (const char *text : {"abc", "8abc", "-", "--8", "8-", "-8", "   ", "8 8", "8.0", "８",
                                 "٨", "32768", "-32769", "99999999999999999999"})
            QTest::addRow("%s", text) << QString(text) << false;
        QTest::newRow("NUL after the digit") << QString("8") + QChar(0) << false;
        QTest::newRow("10 000 digits") << QString(10000, u'9') << false;
        for (const char *text : {" 8 ", "+8", "0008"})
            QTest::addRow("%s", text) << QString(text) << true;
        QTest::newRow("keypad past nine digits") << "keypad 1234567890123" << false;
    }
    void badAnswers() {
        QFETCH(QString, text);
        QFETCH(bool, counted);
        const int count = m_window->state().CorrectCount;
        ui().Command6->click();
        if (text.startsWith("keypad "))
            for (const QChar c : text.mid(7))
                ui().Command3->button(c.digitValue())->click();
        else
            ui().Text2->setText(text);
        QCOMPARE(ui().Picture1->accessibleName(), counted ? "对" : "错");
        QVERIFY(!ui().Picture1->pixmap().isNull());
        QCOMPARE(m_window->state().CorrectCount, count + (counted ? 1 : 0));
        checkStillWorks(counted ? "other forms of the answer counted" : "answers refused");
    }
};

QTEST_MAIN(tst_corpus)
#include "tst_corpus.moc"
