// Bad input from every side a user can reach, tried on the whole window: MP3 files that
// are not MP3, or not quite, files that change under the player, and answer texts that
// are not numbers. The real decoder and player sit behind the panel; only the sound
// output is faked. Every case must end in the panel's message or the wrong-answer
// picture, and after each one a good file must still play and a right answer count.
// The files are made here at run time; nothing of them is committed.
#include "about/AboutServices.h"
#include "app/Form1.h"
#include "player/Mp3Play.h"
#include "player/PlayerPanel.h"
#include "support/Fakes.h"
#include "ui_Form1.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");

// An output the test plays by hand: play() pulls that much audio and counts it heard.
class FakeOutput final : public SoundOutput {
public:
    explicit FakeOutput(int rate)
        : rate(rate) {}
    bool start(QIODevice *s) override { return source = s, true; }
    void suspend() override { suspended = true; }
    void resume() override { suspended = false; }
    void stop() override { source = nullptr; }
    qint64 processedUSecs() const override { return heard * 1000000 / rate; }
    void play(int ms) {
        if (source && !suspended)
            heard += source->read(qint64(rate) * ms / 1000 * 4).size() / 4;
    }
    int rate;
    QIODevice *source = nullptr;
    qint64 heard = 0;
    bool suspended = false;
};

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray b(n, '\0');
    QRandomGenerator gen(seed);
    for (char &c : b)
        c = char(gen.bounded(256));
    return b;
}

QByteArray bigEndian32(quint32 v, int bitsPerByte) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i, v >>= bitsPerByte)
        b[i] = char(v & ((1u << bitsPerByte) - 1));
    return b;
}

// An ID3v2.3 tag holding one cover picture of `payload` random bytes; `claimed`
// overrides the size its header states.
QByteArray id3Tag(int payload, qint64 claimed = -1) {
    const QByteArray picture = QByteArrayLiteral("\0image/png\0\x03\0") + randomBytes(payload, 7);
    const QByteArray frame = "APIC" + bigEndian32(quint32(picture.size()), 8) + QByteArray(2, 0);
    const qint64 size = claimed >= 0 ? claimed : frame.size() + picture.size();
    return QByteArrayLiteral("ID3\x03\0\0") + bigEndian32(quint32(size), 7) + frame + picture;
}

// One second of a 440 Hz tone as a 16-bit stereo WAV file.
QByteArray wavBytes() {
    QByteArray out;
    QDataStream s(&out, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const quint32 rate = 44100, data = rate * 4;
    s.writeRawData("RIFF", 4);
    s << quint32(36 + data);
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(1) << quint16(2) << rate << rate * 4 << quint16(4) << quint16(16);
    s.writeRawData("data", 4);
    s << data;
    for (quint32 i = 0; i < rate; ++i) {
        const auto v = qint16(8000 * qSin(2 * M_PI * 440 * i / rate));
        s << v << v;
    }
    return out;
}

QByteArray pngBytes() {
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

// The panel's message for a file that cannot play, with %1 for the file's name.
QString because(const char *reason) {
    return QStringLiteral("无法播放“%1”：") + QString::fromUtf8(reason);
}

} // namespace

class tst_corpus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void badFiles_data();
    void badFiles();
    void filesChangingUnderThePlayer_data();
    void filesChangingUnderThePlayer();
    void unreadableFile();
    void badAnswers_data();
    void badAnswers();

private:
    Ui::Form1 &ui() { return m_window->ui(); }
    QString clickPlay(const QString &path);
    bool playToEnd();
    void enterAnswer(const QString &text, bool keypad);
    void checkStillWorks();
    void tally(const char *outcome) { ++m_outcomes[QString::fromUtf8(outcome)]; }

    QueuedRandom m_random;
    SetClock m_clock;
    ScriptedDialog m_dialog;
    std::unique_ptr<AboutServices> m_about = makeSystemAboutServices();
    std::unique_ptr<Mp3Play> m_player;
    std::unique_ptr<Form1> m_window;
    QPointer<FakeOutput> m_output;
    QStringList m_messages;
    int m_positions = 0;
    int m_ends = 0;
    QTemporaryDir m_dir;
    QMap<QString, int> m_outcomes;
};

