// Plays the fixture through the system's sound output into the test services' null sink
// and records the sink's monitor: what a listener would hear.
#include "player/Mp3Player.h"
#include "player/RealPlayer.h"

#include <QtTest>

class tst_PlayerSound : public QObject {
    Q_OBJECT
private slots:
    void heardAtTheVolumesSetForEachChannel() {
        if (qEnvironmentVariableIsEmpty("QUENZO_TEST_SOUND"))
            QFAIL("Needs the PulseAudio null sink of scripts/test; elsewhere: ctest -LE sound.");
        QTemporaryDir dir;
        const QString wav = dir.filePath("heard.wav");
        QProcess recorder;
        recorder.start("parecord",
                       {"--latency-msec=20", "-d", "quenzo_null.monitor", "--format=s16le",
                        "--rate=44100", "--channels=2", "--file-format=wav", wav});
        const auto recorded = [&wav] { return QFileInfo(wav).size(); };
        QTRY_VERIFY_WITH_TIMEOUT(recorded() > 44100 * 4 / 10, 10000);

        std::unique_ptr<Mp3Player> player = makeMp3Play();
        QSignalSpy ended(player.get(), &Mp3Player::TrackEnded);
        player->SetVolume(32000, 8000); // the fixture's two channels are equally loud
        QCOMPARE(player->Open(QUENZO_FIXTURES "/tone-lr.mp3", {}), 0);
        QCOMPARE(player->Play(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, player->Length() + 10000);
        const qint64 atEnd = recorded(); // ended once the last sample was played: let it be written
        QTRY_VERIFY_WITH_TIMEOUT(recorded() > atEnd + 44100 * 4 / 2, 10000);
        recorder.terminate();
        QVERIFY(recorder.waitForFinished(5000));
        QFile file(wav);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // To the end of the file: a recorder stopped by a signal may leave the size unset.
        const QByteArray all = file.readAll(), pcm = all.mid(all.indexOf("data") + 8);
        const auto *heard = reinterpret_cast<const qint16 *>(pcm.constData());
        qint64 first = -1, last = -1;
        for (qint64 i = 0; i < pcm.size() / 4; ++i)
            if (std::abs(heard[2 * i]) > 2000)
                last = i, first = first < 0 ? i : first;
        double sum[2] = {0, 0};
        for (qint64 i = 2 * (first + (last - first) / 10); i < 2 * (last - (last - first) / 10);
             ++i)
            sum[i % 2] += double(heard[i]) * heard[i];
        const double heardMs = double(last - first + 1) * 1000.0 / 44100,
                     ratio = std::sqrt(sum[1] / sum[0]);
        qInfo("heard %.0f of %d ms, the right at %.3f of the left", heardMs, player->Length(),
              ratio);
        QVERIFY(std::abs(heardMs / player->Length() - 1) <= 0.05 &&
                std::abs(ratio / 0.25 - 1) <= 0.10);
        QCOMPARE(ended.count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_PlayerSound)
#include "tst_PlayerSound.moc"
