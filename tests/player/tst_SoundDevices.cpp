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
        m_w.reset();
        m_player.reset();
    }

    // PulseAudio moves the stream itself; the player must neither stop nor say anything.
    void playsOnWhenItsDeviceGoesAndAnotherIsLeft() {
        QVERIFY(play());
        const int before = shownSeconds();
        QVERIFY(m_server.removeSink("speakers"));
        QTRY_VERIFY(shownSeconds() >= before + 2); // heard on the other: its sink plays it
        QCOMPARE(face(), "正在播放");
        QCOMPARE(m_w->messages(), QStringList());
    }

    // With no device left, or no server, playing stops and says so once; what was heard stays
    // on show and looping does not start it again. A device come back plays at the next 播放.
    void stopsAndSaysSo_data() {
        QTest::addColumn<QString>("gone");
        QTest::newRow("the last device taken away") << "headphones";
        QTest::newRow("the sound server ended") << "server";
    }
    void stopsAndSaysSo() {
        QFETCH(QString, gone);
        QVERIFY(play());
        const int before = shownSeconds();
        if (gone == "server")
            m_server.stop();
        else
            QVERIFY(m_server.removeSink(gone));
        QTRY_COMPARE(face(), "停止");
        QCOMPARE(m_w->messages(), QStringList("无法播放：没有找到声音设备。"));
        const int kept = shownSeconds();
        QCOMPARE_GE(kept, before); // what was heard, not the start again
        QVERIFY(!QTest::qWaitFor([this] { return face() != "停止" || m_w->messages().size() > 1; },
                                 1500));
        QCOMPARE(shownSeconds(), kept);
        QCOMPARE(m_ends, 0);
        if (gone == "server")
            return;
        QVERIFY(m_server.addSink("usb"));
        QTRY_VERIFY(!QMediaDevices::audioOutputs().isEmpty()); // Qt has seen it
        QVERIFY(play());                                       // two seconds heard there
        QCOMPARE(m_w->messages().size(), 1);
    }
};

QTEST_MAIN(tst_SoundDevices)
#include "tst_SoundDevices.moc"