void tst_corpus::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_player = std::make_unique<Mp3Play>(
        [this](int rate) { return m_output = new FakeOutput(rate), m_output.data(); },
        Mp3Play::Options{5});
    connect(m_player.get(), &Mp3Player::PositionChanged, this, [this] { ++m_positions; });
    connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] { ++m_ends; });
    m_window = std::make_unique<Form1>(
        Form1Services{&m_random, &m_clock, m_player.get(), &m_dialog, m_about.get()}, QString());
    m_window->findChild<PlayerPanel *>()->setShowMessage(
        [this](const QString &text) { m_messages << text; });
    // A paced test started and stopped leaves its first question on show: 3+5.
    m_random.queueQuestion(3, 5, 0);
    ui().Command4->click();
    ui().Command4->click();
    QCOMPARE(ui().Text1->text(), QStringLiteral("3+5="));
    QVERIFY(!m_window->Timer1().isActive());
}

void tst_corpus::init() {
    m_player->Stop();
    m_messages.clear();
}

void tst_corpus::cleanupTestCase() {
    int total = 0;
    QStringList parts;
    for (auto it = m_outcomes.cbegin(); it != m_outcomes.cend(); ++it) {
        total += it.value();
        parts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    }
    qInfo().noquote() << QStringLiteral("corpus: %1 bad inputs tried: %2; after each, a good file "
                                        "played and a right answer counted")
                             .arg(total)
                             .arg(parts.join(QStringLiteral(", ")));
    m_window.reset();
}

QString tst_corpus::clickPlay(const QString &path) {
    m_dialog.fileName = path;
    m_messages.clear();
    ui().Command9->click();
    return m_messages.join(QLatin1Char('\n'));
}

bool tst_corpus::playToEnd() {
    const int ends = m_ends;
    for (int step = 0; step < 600 && m_ends == ends; ++step) {
        if (!m_output)
            return false;
        const int before = m_positions;
        m_output->play(100);
        if (!QTest::qWaitFor([&] { return m_positions > before || m_ends > ends; }, 2000))
            return false;
    }
    return m_ends == ends + 1;
}

// As a paste would put it in the box, or pressed digit by digit on the keypad.
void tst_corpus::enterAnswer(const QString &text, bool keypad) {
    ui().Command6->click();
    if (!keypad)
        return ui().Text2->setText(text);
    for (const QChar c : text)
        ui().Command3->button(c.digitValue())->click();
}

void tst_corpus::checkStillWorks() {
    ui().Text6->clear();
    QCOMPARE(clickPlay(Tone), QString());
    QVERIFY(m_output && m_output->source);
    QCOMPARE(ui().Text6->text(), QStringLiteral("0分2秒"));
    ui().Command11->click();
    const int count = m_window->state().CorrectCount;
    enterAnswer(QStringLiteral("8"), false);
    QCOMPARE(ui().Picture1->accessibleName(), QStringLiteral("对"));
    QCOMPARE(m_window->state().CorrectCount, count + 1);
    QCOMPARE(ui().Text5->text(), QStringLiteral("%1 个").arg(count + 1));
}

