#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "player/PlayerPanel.h"
#include "player/PlayerStatus.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

namespace {

// Both fakes write every call, in order, to one log.
class FakePlayer final : public Mp3Player {
public:
    int Open(const QString &path, const QString &s) override {
        return log("Open " + path + s), openStatus;
    }
    int Play() override { return log("Play"), playStatus; }
    void Pause() override { log("Pause"); }
    void Stop() override {
        log("Stop");
        onStop();
    }
    qint32 Length() const override { return log("Length"), 185000; }
    qint32 PositionRange() const override { return log("PositionRange"), range; }
    qint32 LeftVolume() const override { return log("LeftVolume"), left; }
    qint32 RightVolume() const override { return log("RightVolume"), right; }
    int SetVolume(qint32 l, qint32 r) override {
        return log(QStringLiteral("SetVolume %1 %2").arg(l).arg(r)), 0;
    }
    void log(const QString &call) const { calls << call; }

    mutable QStringList calls;
    int openStatus = 0, playStatus = 0;
    qint32 range = 1000, left = 1000, right = 1000;
    std::function<void()> onStop = [] {};
};

class FakeDialog final : public OpenDialog {
public:
    explicit FakeDialog(FakePlayer &p)
        : player(p) {}
    void setFilter(const QString &f) override { player.log("Filter " + f); }
    void ShowOpen() override { player.log("ShowOpen"); }
    QString FileName() const override { return fileName; }
    FakePlayer &player;
    QString fileName = "a.mp3";
};

QColor face(QPushButton *b) {
    return b->palette().color(QPalette::Button);
}

} // namespace

class tst_PlayerPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() {
        delete m_window;
        delete m_dialog;
    }
    void play_data();
    void play();
    void loopStopAndTrackEnd();
    void positionAndSliders();

private:
    QWidget *m_window = nullptr;
    PlayerWidgets m_ui;
    FakePlayer *m_player = nullptr;
    FakeDialog *m_dialog = nullptr;
    qint16 m_loop = 0;
    QStringList m_messages;
};

void tst_PlayerPanel::init() {
    m_window = new QWidget;
    auto button = [this] { return new QPushButton(m_window); };
    auto slider = [this] {
        auto *s = new QScrollBar(m_window);
        s->setRange(1, 320);
        s->setValue(10);
        return s;
    };
    m_ui = {button(),
            button(),
            button(),
            button(),
            button(),
            new QLineEdit("old", m_window),
            new QLineEdit("old", m_window),
            slider(),
            slider()};
    m_player = new FakePlayer;
    m_player->setParent(m_window);
    m_dialog = new FakeDialog(*m_player);
    m_loop = 0;
    m_messages.clear();
    auto *panel = new PlayerPanel(m_ui, m_loop, *m_player, *m_dialog, m_window);
    panel->setShowMessage([this](const QString &text) { m_messages << text; });
}

void tst_PlayerPanel::play_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("openStatus");
    QTest::addColumn<int>("playStatus");
    QTest::addColumn<qint32>("left");
    QTest::addColumn<qint32>("right");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("message"); // a word of it
    const QStringList played = {"Open a.mp3", "Play", "LeftVolume"};
    QTest::newRow("volumes as the sliders stand")
        << "a.mp3" << 0 << 0 << 1000 << 1000 << played + QStringList{"RightVolume", "Length"} << "";
    QTest::newRow("left read back and sent before the right is read")
        << "a.mp3" << 0 << 0 << 6000 << 40000
        << played +
               QStringList{"SetVolume 6000 1000", "RightVolume", "SetVolume 6000 32000", "Length"}
        << "";
    QTest::newRow("no file chosen") << "" << int(PlayerStatus::NoFileChosen) << 0 << 6000 << 1000
                                    << QStringList{"Open "} << "打开";
    QTest::newRow("not an MP3") << "a.mp3" << int(PlayerStatus::NotMp3) << 0 << 6000 << 1000
                                << QStringList{"Open a.mp3"} << "“a.mp3”";
    QTest::newRow("no sound device") << "a.mp3" << 0 << int(PlayerStatus::NoSoundDevice) << 6000
                                     << 1000 << QStringList{"Open a.mp3", "Play"} << "声音设备";
}

void tst_PlayerPanel::play() {
    QFETCH(QString, file);
    QFETCH(int, openStatus);
    QFETCH(int, playStatus);
    QFETCH(qint32, left);
    QFETCH(qint32, right);
    QFETCH(QStringList, calls);
    QFETCH(QString, message);
    m_dialog->fileName = file;
    m_player->openStatus = openStatus;
    m_player->playStatus = playStatus;
    m_player->left = left;
    m_player->right = right;
    m_ui.Command9->click();
    QCOMPARE(m_player->calls, calls);
    QCOMPARE(m_ui.Text6->text(), message.isEmpty() ? "3分5秒" : "old");
    QCOMPARE(m_messages.size(), message.isEmpty() ? 0 : 1);
    QVERIFY(m_messages.join("").contains(message));
}

void tst_PlayerPanel::loopStopAndTrackEnd() {
    m_ui.Command8->click(); // open asks the dialog only
    m_ui.Command10->click();
    QCOMPARE(m_player->calls, QStringList({"Filter mp3_files(*.mp3)", "ShowOpen", "Pause"}));
    m_player->calls.clear();
    m_player->TrackEnded(); // not looping: nothing
    QVERIFY(m_player->calls.isEmpty());

    m_ui.Command12->click();
    QCOMPARE(m_loop, -1);
    QCOMPARE(face(m_ui.Command12), QColor(255, 0, 0));
    m_dialog->fileName = "b.mp3"; // chosen while the track plays: the one that repeats
    m_player->TrackEnded();
    QCOMPARE(m_player->calls.mid(0, 2), QStringList({"Open b.mp3", "Play"}));

    QString atStop;
    m_player->onStop = [&] { atStop = QString::number(m_loop) + face(m_ui.Command12).name(); };
    m_ui.Command11->click();
    QCOMPARE(atStop, "0#e0e0e0"); // looping off before Stop reaches the component
    m_ui.Command11->click();
    m_ui.Command12->click();
    m_ui.Command12->click();
    QCOMPARE(m_loop, 0);
    QCOMPARE(face(m_ui.Command12), QColor(224, 224, 224));
}

void tst_PlayerPanel::positionAndSliders() {
    m_player->PositionChanged(0);
    QCOMPARE(m_ui.Text7->text(), "0分1秒"); // one second ahead
    m_player->PositionChanged(1000);
    QCOMPARE(m_ui.Text7->text(), "3分6秒");
    QCOMPARE(m_player->calls.mid(0, 2), QStringList({"PositionRange", "Length"}));
    m_player->range = 0;
    m_player->PositionChanged(500);
    QCOMPARE(m_ui.Text7->text(), "3分6秒");

    m_player->calls.clear();
    m_ui.HScroll2->setValue(25);
    m_ui.HScroll1->setValue(320);
    QCOMPARE(m_player->calls, QStringList({"SetVolume 1000 2500", "SetVolume 32000 2500"}));
}

QTEST_MAIN(tst_PlayerPanel)
#include "tst_PlayerPanel.moc"
