// The panel over a fake component, and the arithmetic it shows with.
#include "player/PlayerPanel.h"
#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"
#include "support/Fakes.h"

#include <QTest>
#include <QtWidgets>

class tst_PlayerPanel : public QObject {
    Q_OBJECT
    QWidget *w = nullptr;
    PlayerWidgets m_ui;
    RecordingPlayer *m_player = nullptr;
    ScriptedDialog m_dialog;
    qint16 m_loop = 0;

private slots:
    void init() {
        m_dialog.fileName = "a.mp3";
        w = new QWidget;
        m_ui = {new QPushButton(w),      new QPushButton(w), new QPushButton(w),
                new QPushButton(w),      new QPushButton(w), new QLineEdit("old", w),
                new QLineEdit("old", w), new QScrollBar(w),  new QScrollBar(w)};
        for (QScrollBar *s : {m_ui.HScroll1, m_ui.HScroll2})
            s->setRange(1, 320), s->setValue(10);
        m_player = new RecordingPlayer;
        m_player->setParent(w);
        m_player->left = 6000;
        m_player->right = 40000;
        (new PlayerPanel(m_ui, m_loop, *m_player, m_dialog, w))
            ->setShowMessage([this](const QString &text) { m_player->log("Message " + text); });
    }
    void cleanup() { delete w; }

    void formatMinSec_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text"); // empty: does not fit 32 bits
        QTest::newRow("half to even, up") << 59999.5 << "1分0秒";
        QTest::newRow("half to even, down, seconds cut") << 59998.5 << "0分59秒";
        QTest::newRow("negative keeps its sign") << -61000.0 << "-1分-1秒";
        QTest::newRow("largest 32-bit, in minutes") << 2147483647.0 << "35791分23秒";
        QTest::newRow("past 32 bits") << 2147483647.6 << "";
    }
    void formatMinSec() {
        QFETCH(double, ms);
        QFETCH(QString, text);
        QCOMPARE(FormatMinSec(ms).value_or(QString()), text);
    }

    void volumeReadBack_data() {
        QTest::addColumn<qint32>("volume");
        QTest::addColumn<int>("slider");
        QTest::newRow("the writer's factor 100, not 120") << 6000 << 60;
        QTest::newRow("half to even, down") << 250 << 2;
        QTest::newRow("half to even, up") << 350 << 4;
        QTest::newRow("above: 320") << 40000 << 320;
        QTest::newRow("below: 1") << 40 << 1;
    }
    void volumeReadBack() {
        QFETCH(qint32, volume);
        QFETCH(int, slider);
        QCOMPARE(volumeToSlider(volume), slider);
        QCOMPARE(sliderToVolume(slider), slider * 100); // so Play never moves a slider
    }

    void play_data() {
        QTest::addColumn<int>("openStatus");
        QTest::addColumn<int>("playStatus");
        QTest::addColumn<QString>("calls");
        QTest::newRow("left read back and sent before the right is read")
            << 0 << 0
            << "Open a.mp3, Play, LeftVolume, SetVolume 6000 1000, RightVolume, "
               "SetVolume 6000 32000, Length";
        QTest::newRow("no sound device")
            << 0 << int(PlayerStatus::NoSoundDevice)
            << "Open a.mp3, Play, Message 无法播放：没有找到声音设备。";
    }
    void play() {
        QFETCH(int, openStatus);
        QFETCH(int, playStatus);
        QFETCH(QString, calls);
        m_player->openStatus = openStatus;
        m_player->playStatus = playStatus;
        m_ui.Command9->click();
        QCOMPARE(m_player->calls, calls);
        QCOMPARE(m_ui.Text6->text(), calls.contains("Message") ? "old" : "3分5秒");
    }

    void buttonsAndEvents() {
        m_ui.Command8->click(); // asks the dialog only
        QCOMPARE(m_dialog.filter, "mp3_files(*.mp3)");
        QCOMPARE(m_dialog.shown, 1);
        m_ui.Command10->click();
        emit m_player->TrackEnded(); // not looping: nothing
        QCOMPARE(m_player->calls, "Pause");

        m_ui.Command12->click();
        QCOMPARE(m_loop, -1);
        QCOMPARE(m_ui.Command12->palette().color(QPalette::Button), QColor(255, 0, 0));
        m_dialog.fileName = "b.mp3"; // chosen while the track plays: the one that repeats
        m_player->calls.clear();
        emit m_player->TrackEnded();
        QVERIFY(m_player->calls.startsWith("Open b.mp3, Play"));

        m_player->calls.clear();
        m_ui.Command11->click(); // looping off before Stop reaches the component
        QCOMPARE(m_player->calls, "Stop");
        QCOMPARE(m_loop, 0);
        QCOMPARE(m_ui.Command12->palette().color(QPalette::Button), QColor(224, 224, 224));

        emit m_player->PositionChanged(0);
        QCOMPARE(m_ui.Text7->text(), "0分1秒"); // one second ahead
        emit m_player->PositionChanged(1000);
        QCOMPARE(m_ui.Text7->text(), "3分6秒");
        m_player->range = 0;
        emit m_player->PositionChanged(500);
        QCOMPARE(m_ui.Text7->text(), "3分6秒");
        m_player->calls.clear();
        m_ui.HScroll2->setValue(25);
        m_ui.HScroll1->setValue(320);
        QCOMPARE(m_player->calls, "SetVolume 6000 2500, SetVolume 32000 2500");
    }
};

QTEST_MAIN(tst_PlayerPanel)
#include "tst_PlayerPanel.moc"
