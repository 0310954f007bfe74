// The real component on the committed fixtures, with an output the test plays by hand.
#include "FakeOutput.h"
#include "player/Mp3Decoder.h"
#include "player/Mp3Play.h"
#include "player/PlayerStatus.h"

#include <QPointer>
#include <QTest>

static const QString Tone = QStringLiteral(QUENZO_PLAYER_FIXTURES "/tone-lr.mp3");
static const QString Mono = QStringLiteral(QUENZO_PLAYER_FIXTURES "/mono-8k.mp3");

class tst_Mp3Play : public QObject {
    Q_OBJECT
    std::unique_ptr<Mp3Play> m_player;
    QList<QPointer<FakeOutput>> m_outputs;
    QList<qint32> m_positions;
    int m_ends = 0;

    FakeOutput *output() { return m_outputs.last(); }

private slots:
    void initTestCase() {
        const auto make = [this](int r) {
            return m_outputs << new FakeOutput, output()->rate = r, output();
        };
        m_player = std::make_unique<Mp3Play>(make, Mp3Play::Options{5});
        connect(m_player.get(), &Mp3Player::PositionChanged, this,
                [this](qint32 v) { m_positions << v; });
        connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] {
            ++m_ends;
            QVERIFY(output()->heard >= m_player->PositionRange()); // all of it heard first
        });
    }

    // MPEG-1 stereo VBR with an ID3 tag, and MPEG-2.5 mono.
    void lengthIsTheDecodedCount() {
        for (const auto &[file, rate] : {std::pair{Tone, 44100}, {Mono, 8000}}) {
            Mp3Decoder decoder;
            QCOMPARE(decoder.open(file), PlayerStatus::Ok);
            qint16 buf[2 * 512];
            qint64 frames = 0;
            while (const qint64 n = decoder.readFrames(buf, 512))
                frames += n;
            QCOMPARE(m_player->Open(file, {}), 0);
            QCOMPARE(m_player->PositionRange(), frames);
            QCOMPARE(m_player->Length(), qRound(frames * 1000.0 / rate));
        }
    }

    void playPauseStop() {
        m_player->SetVolume(99999, 8000);
        QCOMPARE(m_player->Open(Tone, {}), 0);
        QCOMPARE(m_player->Play(), 0);
        output()->play(1000);
        QTRY_VERIFY(!m_positions.isEmpty() && m_positions.last() == 44100); // heard, in frames
        // The fixture's channels are equally loud; the left is held at 32000.
        QVERIFY(qAbs(std::sqrt(output()->loudness[1] / output()->loudness[0]) - 0.25) < 0.01);
        m_player->Pause();
        QVERIFY(output()->suspended);
        QCOMPARE(m_player->Open(Tone, {}), 0); // the paused file: Play resumes it
        QCOMPARE(m_player->Play(), 0);
        QCOMPARE(m_outputs.size(), 1);
        for (int step = 0; step < 300 && m_ends == 0; ++step) {
            const qsizetype before = m_positions.size();
            output()->play(100);
            QVERIFY(QTest::qWaitFor([&] { return m_positions.size() > before; }, 2000));
        }
        QCOMPARE(m_ends, 1);
        QVERIFY(std::is_sorted(m_positions.begin(), m_positions.end()));
        QCOMPARE(m_positions.last(), m_player->PositionRange());
        QTRY_VERIFY(m_outputs[0].isNull()); // released after the end

        m_player->SetVolume(-5, 32000);
        // After the end, after Stop, or while playing: Open starts over on a fresh output.
        for (const QString &file : {Tone, Tone, Mono}) {
            QCOMPARE(m_player->Open(file, {}), 0);
            QCOMPARE(m_player->Play(), 0);
            output()->play(300);
            if (m_outputs.size() == 2)
                m_player->Stop();
        }
        QCOMPARE(m_outputs.size(), 4);
        QCOMPARE(output()->rate, 8000);
        QVERIFY(output()->loudness[0] == 0 && output()->loudness[1] > 0); // mono on the right
        QTRY_VERIFY(m_outputs[1].isNull() && m_outputs[2].isNull());
        QCOMPARE(m_ends, 1);

        m_player->Stop();
        FakeOutput::available = false;
        QCOMPARE(m_player->Open(Tone, {}), 0);
        QCOMPARE(m_player->Play(), int(PlayerStatus::NoSoundDevice));
    }
};

QTEST_GUILESS_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
