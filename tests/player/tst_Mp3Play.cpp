#include "FakeSoundOutput.h"

#include "player/GainDevice.h"
#include "player/Mp3Decoder.h"
#include "player/Mp3Play.h"
#include "player/PcmSource.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
const QString Mono = QStringLiteral(QUENZO_PLAYER_FIXTURES "/mono-8k.mp3");

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray randomBytes(int n, quint32 seed) {
    QRandomGenerator gen(seed);
    QByteArray b(n, '\0');
    for (char &c : b)
        c = char(gen.bounded(256));
    return b;
}

QByteArray wavFile() {
    QByteArray pcm = randomBytes(44100, 7);
    QByteArray h("RIFF");
    auto u32 = [&h](quint32 v) { h.append(reinterpret_cast<const char *>(&v), 4); };
    auto u16 = [&h](quint16 v) { h.append(reinterpret_cast<const char *>(&v), 2); };
    u32(36 + quint32(pcm.size()));
    h += "WAVEfmt ";
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    h += "data";
    u32(quint32(pcm.size()));
    return h + pcm;
}

// Everything the decoder gives for a file, with its rate.
struct Decoded {
    std::vector<qint16> samples;
    int rate = 0;
    qint64 frames() const { return qint64(samples.size()) / 2; }
};

Decoded decodeAll(const QString &path) {
    Mp3Decoder d;
    Decoded out;
    if (d.open(path) != PlayerStatus::Ok)
        return out;
    out.rate = d.sampleRate();
    qint16 buf[2 * 1000];
    while (const qint64 n = d.readFrames(buf, 1000))
        out.samples.insert(out.samples.end(), buf, buf + 2 * n);
    return out;
}

double rms(const qint16 *interleaved, qint64 frames, int channel) {
    double sum = 0;
    for (qint64 i = 0; i < frames; ++i)
        sum += double(interleaved[2 * i + channel]) * interleaved[2 * i + channel];
    return frames ? std::sqrt(sum / double(frames)) : 0;
}

class TablePcm final : public PcmSource {
public:
    TablePcm(qint16 left, qint16 right, qint64 frames)
        : m_left(left)
        , m_right(right)
        , m_left_frames(frames) {}
    qint64 readFrames(qint16 *dst, qint64 frames) override {
        const qint64 n = std::min(frames, m_left_frames);
        for (qint64 i = 0; i < n; ++i)
            dst[2 * i] = m_left, dst[2 * i + 1] = m_right;
        m_left_frames -= n;
        return n;
    }

private:
    qint16 m_left, m_right;
    qint64 m_left_frames;
};

} // namespace

class tst_Mp3Play : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void gainReachesEachChannel_data();
    void gainReachesEachChannel();
    void deviceHandsOutWholeFramesThenSilence();
    void decodesAnyLayer3_data();
    void decodesAnyLayer3();
    void lengthIsTheDecodedCount();
    void playsToTheEndOnce();
    void pauseKeepsThePlace();
    void openStartsOver();
    void stopReleasesTheOutput();
    void volumeReachesTheSamples();
    void noSoundDevice();
    void lostDeviceEndsTheTrack();
    void badFilesFailOpen_data();
    void badFilesFailOpen();
    void badDataMidwayEndsTheTrack();

private:
    FakeSoundOutput *output() const { return m_outputs.isEmpty() ? nullptr : m_outputs.last(); }
    // Plays in steps of 100 ms until the track ends; false if it never does.
    bool playToEnd();

    std::unique_ptr<Mp3Play> m_player;
    QList<QPointer<FakeSoundOutput>> m_outputs;
    bool m_deviceAvailable = true;
    QList<qint32> m_positions;
    int m_ends = 0;
    qint64 m_heardAtEnd = -1;
    QTemporaryDir m_dir;
};