void tst_corpus::badFiles_data() {
    QTest::addColumn<QString>("name");     // "/" at the end: a folder; "|": a named pipe
    QTest::addColumn<QByteArray>("bytes"); // null: nothing written
    QTest::addColumn<QString>("message");  // empty: it plays what decodes, to the end

    const QByteArray tone = bytesOf(Tone);
    QVERIFY(tone.startsWith("ID3"));
    const int tagEnd = 10 + 0x6b;
    QCOMPARE(tone.at(tagEnd), '\xff');
    const QString notMp3 = because("这不是 MP3 文件。");
    const QString truncated = because("文件不完整或已损坏。");

    QTest::newRow("no file chosen")
        << "" << QByteArray() << "还没有选择文件：请先点“打开”选一个 MP3 文件。";
    QTest::newRow("missing path") << "missing.mp3" << QByteArray() << because("文件不存在。");
    QTest::newRow("folder") << "folder.mp3/" << QByteArray()
                            << because("这是一个文件夹，不是文件。");
    QTest::newRow("named pipe") << "pipe.mp3|" << QByteArray() << because("文件无法读取。");
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << because("文件是空的。");
    QTest::newRow("one byte") << "one.mp3" << QByteArray("\xff") << notMp3;
    QTest::newRow("text") << "text.mp3" << QByteArray("这不是音乐。\n") << notMp3;
    QTest::newRow("WAV renamed") << "wav.mp3" << wavBytes() << notMp3;
    QTest::newRow("PNG renamed") << "png.mp3" << pngBytes() << notMp3;
    for (const auto &[size, seed] : {std::pair{100, 1}, {5000, 2}, {300000, 3}})
        QTest::addRow("random, %d bytes", size)
            << "random.mp3" << randomBytes(size, seed) << notMp3;

    const struct {
        const char *where;
        qsizetype at;
        QString message;
    } cuts[] = {
        {"in the tag's header", 6, notMp3},
        {"inside the tag", 60, notMp3},
        {"just after the tag", tagEnd, notMp3},
        {"in the first frame's header", tagEnd + 2, notMp3},
        {"in the first frame", 700, notMp3},
        {"at a quarter", tone.size() / 4, truncated},
        {"at half", tone.size() / 2, truncated},
        {"at three quarters", tone.size() * 3 / 4, truncated},
        {"one byte short", tone.size() - 1, QString()},
    };
    for (const auto &cut : cuts)
        QTest::addRow("cut %s", cut.where) << "cut.mp3" << tone.left(cut.at) << cut.message;

    constexpr int fourMB = 4 << 20;
    QTest::newRow("4 MB tag, then nothing") << "tag.mp3" << id3Tag(fourMB) << notMp3;
    QTest::newRow("4 MB tag before a good stream")
        << "tagged.mp3" << id3Tag(fourMB) + tone.mid(tagEnd) << QString();
    QTest::newRow("tag claiming 200 MB") << "claim.mp3" << id3Tag(100, 200 << 20) << notMp3;
}

void tst_corpus::badFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QChar special = name.isEmpty() ? QChar() : name.back();
    if (special == u'/' || special == u'|')
        name.chop(1);
    // Each row's file lives in a folder of its own, removed with it.
    QTemporaryDir dir(m_dir.filePath(QStringLiteral("row-XXXXXX")));
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    if (special == u'/')
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (special == u'|')
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    else if (!bytes.isNull())
        QVERIFY(writeFile(path, bytes));

    ui().Text6->clear();
    const QString shown = clickPlay(path);
    if (message.isEmpty()) {
        QCOMPARE(shown, QString());
        QVERIFY(!ui().Text6->text().isEmpty());
        QVERIFY(playToEnd());
        tally("played what decodes");
    } else {
        QCOMPARE(shown, path.isEmpty() ? message : message.arg(name));
        QVERIFY(ui().Text6->text().isEmpty());
        QVERIFY(!m_output || !m_output->source);
        tally("refused with a message");
    }
    checkStillWorks();
}

void tst_corpus::filesChangingUnderThePlayer_data() {
    QTest::addColumn<QString>("when");           // chosen, opened, playing or paused
    QTest::addColumn<QByteArray>("replacement"); // null: the file is deleted
    QTest::addColumn<QString>("message");        // empty: the opened data plays to the end

    const QByteArray tone = bytesOf(Tone);
    QTest::newRow("deleted after choosing") << "chosen" << QByteArray() << because("文件不存在。");
    QTest::newRow("deleted while paused") << "paused" << QByteArray() << because("文件不存在。");
    QTest::newRow("overwritten with text while paused")
        << "paused" << QByteArray("not music") << because("这不是 MP3 文件。");
    QTest::newRow("cut short while paused")
        << "paused" << tone.left(tone.size() / 2) << because("文件不完整或已损坏。");
    // Linux keeps an open file's data until it is closed, so the track is still whole.
    QTest::newRow("deleted between the player's Open and Play")
        << "opened" << QByteArray() << QString();
    QTest::newRow("deleted while playing") << "playing" << QByteArray() << QString();
    QTest::newRow("emptied while playing") << "playing" << QByteArray("") << QString();
}

