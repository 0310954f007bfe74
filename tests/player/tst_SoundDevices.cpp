// The real player on the window, on a sound server of the test's own whose devices go and come
// as headphones or a USB speaker do, and which ends and starts again. Looping is on: a failure
// must never start the track again.
#include "player/RealPlayer.h"
#include "support/Fakes.h"
#include "support/SoundServer.h"

class tst_SoundDevices : public QObject {
    Q_OBJECT
    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<Mp3Player> m_player;
    std::unique_ptr<TestWindow> m_w;

    QString face() { return m_w->ui().Mp3Play1->accessibleName().section("：", 1); }
    int shownSeconds() { // the position read-out, "2分5秒"
        const QStringList parts = m_w->ui().Text7->text().split(QRegularExpression("[分秒]"));
        return parts.size() < 2 ? -1 : parts[0].toInt() * 60 + parts[1].toInt();
    }
    // 播放, and the music heard on the sink for more than a second.
    bool playHeardOn(const QString &sink) {
        Listening on(*m_server, sink);
        const int from = shownSeconds();
        QTest::mouseClick(m_w->ui().Command9, Qt::LeftButton);
        return QTest::qWaitFor([&] { return on.heard && shownSeconds() >= from + 1; }, 10000);
    }

private slots:
    void init() {
        m_server = std::make_unique<SoundServer>();
        QVERIFY(m_server->start({"speakers", "headphones"}));
        m_player = makeMp3Play();
        m_w = std::make_unique<TestWindow>(m_player.get());
        m_w->dialog.fileName = QUENZO_FIXTURES "/long-8k.mp3";
        m_w->ui().Command12->click();
    }
    void cleanup() {
        m_w.reset();
        m_player.reset();
        m_server.reset();
    }

    // The server moves the stream where the system's default now is, the same stream; the player
    // neither stops nor says anything, and a pause holds nothing a change can break. Where nothing
    // is left to play on, playing stops and says so once, what was heard stays on show, and looping
    // does not start it again; once a sink or the server is back, the next 播放 is heard. A server
    // that does not answer is no sound device either, after two seconds.
    void followsTheServer_data() {
        addTable(R"(
row                                         | paused | change             | heardOn
the default changed                         |        | default headphones | headphones
the sink that plays taken away              |        | remove speakers    | headphones
paused, its sink taken away, then 播放      | yes    | remove speakers    | headphones
the last sink taken away                    |        | remove all         |
paused, the last sink taken away, then 播放 | yes    | remove all         |
the sound server ended                      |        | end                |
paused, the server not answering, then 播放 | yes    | hang               |
)");
    }
    void followsTheServer() {
        QFETCH(QString, paused);
        QFETCH(QString, change);
        QFETCH(QString, heardOn);
        QSignalSpy ends(m_player.get(), &Mp3Player::TrackEnded);
        QVERIFY(playHeardOn("speakers"));
        if (paused == "yes") {
            QTest::mouseClick(m_w->ui().Command10, Qt::LeftButton);
            QCOMPARE(face(), "暂停");
        }
        const int before = shownSeconds(), stream = m_server->streamIndex();
        const QString what = change.section(' ', 0, 0), sink = change.section(' ', 1);
        if (what == "default")
            QVERIFY(m_server->setDefault(sink));
        else if (what == "end")
            m_server->stop();
        else if (what == "hang")
            m_server->hang(true);
        for (const QString &gone :
             sink == "all" ? QStringList{"speakers", "headphones"} : QStringList{sink})
            QVERIFY(what != "remove" || m_server->removeSink(gone));
        if (!heardOn.isEmpty()) {
            Listening on(*m_server, heardOn);
            if (paused == "yes")
                QTest::mouseClick(m_w->ui().Command9, Qt::LeftButton);
            // Two seconds on, past the time it had to get ready in: the same stream still plays.
            QTRY_VERIFY_WITH_TIMEOUT(on.heard && shownSeconds() >= before + 2, 10000);
            QVERIFY(paused == "yes" || m_server->streamIndex() == stream);
            QCOMPARE(face(), "正在播放");
            QCOMPARE_TEXT(m_w->messages().join('\n'), "");
            return;
        }
        if (paused == "yes")
            QTest::mouseClick(m_w->ui().Command9, Qt::LeftButton);
        QTRY_COMPARE(face(), "停止");
        QCOMPARE_TEXT(m_w->messages().join('\n'), "无法播放：没有找到声音设备。");
        QTRY_VERIFY2(!heldOpen(m_w->dialog.fileName), "the file is kept open after the failure");
        const int kept = shownSeconds();
        QCOMPARE_GE(kept, before); // what was heard, not the start again
        QVERIFY(!QTest::qWaitFor([this] { return face() != "停止" || m_w->messages().size() > 1; },
                                 1500));
        QCOMPARE(shownSeconds(), kept);
        QCOMPARE(ends.size(), 0);
        if (what == "hang")
            m_server->hang(false);
        else
            QVERIFY(what == "end" ? m_server->start({"usb"}) : m_server->addSink("usb"));
        QVERIFY(playHeardOn(what == "hang" ? "speakers" : "usb"));
        QCOMPARE(m_w->messages().size(), 1);
    }
};

QTEST_MAIN(tst_SoundDevices)
#include "tst_SoundDevices.moc"