void tst_Mp3Play::init() {
    m_outputs.clear();
    m_positions.clear();
    m_ends = 0;
    m_heardAtEnd = -1;
    m_deviceAvailable = true;
    m_player = std::make_unique<Mp3Play>(
        [this](int rate) {
            auto *o = new FakeSoundOutput(rate, m_deviceAvailable);
            m_outputs << o;
            return o;
        },
        Mp3Play::Options{5});
    connect(m_player.get(), &Mp3Player::PositionChanged, this,
            [this](qint32 v) { m_positions << v; });
    connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] {
        ++m_ends;
        m_heardAtEnd = output()->heardFrames();
    });
}

void tst_Mp3Play::cleanup() {
    m_player.reset();
}

bool tst_Mp3Play::playToEnd() {
    for (int step = 0; step < 600 && m_ends == 0; ++step) {
        const int before = m_positions.size();
        if (output())
            output()->play(100);
        if (!QTest::qWaitFor([&] { return m_positions.size() > before || m_ends > 0; }, 2000))
            return false;
    }
    return m_ends > 0;
}

void tst_Mp3Play::gainReachesEachChannel_data() {
    QTest::addColumn<qint16>("inLeft");
    QTest::addColumn<qint16>("inRight");
    QTest::addColumn<qint32>("volLeft");
    QTest::addColumn<qint32>("volRight");
    QTest::addColumn<qint16>("outLeft");
    QTest::addColumn<qint16>("outRight");
    QTest::newRow("full volume keeps the samples")
        << qint16(12345) << qint16(-12345) << 32000 << 32000 << qint16(12345) << qint16(-12345);
    QTest::newRow("right at a quarter")
        << qint16(16000) << qint16(16000) << 32000 << 8000 << qint16(16000) << qint16(4000);
    QTest::newRow("left silent") << qint16(16000) << qint16(-16000) << 0 << 32000 << qint16(0)
                                 << qint16(-16000);
    QTest::newRow("design volume")
        << qint16(32000) << qint16(-32000) << 1000 << 1000 << qint16(1000) << qint16(-1000);
    QTest::newRow("extremes never wrap")
        << qint16(32767) << qint16(-32768) << 32000 << 32000 << qint16(32767) << qint16(-32768);
    QTest::newRow("out of range volumes are clamped")
        << qint16(32767) << qint16(-32768) << 99999 << -5 << qint16(32767) << qint16(0);
}

void tst_Mp3Play::gainReachesEachChannel() {
    QFETCH(qint16, inLeft);
    QFETCH(qint16, inRight);
    QFETCH(qint32, volLeft);
    QFETCH(qint32, volRight);
    QFETCH(qint16, outLeft);
    QFETCH(qint16, outRight);
    GainDevice device(std::make_unique<TablePcm>(inLeft, inRight, 100));
    device.setVolume(volLeft, volRight);
    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    const QByteArray bytes = device.read(400);
    QCOMPARE(bytes.size(), 400);
    const auto *s = reinterpret_cast<const qint16 *>(bytes.constData());
    for (int i = 0; i < 100; ++i) {
        QCOMPARE(s[2 * i], outLeft);
        QCOMPARE(s[2 * i + 1], outRight);
    }
}

void tst_Mp3Play::deviceHandsOutWholeFramesThenSilence() {
    GainDevice device(std::make_unique<TablePcm>(100, 200, 3));
    QVERIFY(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
    QCOMPARE(device.read(7).size(), 4); // never half a frame
    QVERIFY(!device.sourceEnded());
    const QByteArray rest = device.read(40);
    QCOMPARE(rest.size(), 40);
    QVERIFY(device.sourceEnded());
    QCOMPARE(device.framesFromSource(), 3);
    const auto *s = reinterpret_cast<const qint16 *>(rest.constData());
    QCOMPARE(s[3], qint16(200));
    QCOMPARE(s[4], qint16(0));
    QVERIFY(!device.atEnd());
    QCOMPARE(device.read(8), QByteArray(8, '\0'));
}

void tst_Mp3Play::decodesAnyLayer3_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("sameOnBothChannels");
    QTest::addColumn<int>("approxMs");
    QTest::newRow("MPEG-1 stereo VBR, ID3 tag in front") << Tone << 44100 << false << 2000;
    QTest::newRow("MPEG-2.5 mono at 8 kHz, no gapless header") << Mono << 8000 << true << 1152;
}

