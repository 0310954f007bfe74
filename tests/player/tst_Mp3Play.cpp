// The real component on the committed fixtures, its output played by hand.
#include "player/Mp3Decoder.h"
#include "player/PlayerStatus.h"
#include "support/Fakes.h"

const QString Tone = QUENZO_FIXTURES "/tone-lr.mp3", Mono = QUENZO_FIXTURES "/mono-8k.mp3";

class tst_Mp3Play : public QObject {
    Q_OBJECT
    HandPlayed m_hand;
    Mp3Play &m_player = m_hand.player;
    QStringList m_events;
    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes) {
        QFile file(m_dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                   ? file.fileName()
                   : "";
    }

private slots:
    void initTestCase() {
        connect(&m_player, &Mp3Player::TrackEnded, this, [this] {
            m_events << "ended";
            QVERIFY(m_hand.output()->heard >= m_player.PositionRange()); // all of it heard first
        });
        connect(&m_player, &Mp3Player::FileChecked, this, [this](const QString &path, int status) {
            m_events << QString("checked %1 %2").arg(QFileInfo(path).fileName()).arg(status);
        });
        connect(&m_player, &Mp3Player::StateChanged, this,
                [this](PlayState s) { m_events << QString("state %1").arg(int(s)); });
    }
    void init() { m_events.clear(); }

    // The length is what decodes, to the frame: MPEG-1 stereo with a length header, MPEG-2.5
    // mono without, the stereo one with its header wiped, and one frame alone. Without the
    // header Open gives an estimate until the file is read through, once: a second Open
    // knows it at once.
    void lengthIsTheDecodedCount() {
        QByteArray headerless = bytesOf(Tone);
        headerless.replace(headerless.indexOf("Xing"), 4, QByteArray(4, '\0'));
        for (const auto &[file, rate] : {std::pair{Tone, 44100},
                                         {Mono, 8000},
                                         {write("headerless.mp3", headerless), 44100},
                                         {write("one-frame.mp3", bytesOf(Mono).left(72)), 8000}}) {
            Mp3Decoder decoder;
            qint16 buffer[2 * 512];
            qint64 frames = 0;
            QCOMPARE(decoder.open(file), PlayerStatus::Ok);
            while (const qint64 n = decoder.readFrames(buffer, 512))
                frames += n;
            QCOMPARE(m_player.Open(file, {}), 0);
            QTRY_COMPARE(m_events, QStringList("checked " + QFileInfo(file).fileName() + " 0"));
            QCOMPARE(m_player.PositionRange(), frames);
            QCOMPARE(m_player.Length(), qRound(frames * 1000.0 / rate));
            m_events.clear();
            m_player.Stop();
            QCOMPARE(m_player.Open(file, {}), 0);
            QCOMPARE(m_player.PositionRange(), frames);
        }
    }

    void playPauseStop() {
        m_player.SetVolume(99999, 8000);
        QCOMPARE(m_player.Open(Tone, {}), 0);
        QCOMPARE(m_player.Play(), 0);
        m_hand.output()->play(1000);
        QTRY_VERIFY(!m_hand.positions.isEmpty() &&
                    m_hand.positions.last() == 44100); // heard, in frames
        // The fixture's channels are equally loud; the left is held at 32000.
        QVERIFY(qAbs(std::sqrt(m_hand.output()->loudness[1] / m_hand.output()->loudness[0]) -
                     0.25) < 0.01);
        m_player.Pause();
        QVERIFY(m_hand.output()->suspended);
        QCOMPARE(m_player.Open(Tone, {}), 0); // the paused file: Play resumes it
        QCOMPARE(m_player.Play(), 0);
        QCOMPARE(m_hand.outputs.size(), 1);
        QVERIFY(m_hand.playToEnd());
        QVERIFY(std::is_sorted(m_hand.positions.begin(), m_hand.positions.end()));
        QCOMPARE(m_hand.positions.last(), m_player.PositionRange());
        QTRY_VERIFY(m_hand.outputs[0].isNull()); // released after the end
        QCOMPARE(m_events.join(", "), "state 1, state 2, state 1, state 0, ended");

        m_player.SetVolume(0, 32000);
        // After the end, after Stop, or while playing: Open starts over on a fresh output.
        for (const QString &file : {Tone, Tone, Mono}) {
            QCOMPARE(m_player.Open(file, {}), 0);
            QCOMPARE(m_player.Play(), 0);
            m_hand.output()->play(300);
            if (m_hand.outputs.size() == 2)
                m_player.Stop();
        }
        QCOMPARE(m_hand.outputs.size(), 4);
        QCOMPARE(m_hand.output()->rate, 8000);
        QVERIFY(m_hand.output()->loudness[0] == 0 &&
                m_hand.output()->loudness[1] > 0); // mono on the right only
        QTRY_VERIFY(m_hand.outputs[1].isNull() && m_hand.outputs[2].isNull());
        m_player.Stop();
        QTRY_VERIFY(m_hand.outputs[3].isNull());
        QCOMPARE(m_player.Open(Tone + ".missing", {}), int(PlayerStatus::FileMissing));
        QVERIFY(m_player.Length() == 0 && m_player.PositionRange() == 1);

        FakeOutput::available = false;
        QCOMPARE(m_player.Open(Tone, {}), 0);
        QCOMPARE(m_player.Play(), int(PlayerStatus::NoSoundDevice));
        FakeOutput::available = true;
    }

    // Looping through the panel: the end of the track plays it again, on a fresh output
    // that stays playing after the end event has been handled.
    void loopsOnTheWindow() {
        TestWindow w(&m_player);
        w.dialog.fileName = Tone;
        w.ui().Command12->click();
        w.ui().Command9->click();
        QCOMPARE(w.ui().Text6->text(), "0分2秒");
        const qsizetype outputs = m_hand.outputs.size();
        QVERIFY(m_hand.playToEnd());
        QCOMPARE(m_hand.outputs.size(), outputs + 1);
        QVERIFY(m_hand.output()->source);
        QCOMPARE(w.ui().Mp3Play1->accessibleName(), "音乐播放器：正在播放");
        w.ui().Command11->click();
        QCOMPARE(w.ui().Mp3Play1->accessibleName(), "音乐播放器：停止");
    }
};

QTEST_MAIN(tst_Mp3Play)
#include "tst_Mp3Play.moc"
