#include "player/GainDevice.h"
#include "player/Mp3Decoder.h"
#include "player/Mp3Play.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
const QString Mono = QStringLiteral(QUENZO_PLAYER_FIXTURES "/mono-8k.mp3");

// An output the test plays by hand: play() pulls that much audio and counts it heard.
class FakeOutput final : public SoundOutput {
public:
    FakeOutput(int rate, bool available)
        : rate(rate)
        , available(available) {}
    bool start(QIODevice *s) override { return source = available ? s : nullptr, available; }
    void suspend() override { suspended = true; }
    void resume() override { suspended = false; }
    void stop() override { source = nullptr; }
    qint64 processedUSecs() const override { return heard * 1000000 / rate; }
    void play(int ms) {
        if (source && !suspended)
            heard += source->read(qint64(rate) * ms / 1000 * 4).size() / 4;
    }
    int rate;
    bool available;
    QIODevice *source = nullptr;
    qint64 heard = 0;
    bool suspended = false;
};

class ConstantPcm final : public PcmSource {
public:
    ConstantPcm(qint16 l, qint16 r, qint64 frames)
        : l(l)
        , r(r)
        , left(frames) {}
    qint64 readFrames(qint16 *dst, qint64 frames) override {
        const qint64 n = std::min(frames, left);
        for (qint64 i = 0; i < n; ++i)
            dst[2 * i] = l, dst[2 * i + 1] = r;
        return left -= n, n;
    }
    qint16 l, r;
    qint64 left;
};

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray randomBytes(int n, quint32 seed) {
    QByteArray b(n, '\0');
    QRandomGenerator gen(seed);
    for (char &c : b)
        c = char(gen.bounded(256));
    return b;
}

} // namespace

class tst_Mp3Play : public QObject {
    Q_OBJECT
private slots:
    void init();
    void gainReachesEachChannel_data();
    void gainReachesEachChannel();
    void lengthIsTheDecodedCount_data();
    void lengthIsTheDecodedCount();
    void playPauseStop();
    void badFilesFailOpen_data();
    void badFilesFailOpen();

private:
    FakeOutput *output() { return m_outputs.last(); }
    bool playToEnd();

    std::unique_ptr<Mp3Play> m_player;
    QList<QPointer<FakeOutput>> m_outputs;
    QList<qint32> m_positions;
    int m_ends = 0;
    bool m_available = true;
};

void tst_Mp3Play::init() {
    m_outputs.clear();
    m_positions.clear();
    m_ends = 0;
    m_available = true;
    auto makeOutput = [this](int rate) -> SoundOutput * {
        m_outputs << new FakeOutput(rate, m_available);
        return m_outputs.last();
    };
    m_player = std::make_unique<Mp3Play>(makeOutput, Mp3Play::Options{5});
    connect(m_player.get(), &Mp3Player::PositionChanged, this,
            [this](qint32 v) { m_positions << v; });
    connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] {
        ++m_ends;
        QVERIFY(output()->heard >= m_player->PositionRange()); // all of it heard first
    });
}

bool tst_Mp3Play::playToEnd() {
    for (int step = 0; step < 300 && m_ends == 0; ++step) {
        const qsizetype before = m_positions.size();
        output()->play(100);
        if (!QTest::qWaitFor([&] { return m_positions.size() > before; }, 2000))
            return false;
    }
    return m_ends > 0;
}

void tst_Mp3Play::gainReachesEachChannel_data() {
    QTest::addColumn<qint32>("volLeft");
    QTest::addColumn<qint32>("volRight");
    QTest::addColumn<qint16>("outLeft");
    QTest::addColumn<qint16>("outRight");
    QTest::newRow("full") << 32000 << 32000 << qint16(32767) << qint16(-32768);
    QTest::newRow("right at a quarter") << 32000 << 8000 << qint16(32767) << qint16(-8192);
    QTest::newRow("left silent") << 0 << 32000 << qint16(0) << qint16(-32768);
    QTest::newRow("design volume") << 1000 << 1000 << qint16(1023) << qint16(-1024);
    QTest::newRow("clamped") << 99999 << -5 << qint16(32767) << qint16(0);
}

void tst_Mp3Play::gainReachesEachChannel() {
    QFETCH(qint32, volLeft);
    QFETCH(qint32, volRight);
    QFETCH(qint16, outLeft);
    QFETCH(qint16, outRight);
    GainDevice device(std::make_unique<ConstantPcm>(32767, -32768, 50));
    device.setVolume(volLeft, volRight);
    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const QByteArray heard = device.read(203);
    QCOMPARE(heard.size(), 200); // whole frames only: half a frame swaps the channels
    const auto *s = reinterpret_cast<const qint16 *>(heard.constData());
    QCOMPARE(s[98], outLeft);
    QCOMPARE(s[99], outRight);
    // After the source's end: silence, and never the end of data.
    QCOMPARE(device.read(8), QByteArray(8, '\0'));
    QVERIFY(device.sourceEnded() && !device.atEnd());
}

