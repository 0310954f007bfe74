// Plays the fixture through the system's sound output into the test services' null sink
// and records the sink's monitor: what a listener would hear.
#include "player/Mp3Player.h"
#include "player/RealPlayer.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class tst_PlayerSound : public QObject {
    Q_OBJECT
private slots:
    void heardAtTheVolumesSetForEachChannel() {
        if (qEnvironmentVariableIsEmpty("QUENZO_TEST_SOUND"))
            QFAIL("Needs the test services' PulseAudio null sink \"quenzo_null\": run it "
                  "through scripts/test. Exclude it elsewhere with ctest -LE sound.");
        // Both channels of the fixture are equally loud (tst_Mp3Play hears it so).
        const QString tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
        QTemporaryDir dir;
        const QString wav = dir.filePath("heard.wav");
        QProcess recorder;
        recorder.start("parecord",
                       {"--latency-msec=20", "-d", "quenzo_null.monitor", "--format=s16le",
                        "--rate=44100", "--channels=2", "--file-format=wav", wav});
        QVERIFY2(recorder.waitForStarted(), "parecord did not start");
        const auto recorded = [&wav] { return QFileInfo(wav).size(); };
        QTRY_VERIFY_WITH_TIMEOUT(recorded() > 44100 * 4 / 10, 10000);

        std::unique_ptr<Mp3Player> player = makeMp3Play();
        QSignalSpy ended(player.get(), &Mp3Player::TrackEnded);
        player->SetVolume(32000, 8000);
        QCOMPARE(player->Open(tone, {}), 0);
        QCOMPARE(player->Play(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, player->Length() + 10000);
        // Ended once the last sample was played: give the recorder time to write it out.
        const qint64 atEnd = recorded();
        QTRY_VERIFY_WITH_TIMEOUT(recorded() > atEnd + 44100 * 4 / 2, 10000);
        recorder.terminate();
        QVERIFY(recorder.waitForFinished(5000));
        QCOMPARE(ended.count(), 1);

        QFile file(wav);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // To the end of the file: a recorder stopped by a signal may leave the size unset.
        const QByteArray all = file.readAll(), pcm = all.mid(all.indexOf("data") + 8);
        const auto *heard = reinterpret_cast<const qint16 *>(pcm.constData());
        qint64 first = -1, last = -1;
        for (qint64 i = 0; i < pcm.size() / 4; ++i)
            if (std::abs(heard[2 * i]) > 2000)
                last = i, first = first < 0 ? i : first;
        const double heardMs = double(last - first + 1) * 1000.0 / 44100;
        const qint64 edge = (last - first) / 10;
        double sum[2] = {0, 0};
        for (qint64 i = 2 * (first + edge); i < 2 * (last - edge); ++i)
            sum[i % 2] += double(heard[i]) * heard[i];
        const double ratio = std::sqrt(sum[1] / sum[0]);
        qInfo("heard %.0f of %d ms, the right at %.3f of the left", heardMs, player->Length(),
              ratio);
        QVERIFY(std::abs(heardMs / player->Length() - 1) <= 0.05);
        QVERIFY(std::abs(ratio / 0.25 - 1) <= 0.10);
    }
};

QTEST_GUILESS_MAIN(tst_PlayerSound)
#include "tst_PlayerSound.moc"
