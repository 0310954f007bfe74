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
#include <memory>
#include <vector>

namespace {

const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
constexpr int RecordRate = 44100;
constexpr qint64 BytesPerSecond = RecordRate * 4;

// Right to left loudness of interleaved stereo frames [from, to).
double channelRatio(const qint16 *s, qint64 from, qint64 to) {
    double sum[2] = {0, 0};
    for (qint64 i = 2 * from; i < 2 * to; ++i)
        sum[i % 2] += double(s[i]) * s[i];
    return std::sqrt(sum[1] / sum[0]);
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
    Mp3Decoder decoder;
    QCOMPARE(decoder.open(Tone), PlayerStatus::Ok);
    std::vector<qint16> decoded(size_t(decoder.lengthFrames()) * 2);
    QCOMPARE(decoder.readFrames(decoded.data(), decoder.lengthFrames()), decoder.lengthFrames());
    const double recordedRatio = channelRatio(decoded.data(), 0, decoder.lengthFrames());

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
    // To the end of the file: a recorder stopped by a signal may leave the size unset.
    QByteArray pcm = file.readAll();
    pcm = pcm.mid(pcm.indexOf("data") + 8);
    const auto *heard = reinterpret_cast<const qint16 *>(pcm.constData());
    qint64 first = -1;
    qint64 last = -1;
    for (qint64 i = 0; i < pcm.size() / 4; ++i) {
        if (std::abs(heard[2 * i]) > 2000) {
            first = first < 0 ? i : first;
            last = i;
        }
    }
    QVERIFY2(first < last, "nothing was heard");
    const double heardMs = double(last - first + 1) * 1000.0 / RecordRate;
    const double lengthMs = player->Length();
    QVERIFY2(std::abs(heardMs / lengthMs - 1) <= 0.05,
             qPrintable(QStringLiteral("heard %1 ms of %2 ms").arg(heardMs).arg(lengthMs)));

    const qint64 edge = (last - first) / 10;
    const double ratio = channelRatio(heard, first + edge, last - edge) / recordedRatio;
    qInfo("heard %.0f ms of %.0f ms; right at %.3f of the left", heardMs, lengthMs, ratio);
    QVERIFY2(std::abs(ratio / 0.25 - 1) <= 0.10,
             qPrintable(QStringLiteral("right heard at %1 of the left").arg(ratio)));
}

QTEST_GUILESS_MAIN(tst_PlayerSound)
#include "tst_PlayerSound.moc"