void tst_Mp3Play::decodesAnyLayer3() {
    QFETCH(QString, file);
    QFETCH(int, rate);
    QFETCH(bool, sameOnBothChannels);
    QFETCH(int, approxMs);
    const Decoded d = decodeAll(file);
    QCOMPARE(d.rate, rate);
    QVERIFY2(std::abs(d.frames() * 1000 / rate - approxMs) < 60,
             qPrintable(QString::number(d.frames())));
    const double left = rms(d.samples.data(), d.frames(), 0);
    const double right = rms(d.samples.data(), d.frames(), 1);
    QVERIFY(left > 3000);
    if (sameOnBothChannels)
        QCOMPARE(left, right);
    else
        QVERIFY2(std::abs(left / right - 1) < 0.1, qPrintable(QString::number(left / right)));
}

void tst_Mp3Play::lengthIsTheDecodedCount() {
    const Decoded d = decodeAll(Tone);
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->PositionRange(), d.frames());
    QCOMPARE(m_player->Length(), qint32(std::lround(d.frames() * 1000.0 / d.rate)));
    QCOMPARE(m_player->LeftVolume(), 1000);
    QCOMPARE(m_player->RightVolume(), 1000);
}

void tst_Mp3Play::playsToTheEndOnce() {
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QVERIFY(playToEnd());
    QVERIFY(std::is_sorted(m_positions.begin(), m_positions.end()));
    QVERIFY(m_positions.size() >= 15);
    QCOMPARE(m_positions.last(), m_player->PositionRange());
    // Everything decoded was heard before the end was reported.
    QVERIFY(m_heardAtEnd >= m_player->PositionRange());
    QPointer<FakeSoundOutput> last = output();
    QTRY_VERIFY(last.isNull());
    QCOMPARE(m_ends, 1);
}

void tst_Mp3Play::pauseKeepsThePlace() {
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(1000);
    QTRY_VERIFY(!m_positions.isEmpty() && m_positions.last() == 44100);
    m_player->Pause();
    QVERIFY(output()->suspended());
    // The panel's Play opens the same file again: the paused track resumes.
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 1);
    QVERIFY(!output()->suspended());
    m_positions.clear();
    output()->play(500);
    QTRY_VERIFY(!m_positions.isEmpty() && m_positions.last() == 66150);
    QVERIFY(playToEnd());
    QCOMPARE(m_ends, 1);
}