void tst_corpus::filesChangingUnderThePlayer() {
    QFETCH(QString, when);
    QFETCH(QByteArray, replacement);
    QFETCH(QString, message);
    const QString path = m_dir.filePath(QStringLiteral("changing.mp3"));
    QVERIFY(QFile::copy(Tone, path));
    QPointer<FakeOutput> first;
    if (when == u"opened") {
        QCOMPARE(m_player->Open(path, {}), 0);
    } else if (when != u"chosen") {
        QCOMPARE(clickPlay(path), QString());
        first = m_output;
        first->play(300);
        if (when == u"paused")
            ui().Command10->click();
    }
    if (replacement.isNull())
        QVERIFY(QFile::remove(path));
    else
        QVERIFY(writeFile(path, replacement));

    if (message.isEmpty()) {
        if (when == u"opened")
            QCOMPARE(m_player->Play(), 0);
        QVERIFY(playToEnd());
        tally("played what was opened, or ended early");
    } else {
        QCOMPARE(clickPlay(path), message.arg(QFileInfo(path).fileName()));
        QTRY_VERIFY(first.isNull()); // a paused track let go of its output
        tally("refused with a message");
    }
    checkStillWorks();
    QFile::remove(path);
}

// Root reads every file whatever its mode, and the tests run as root in CI: there the
// case runs again in a child that has dropped to the unprivileged user "nobody".
void tst_corpus::unreadableFile() {
    if (geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        QVERIFY2(!setpriv.isEmpty(), "setpriv (util-linux) is needed to drop root");
        QProcess child;
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(setpriv,
                    {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                     QStringLiteral("--clear-groups"), QCoreApplication::applicationFilePath(),
                     QStringLiteral("unreadableFile")});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray out = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 out.constData());
        QVERIFY2(out.contains("PASS   : tst_corpus::unreadableFile()"), out.constData());
        tally("refused with a message");
        return;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.mp3"));
    QVERIFY(QFile::copy(Tone, path));
    QVERIFY(QFile::setPermissions(path, {}));
    QCOMPARE(clickPlay(path), because("文件无法读取。").arg(QStringLiteral("locked.mp3")));
    tally("refused with a message");
    checkStillWorks();
}

void tst_corpus::badAnswers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<bool>("counted"); // a form of the right answer that converts

    const auto row = [](const char *name, const QString &text, bool counted = false) {
        QTest::newRow(name) << text << false << counted;
    };
    row("letters", QStringLiteral("abc"));
    row("number then letters", QStringLiteral("12abc"));
    row("right number then letters", QStringLiteral("8abc"));
    row("lone minus", QStringLiteral("-"));
    row("lone plus", QStringLiteral("+"));
    row("two signs", QStringLiteral("--8"));
    row("sign after", QStringLiteral("8-"));
    row("negative of the answer", QStringLiteral("-8"));
    row("only spaces", QStringLiteral("   "));
    row("space inside", QStringLiteral("8 8"));
    row("fraction", QStringLiteral("8.0"));
    row("full-width digit", QStringLiteral("８"));
    row("Arabic-Indic digit", QStringLiteral("٨"));
    row("NUL after the digit", QStringLiteral("8") + QChar(0));
    row("just past 16 bits", QStringLiteral("32768"));
    row("just below -32768", QStringLiteral("-32769"));
    row("twenty digits", QStringLiteral("99999999999999999999"));
    row("10 000 digits", QString(10000, u'9'));
    row("10 000 letters", QString(10000, u'x'));
    row("spaces around the answer", QStringLiteral(" 8 "), true);
    row("plus sign", QStringLiteral("+8"), true);
    row("leading zeros", QStringLiteral("0008"), true);
    QTest::newRow("keypad past nine digits") << QStringLiteral("1234567890123") << true << false;
}

void tst_corpus::badAnswers() {
    QFETCH(QString, text);
    QFETCH(bool, keypad);
    QFETCH(bool, counted);
    const int count = m_window->state().CorrectCount;
    enterAnswer(text, keypad);
    QCOMPARE(ui().Picture1->accessibleName(),
             counted ? QStringLiteral("对") : QStringLiteral("错"));
    QVERIFY(!ui().Picture1->pixmap().isNull());
    QCOMPARE(m_window->state().CorrectCount, count + (counted ? 1 : 0));
    tally(counted ? "other forms of the answer counted" : "answers refused");
    checkStillWorks();
}

QTEST_MAIN(tst_corpus)
#include "tst_corpus.moc"
