// Bad MP3 files on the whole window, only the sound output faked: each ends in its message
// (or plays what decodes), and after it a good file plays.
#include "support/Fakes.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString Tone = QUENZO_FIXTURES "/tone-lr.mp3";

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
} // namespace

class tst_corpus : public QObject {
    Q_OBJECT
    HandPlayed m_hand;
    QTemporaryDir m_dir;

private slots:
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
            child.start("setpriv",
                        {"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                         QCoreApplication::applicationFilePath(), "badFiles:no read permission"});
            QVERIFY(child.waitForFinished(120000));
            const QByteArray out = child.readAll();
            QVERIFY2(child.exitCode() == 0 && out.contains("PASS   : tst_corpus::badFiles(no read"),
                     out);
            return;
        }
        QTemporaryDir dir(m_dir.filePath("row-XXXXXX"));
        const QString path = name.isEmpty() ? QString() : dir.filePath(name);
        if (special == u'/')
            QVERIFY(QDir(dir.path()).mkdir(name));
        else if (special == u'|')
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else if (!bytes.isNull())
            QVERIFY(writeFile(path, bytes) && (special != u'-' || QFile::setPermissions(path, {})));

        TestWindow w(&m_hand.player);
        w.dialog.fileName = path;
        QSignalSpy checked(&m_hand.player, &Mp3Player::FileChecked); // the file read through
        if (when == "opened")
            QCOMPARE(m_hand.player.Open(path, {}), 0);
        if (when == "paused" || when == "playing") {
            w.ui().Command9->click();
            m_hand.output()->play(300);
            if (when == "paused")
                w.ui().Command10->click();
        }
        QTRY_COMPARE(checked.size(), when.isEmpty() ? 0 : 1);
        if (!when.isEmpty())
            QVERIFY(change.isNull() ? QFile::remove(path) : writeFile(path, change));
        if (when == "opened")
            QCOMPARE(m_hand.player.Play(), 0);
        if (when.isEmpty() || when == "paused")
            w.ui().Command9->click();
        if (reason.isEmpty()) {
            QVERIFY(m_hand.playToEnd());
        } else { // the message, maybe once the file is read through; nothing plays
            QTRY_COMPARE(w.messages, path.isEmpty() ? reason : "无法播放“" + name + "”：" + reason);
            QTRY_VERIFY(!m_hand.output() || !m_hand.output()->source);
        }
        QCOMPARE(w.messages.isEmpty(), reason.isEmpty());
        w.dialog.fileName = Tone; // and a good file plays after it
        w.ui().Command9->click();
        QCOMPARE(w.ui().Text6->text(), "0分2秒");
        QVERIFY(m_hand.playToEnd());
    }
};

QTEST_MAIN(tst_corpus)
#include "tst_corpus.moc"