void tst_Mp3Play::openStartsOver() {
    // Another file, or the same one while it plays, after Stop or after its end.
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(500);
    m_player->Pause();
    QCOMPARE(m_player->Open(Mono, {}), 0);
    QVERIFY(m_outputs[0]->stopped());
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 2);
    QCOMPARE(output()->rate(), 8000);
    QVERIFY(playToEnd());
    QCOMPARE(m_player->Open(Mono, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 3);
    output()->play(200);
    QCOMPARE(m_player->Open(Mono, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 4);
    m_player->Pause();
    m_player->Stop();
    QCOMPARE(m_player->Open(Mono, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QCOMPARE(m_outputs.size(), 5);
    QCOMPARE(output()->heardFrames(), 0);
}

void tst_Mp3Play::stopReleasesTheOutput() {
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(300);
    m_player->Stop();
    QVERIFY(output()->stopped());
    QPointer<FakeSoundOutput> released = output();
    QTRY_VERIFY(released.isNull());
    QCOMPARE(m_ends, 0);
    QCOMPARE(m_player->Play(), 0); // nothing open: nothing happens
    QCOMPARE(m_outputs.size(), 1);
}

void tst_Mp3Play::volumeReachesTheSamples() {
    const Decoded d = decodeAll(Tone);
    m_player->SetVolume(32000, 8000);
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QByteArray heard = output()->play(800);
    m_player->SetVolume(8000, 32000); // takes effect on the very next samples
    heard += output()->play(800);
    const auto *s = reinterpret_cast<const qint16 *>(heard.constData());
    QCOMPARE(heard.size(), 70560 * 4);
    for (qint64 i = 0; i < 70560; ++i) {
        const qint32 gainL = i < 35280 ? 32000 : 8000;
        const qint32 gainR = i < 35280 ? 8000 : 32000;
        QCOMPARE(s[2 * i], qint16(d.samples[size_t(2 * i)] * gainL / 32000));
        QCOMPARE(s[2 * i + 1], qint16(d.samples[size_t(2 * i + 1)] * gainR / 32000));
    }
    QCOMPARE(m_player->LeftVolume(), 8000);
    QCOMPARE(m_player->RightVolume(), 32000);
}

void tst_Mp3Play::noSoundDevice() {
    m_deviceAvailable = false;
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), int(PlayerStatus::NoSoundDevice));
    QPointer<FakeSoundOutput> released = output();
    QTRY_VERIFY(released.isNull());
    m_player->Pause();
    m_player->Stop();
    QCOMPARE(m_ends, 0);
}

void tst_Mp3Play::lostDeviceEndsTheTrack() {
    QCOMPARE(m_player->Open(Tone, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    output()->play(200);
    output()->loseDevice();
    QCOMPARE(m_ends, 1);
    QVERIFY(output()->stopped());
}

void tst_Mp3Play::badFilesFailOpen_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray tone = readAll(Tone);
    QTest::newRow("no file chosen") << "" << QByteArray() << int(PlayerStatus::NoFileChosen);
    QTest::newRow("missing") << "missing.mp3" << QByteArray() << int(PlayerStatus::FileMissing);
    QTest::newRow("folder") << "folder.mp3" << QByteArray() << int(PlayerStatus::IsFolder);
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << int(PlayerStatus::EmptyFile);
    QTest::newRow("text") << "text.mp3" << QByteArray("这不是音乐。\nJust text.\n")
                          << int(PlayerStatus::NotMp3);
    QTest::newRow("wav renamed") << "wav.mp3" << wavFile() << int(PlayerStatus::NotMp3);
    QTest::newRow("random bytes") << "random.mp3" << randomBytes(20000, 1)
                                  << int(PlayerStatus::NotMp3);
    QTest::newRow("cut in half") << "half.mp3" << tone.left(tone.size() / 2)
                                 << int(PlayerStatus::Truncated);
    QTest::newRow("header frame, then garbage")
        << "garbage.mp3" << tone.left(700) + randomBytes(9000, 3) << int(PlayerStatus::Truncated);
    QTest::newRow("too short for a frame")
        << "stub.mp3" << tone.left(700) << int(PlayerStatus::NotMp3);
}

void tst_Mp3Play::badFilesFailOpen() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    const QString path = name.isEmpty() ? QString() : m_dir.filePath(name);
    if (name == "folder.mp3")
        QVERIFY(QDir(m_dir.path()).mkpath(name));
    else if (!bytes.isNull())
        writeFile(path, bytes);
    QCOMPARE(m_player->Open(path, {}), status);
    QCOMPARE(m_player->Length(), 0);
    QCOMPARE(m_player->Play(), 0);
    QVERIFY(m_outputs.isEmpty());
}

void tst_Mp3Play::badDataMidwayEndsTheTrack() {
    // Without its length header the file cannot be told bad until decoding reaches it.
    QByteArray tone = readAll(Tone);
    tone.replace(tone.indexOf("Xing"), 4, QByteArray(4, '\0'));
    tone.replace(tone.size() / 3, tone.size() / 3, randomBytes(int(tone.size() / 3), 5));
    const QString path = m_dir.filePath("midway.mp3");
    writeFile(path, tone);
    QCOMPARE(m_player->Open(path, {}), 0);
    QCOMPARE(m_player->Play(), 0);
    QVERIFY(playToEnd());
    QCOMPARE(m_ends, 1);
    // What decodes before the bad part is the track; its end comes as any other.
    QVERIFY(m_player->PositionRange() < 88200 * 2 / 3);
    QCOMPARE(m_positions.last(), m_player->PositionRange());
}

QTEST_GUILESS_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
