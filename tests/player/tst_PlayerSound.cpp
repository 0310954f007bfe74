// Plays the fixture through the system's sound output into the test services' null
// sink and records the sink's monitor: what a listener would hear.

#include "player/Mp3Decoder.h"
#include "player/Mp3Player.h"
#include "player/RealPlayer.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
constexpr int RecordRate = 44100;
constexpr qint64 BytesPerSecond = RecordRate * 4;

// The samples after the "data" chunk's header, to the end of the file: a recording
// stopped by a signal may leave the chunk's size unset.
std::vector<qint16> wavSamples(const QByteArray &wav) {
    const qsizetype at = wav.indexOf("data");
    if (at < 0)
        return {};
    const QByteArray pcm = wav.mid(at + 8);
    std::vector<qint16> s(size_t(pcm.size() / 4) * 2);
    std::memcpy(s.data(), pcm.constData(), s.size() * sizeof(qint16));
    return s;
}

double rms(const std::vector<qint16> &s, size_t from, size_t to, int channel) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(s[2 * i + channel]) * s[2 * i + channel];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

double channelRatio(const std::vector<qint16> &s, size_t from, size_t to) {
    return rms(s, from, to, 1) / rms(s, from, to, 0);
}

} // namespace

class tst_PlayerSound : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void heardAtTheVolumesSetForEachChannel();
};

void tst_PlayerSound::initTestCase() {
    if (qEnvironmentVariableIsEmpty("QUENZO_TEST_SOUND"))
        QFAIL("This test needs the sound server of the test services (a PulseAudio null sink "
              "\"quenzo_null\"): run it through scripts/test, which starts them and sets "
              "QUENZO_TEST_SOUND. Exclude it elsewhere with ctest -LE sound.");
}

void tst_PlayerSound::heardAtTheVolumesSetForEachChannel() {
    std::vector<qint16> decoded;
    {
        Mp3Decoder d;
        QCOMPARE(d.open(Tone), PlayerStatus::Ok);
        decoded.resize(size_t(d.lengthFrames()) * 2);
        QCOMPARE(d.readFrames(decoded.data(), d.lengthFrames()), d.lengthFrames());
    }
    const double recordedRatio = channelRatio(decoded, 0, decoded.size() / 2);

    QTemporaryDir dir;
    const QString wav = dir.filePath("heard.wav");
    QProcess recorder;
    recorder.start("parecord", {"--latency-msec=20", "-d", "quenzo_null.monitor", "--format=s16le",
                                QStringLiteral("--rate=%1").arg(RecordRate), "--channels=2",
                                "--file-format=wav", wav});
    QVERIFY2(recorder.waitForStarted(), "parecord did not start");
    const auto recorded = [&wav] { return QFileInfo(wav).size(); };
    QTRY_VERIFY_WITH_TIMEOUT(recorded() > BytesPerSecond / 10, 10000);

    std::unique_ptr<Mp3Player> player = makeMp3Play();
    QSignalSpy ended(player.get(), &Mp3Player::TrackEnded);
    player->SetVolume(32000, 8000);
    QCOMPARE(player->Open(Tone, {}), 0);
    QCOMPARE(player->Play(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, player->Length() + 10000);
    // The end is reported once the last sample has been played; give the recorder
    // time to write it out.
    const qint64 atEnd = recorded();
    QTRY_VERIFY_WITH_TIMEOUT(recorded() > atEnd + BytesPerSecond / 2, 10000);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));
    QCOMPARE(ended.count(), 1);

    QFile file(wav);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::vector<qint16> heard = wavSamples(file.readAll());
    const size_t frames = heard.size() / 2;
    size_t first = frames;
    size_t last = 0;
    for (size_t i = 0; i < frames; ++i) {
        if (std::abs(heard[2 * i]) > 2000) {
            first = std::min(first, i);
            last = i;
        }
    }
    QVERIFY2(first < last, "nothing was heard");
    const double heardMs = double(last - first + 1) * 1000.0 / RecordRate;
    const double lengthMs = player->Length();
    QVERIFY2(std::abs(heardMs / lengthMs - 1) <= 0.05,
             qPrintable(QStringLiteral("heard %1 ms of %2 ms").arg(heardMs).arg(lengthMs)));

    const size_t edge = (last - first) / 10;
    const double ratio = channelRatio(heard, first + edge, last - edge) / recordedRatio;
    qInfo("heard %.0f ms of %.0f ms; right at %.3f of the left", heardMs, lengthMs, ratio);
    QVERIFY2(std::abs(ratio / 0.25 - 1) <= 0.10,
             qPrintable(QStringLiteral("right heard at %1 of the left").arg(ratio)));
}

QTEST_GUILESS_MAIN(tst_PlayerSound)
#include "tst_PlayerSound.moc"
