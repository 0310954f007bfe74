// The real player on the window, on a sound server of the test's own whose devices go and come
// as headphones or a USB speaker do. Looping is on: a failure must never start the track again.
#include "player/RealPlayer.h"
#include "support/Fakes.h"
#include "support/SoundServer.h"

#include <QAudioDevice>
#include <QMediaDevices>

class tst_SoundDevices : public QObject {
    Q_OBJECT
    SoundServer m_server;
    std::unique_ptr<Mp3Player> m_player;
    std::unique_ptr<TestWindow> m_w;
    int m_ends = 0;

    QString face() { return m_w->ui().Mp3Play1->accessibleName().section("：", 1); }
    int shownSeconds() { // the position read-out, "2分5秒"
        const QStringList parts = m_w->ui().Text7->text().split(QRegularExpression("[分秒]"));
        return parts.size() < 2 ? -1 : parts[0].toInt() * 60 + parts[1].toInt();
    }
    bool play() {
        QTest::mouseClick(m_w->ui().Command9, Qt::LeftButton);
        return QTest::qWaitFor([this] { return shownSeconds() >= 2; }, 10000);
    }
    // Whether the window goes on as it is for a second and a half: no message, no new start.
    bool staysStopped() {
        return !QTest::qWaitFor([this] { return face() != "停止" || m_w->messages().size() > 1; },
                                1500);
    }

private slots:
    void initTestCase() { QVERIFY(m_server.start({"speakers", "headphones"})); }
    void init() {
        m_player = makeMp3Play();
        m_ends = 0;
        connect(m_player.get(), &Mp3Player::TrackEnded, this, [this] { ++m_ends; });
        m_w = std::make_unique<TestWindow>(m_player.get());
        m_w->dialog.fileName = QUENZO_FIXTURES "/long-8k.mp3";
        m_w->ui().Command12->click();
    }
    void cleanup() {
        SoundServer::end(m_server.recorders);
        m_w.reset();
        m_player.reset();
    }

    // Each channel as loud as its slider says (the file's two are equal), the whole tone heard.
    void heardAtEachChannelsVolumeToTheEnd() {
        QVERIFY(m_server.record("speakers"));
        m_w->dialog.fileName = QUENZO_FIXTURES "/tone-lr.mp3";
        QCOMPARE(m_w->run("loop, left slider 320, right slider 80, play"), QString());
        QTRY_COMPARE_WITH_TIMEOUT(m_ends, 1, 10000);
        const QByteArray &pcm = m_server.heard["speakers"];
        const qsizetype atEnd = pcm.size();
        QTRY_VERIFY(pcm.size() > atEnd + 44100 * 4 / 2); // and half a second after
        const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
        qint64 first = -1, last = -1;
        double sum[2] = {0, 0};
        for (qint64 i = 0; i < pcm.size() / 2; ++i) {
            sum[i % 2] += double(s[i]) * s[i];
            if (std::abs(s[i]) > 2000)
                (first < 0 ? first : last) = i / 2;
        }
        QCOMPARE_GE((last - first) * 1000 / 44100, 1950); // the tone lasts 2 s
        QCOMPARE_LE((last - first) * 1000 / 44100, 2050);
        const double rightToLeft = std::sqrt(sum[1] / sum[0]);
        QCOMPARE_GE(rightToLeft, 0.2); // 0.25, give or take what a busy machine drops
        QCOMPARE_LE(rightToLeft, 0.3);
    }

    // PulseAudio moves the stream itself; the player must neither stop nor say anything.
    void playsOnWhenItsDeviceGoesAndAnotherIsLeft() {
        QVERIFY(m_server.record("headphones"));
        QVERIFY(play());
        const int before = shownSeconds();
        QVERIFY(m_server.removeSink("speakers"));
        QTRY_VERIFY_WITH_TIMEOUT(firstSound(m_server.heard["headphones"]) >= 0, 5000);
        QTRY_VERIFY(shownSeconds() >= before + 2);
        QCOMPARE(face(), "正在播放");
        QCOMPARE(m_w->messages(), QStringList());
    }

    void stopsAndSaysSoWhenNoDeviceIsLeft() {
        QVERIFY(play());
        const int before = shownSeconds();
        QVERIFY(m_server.removeSink("headphones"));
        QTRY_COMPARE(face(), "停止");
        QCOMPARE(m_w->messages(), QStringList("无法播放：没有找到声音设备。"));
        const int kept = shownSeconds();
        QCOMPARE_GE(kept, before); // what was heard, not the start again
        QVERIFY(staysStopped());
        QCOMPARE(shownSeconds(), kept);
        QCOMPARE(m_ends, 0);
    }

    void playsAgainWhenADeviceComesBack() {
        QTest::mouseClick(m_w->ui().Command9, Qt::LeftButton);
        QCOMPARE(m_w->messages(), QStringList("无法播放：没有找到声音设备。"));
        QVERIFY(m_server.addSink("usb"));
        QTRY_VERIFY(!QMediaDevices::audioOutputs().isEmpty()); // Qt has seen it
        QVERIFY(m_server.record("usb"));
        QVERIFY(play());
        QCOMPARE(face(), "正在播放");
        QTRY_VERIFY(firstSound(m_server.heard["usb"]) >= 0);
        QCOMPARE(m_w->messages().size(), 1);
    }

    void stopsAndSaysSoWhenTheSoundServerEnds() {
        QVERIFY(play());
        const int before = shownSeconds();
        m_server.stop();
        QTRY_COMPARE(face(), "停止");
        QCOMPARE(m_w->messages(), QStringList("无法播放：没有找到声音设备。"));
        QCOMPARE_GE(shownSeconds(), before);
        QVERIFY(staysStopped());
        QCOMPARE(m_ends, 0);
    }
};

QTEST_MAIN(tst_SoundDevices)
#include "tst_SoundDevices.moc"