void tst_Mp3Play::lengthIsTheDecodedCount_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rate");
    QTest::addColumn<double>("rightToLeft");
    QTest::newRow("MPEG-1 stereo VBR, ID3 tag") << Tone << 44100 << 1.0;
    QTest::newRow("MPEG-2.5 mono, both channels") << Mono << 8000 << 1.0;
}

void tst_Mp3Play::lengthIsTheDecodedCount() {
    QFETCH(QString, file);
    QFETCH(int, rate);
    QFETCH(double, rightToLeft);
    Mp3Decoder decoder;
    QCOMPARE(decoder.open(file), PlayerStatus::Ok);
    QCOMPARE(decoder.sampleRate(), rate);
    qint16 buf[2 * 512];
    qint64 frames = 0;
    double sum[2] = {0, 0};
    while (const qint64 n = decoder.readFrames(buf, 512)) {
        for (qint64 i = 0; i < 2 * n; ++i)
            sum[i % 2] += double(buf[i]) * buf[i];
        frames += n;
    }
    QVERIFY(sum[0] > 0 && qAbs(sum[1] / sum[0] - rightToLeft) < 0.1);
    QCOMPARE(m_player->Open(file, {}), 0);
    QCOMPARE(m_player->PositionRange(), frames);
    QCOMPARE(m_player->Length(), qRound(frames * 1000.0 / rate));
}

void tst_Mp3Play::playPauseStop() {
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(1000);
    // What the output has played, in frames.
    QTRY_VERIFY(!m_positions.isEmpty() && m_positions.last() == 44100);
    m_player->Pause();
    QVERIFY(output()->suspended);
    QCOMPARE(m_player->Open(Tone, {}), 0); // the paused file: Play resumes it
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 1);
    QVERIFY(playToEnd());
    QVERIFY(std::is_sorted(m_positions.begin(), m_positions.end()));
    QCOMPARE(m_positions.last(), m_player->PositionRange());
    QTRY_VERIFY(m_outputs[0].isNull()); // released after the end
    QCOMPARE(m_ends, 1);

    // After the end, after Stop, or while playing: Open starts over on a fresh output.
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(300);
    m_player->Stop();
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(300);
    QCOMPARE(m_player->Open(Mono, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 4);
    QCOMPARE(output()->rate, 8000);
    QTRY_VERIFY(m_outputs[1].isNull() && m_outputs[2].isNull());
    QCOMPARE(m_ends, 1);

    m_player->Stop();
    m_available = false;
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), int(PlayerStatus::NoSoundDevice));
}

void tst_Mp3Play::badFilesFailOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray tone = bytesOf(Tone);
    const QByteArray wav = QByteArrayLiteral(
        "RIFF\x24\x10\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data");
    QTest::newRow("no file chosen") << "" << QByteArray() << int(PlayerStatus::NoFileChosen);
    QTest::newRow("missing") << "missing.mp3" << QByteArray() << int(PlayerStatus::FileMissing);
    QTest::newRow("folder") << "folder.mp3" << QByteArray() << int(PlayerStatus::IsFolder);
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << int(PlayerStatus::EmptyFile);
    QTest::newRow("text") << "text.mp3" << QByteArray("这不是音乐。\n")
                          << int(PlayerStatus::NotMp3);
    QTest::newRow("WAV") << "wav.mp3" << wav + randomBytes(4096, 2) << int(PlayerStatus::NotMp3);
    QTest::newRow("random") << "random.mp3" << randomBytes(20000, 1) << int(PlayerStatus::NotMp3);
    QTest::newRow("shorter than a frame")
        << "stub.mp3" << tone.left(700) << int(PlayerStatus::NotMp3);
    QTest::newRow("cut in half") << "half.mp3" << tone.left(tone.size() / 2)
                                 << int(PlayerStatus::Truncated);
    QTest::newRow("garbage after the first frame")
        << "bad.mp3" << tone.left(700) + randomBytes(9000, 3) << int(PlayerStatus::Truncated);
    // Without its length header the file cannot be told bad until decoding reaches the
    // garbage: what decodes before it is the track, and it ends like any other.
    QByteArray headerless = tone;
    headerless.replace(headerless.indexOf("Xing"), 4, QByteArray(4, '\0'));
    headerless.replace(tone.size() / 3, tone.size() / 3, randomBytes(int(tone.size() / 3), 5));
    QTest::newRow("bad midway, no header") << "midway.mp3" << headerless << 0;
}

void tst_Mp3Play::badFilesFailOpen() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QTemporaryDir dir;
    const QString path = name.isEmpty() ? QString() : dir.filePath(name);
    QFile file(path);
    if (name.startsWith("folder"))
        QVERIFY(QDir(dir.path()).mkdir(name));
    else if (!bytes.isNull())
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    QCOMPARE(m_player->Open(path, {}), status);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), status == 0 ? 1 : 0);
    if (status == 0) {
        QVERIFY(playToEnd());
        QVERIFY(m_player->PositionRange() < 88200 * 2 / 3);
    }
}

QTEST_GUILESS_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
