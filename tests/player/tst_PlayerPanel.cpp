#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "player/PlayerPanel.h"
#include "player/PlayerStatus.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <memory>

namespace {

using Log = QStringList;

class FakePlayer final : public Mp3Player {
public:
    explicit FakePlayer(Log &log)
        : m_log(log) {}

    int Open(const QString &path, const QString &second) override {
        m_log << QStringLiteral("Open(%1,%2)").arg(path, second);
        return openStatus;
    }
    int Play() override {
        m_log << "Play";
        return playStatus;
    }
    void Pause() override { m_log << "Pause"; }
    void Stop() override {
        m_log << "Stop";
        if (onStop)
            onStop();
    }
    qint32 Length() const override {
        m_log << "Length";
        return length;
    }
    qint32 PositionRange() const override {
        m_log << "PositionRange";
        return range;
    }
    qint32 LeftVolume() const override {
        m_log << "LeftVolume";
        return left;
    }
    qint32 RightVolume() const override {
        m_log << "RightVolume";
        return right;
    }
    int SetVolume(qint32 l, qint32 r) override {
        m_log << QStringLiteral("SetVolume(%1,%2)").arg(l).arg(r);
        return 0;
    }

    void position(qint32 value) { Q_EMIT PositionChanged(value); }
    void end() { Q_EMIT TrackEnded(); }

    int openStatus = 0;
    int playStatus = 0;
    qint32 length = 185000;
    qint32 range = 1000;
    qint32 left = 1000;
    qint32 right = 1000;
    std::function<void()> onStop;

private:
    Log &m_log;
};

class FakeDialog final : public OpenDialog {
public:
    explicit FakeDialog(Log &log)
        : m_log(log) {}
    void setFilter(const QString &filter) override { m_log << "Filter=" + filter; }
    void ShowOpen() override { m_log << "ShowOpen"; }
    QString FileName() const override { return fileName; }
    QString fileName;

private:
    Log &m_log;
};

QColor face(QPushButton *b) {
    return b->palette().color(QPalette::Button);
}

const QColor Grey(224, 224, 224);
const QColor Red(255, 0, 0);

} // namespace

class tst_PlayerPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openOnlyShowsTheDialog();
    void play_data();
    void play();
    void failedPlayShowsWhy_data();
    void failedPlayShowsWhy();
    void sliderSendsBothChannels();
    void loopAndStop();
    void position_data();
    void position();
    void trackEnd();

private:
    QScrollBar *slider();
    Log m_log;
    QStringList m_messages;
    qint16 m_loop = 0;
    std::unique_ptr<QWidget> m_window;
    PlayerWidgets m_ui;
    std::unique_ptr<FakePlayer> m_player;
    std::unique_ptr<FakeDialog> m_dialog;
    PlayerPanel *m_panel = nullptr;
};

QScrollBar *tst_PlayerPanel::slider() {
    auto *s = new QScrollBar(Qt::Horizontal, m_window.get());
    s->setRange(1, 320);
    s->setValue(10);
    return s;
}

void tst_PlayerPanel::init() {
    m_log.clear();
    m_messages.clear();
    m_loop = 0;
    m_window = std::make_unique<QWidget>();
    auto button = [this] { return new QPushButton(m_window.get()); };
    m_ui = {button(),
            button(),
            button(),
            button(),
            button(),
            new QLineEdit(m_window.get()),
            new QLineEdit(m_window.get()),
            slider(),
            slider()};
    QPalette grey = m_ui.Command12->palette();
    grey.setColor(QPalette::Button, Grey);
    m_ui.Command12->setPalette(grey);
    m_ui.Text6->setText("old length");
    m_ui.Text7->setText("old position");
    m_player = std::make_unique<FakePlayer>(m_log);
    m_dialog = std::make_unique<FakeDialog>(m_log);
    m_dialog->fileName = "/music/a.mp3";
    m_panel = new PlayerPanel(m_ui, m_loop, *m_player, *m_dialog, m_window.get());
    m_panel->setShowMessage([this](const QString &text) { m_messages << text; });
}

void tst_PlayerPanel::cleanup() {
    m_window.reset();
    m_player.reset();
    m_dialog.reset();
}

void tst_PlayerPanel::openOnlyShowsTheDialog() {
    m_ui.Command8->click();
    QCOMPARE(m_log, Log({"Filter=mp3_files(*.mp3)", "ShowOpen"}));
    QCOMPARE(m_ui.Text6->text(), "old length");
}

void tst_PlayerPanel::play_data() {
    QTest::addColumn<qint32>("left");
    QTest::addColumn<qint32>("right");
    QTest::addColumn<Log>("calls");
    QTest::addColumn<int>("leftSlider");
    QTest::addColumn<int>("rightSlider");
    const Log open = {"Open(/music/a.mp3,)", "Play"};
    QTest::newRow("volumes as the sliders stand: nothing sent")
        << 1000 << 1000 << open + Log{"LeftVolume", "RightVolume", "Length"} << 10 << 10;
    QTest::newRow("left read back and sent before the right is read")
        << 6000 << 1000 << open + Log{"LeftVolume", "SetVolume(6000,1000)", "RightVolume", "Length"}
        << 60 << 10;
    QTest::newRow("both change: two sends")
        << 5000 << 32000
        << open + Log{"LeftVolume", "SetVolume(5000,1000)", "RightVolume", "SetVolume(5000,32000)",
                      "Length"}
        << 50 << 320;
    QTest::newRow("out of the sliders' range: clamped")
        << 40 << 40000
        << open + Log{"LeftVolume", "SetVolume(100,1000)", "RightVolume", "SetVolume(100,32000)",
                      "Length"}
        << 1 << 320;
}

void tst_PlayerPanel::play() {
    QFETCH(qint32, left);
    QFETCH(qint32, right);
    QFETCH(Log, calls);
    QFETCH(int, leftSlider);
    QFETCH(int, rightSlider);
    m_player->left = left;
    m_player->right = right;
    m_ui.Command9->click();
    QCOMPARE(m_log, calls);
    QCOMPARE(m_ui.HScroll1->value(), leftSlider);
    QCOMPARE(m_ui.HScroll2->value(), rightSlider);
    QCOMPARE(m_ui.Text6->text(), "3分5秒");
    QVERIFY(m_messages.isEmpty());

    // Playing again moves no slider: the read-back undoes exactly what was sent.
    const int l = m_ui.HScroll1->value();
    const int r = m_ui.HScroll2->value();
    m_player->left = l * 100;
    m_player->right = r * 100;
    m_log.clear();
    m_ui.Command9->click();
    QVERIFY(!m_log.join(' ').contains("SetVolume"));
    QCOMPARE(m_ui.HScroll1->value(), l);
    QCOMPARE(m_ui.HScroll2->value(), r);
}

void tst_PlayerPanel::failedPlayShowsWhy_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("openStatus");
    QTest::addColumn<int>("playStatus");
    QTest::addColumn<Log>("calls");
    QTest::addColumn<QString>("words");
    QTest::newRow("no file chosen")
        << "" << int(PlayerStatus::NoFileChosen) << 0 << Log{"Open(,)"} << "打开";
    QTest::newRow("not an mp3") << "/music/x.mp3" << int(PlayerStatus::NotMp3) << 0
                                << Log{"Open(/music/x.mp3,)"} << "“x.mp3”";
    QTest::newRow("no sound device") << "/music/a.mp3" << 0 << int(PlayerStatus::NoSoundDevice)
                                     << Log{"Open(/music/a.mp3,)", "Play"} << "声音设备";
}

void tst_PlayerPanel::failedPlayShowsWhy() {
    QFETCH(QString, file);
    QFETCH(Log, calls);
    QFETCH(QString, words);
    m_dialog->fileName = file;
    QFETCH(int, openStatus);
    QFETCH(int, playStatus);
    m_player->openStatus = openStatus;
    m_player->playStatus = playStatus;
    m_player->left = 6000;
    m_ui.Command9->click();
    QCOMPARE(m_log, calls);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(words), qPrintable(m_messages[0]));
    QCOMPARE(m_ui.Text6->text(), "old length");
    QCOMPARE(m_ui.HScroll1->value(), 10);
}

void tst_PlayerPanel::sliderSendsBothChannels() {
    m_ui.HScroll2->setValue(25);
    m_ui.HScroll1->setValue(320);
    QCOMPARE(m_log, Log({"SetVolume(1000,2500)", "SetVolume(32000,2500)"}));
}

void tst_PlayerPanel::loopAndStop() {
    m_ui.Command12->click();
    QCOMPARE(m_loop, -1);
    QCOMPARE(face(m_ui.Command12), Red);
    m_ui.Command12->click();
    QCOMPARE(m_loop, 0);
    QCOMPARE(face(m_ui.Command12), Grey);

    // Stop while looping: the switch is off and grey before the component hears Stop.
    m_ui.Command12->click();
    qint16 loopAtStop = 1;
    QColor faceAtStop;
    m_player->onStop = [&] {
        loopAtStop = m_loop;
        faceAtStop = face(m_ui.Command12);
    };
    m_ui.Command11->click();
    QCOMPARE(loopAtStop, 0);
    QCOMPARE(faceAtStop, Grey);
    m_ui.Command11->click();
    QCOMPARE(loopAtStop, 0);
    QCOMPARE(m_log, Log({"Stop", "Stop"}));
    QCOMPARE(m_ui.Text6->text(), "old length");
    QCOMPARE(m_ui.Text7->text(), "old position");

    m_ui.Command10->click();
    QCOMPARE(m_log.last(), "Pause");
}

void tst_PlayerPanel::position_data() {
    QTest::addColumn<qint32>("value");
    QTest::addColumn<qint32>("range");
    QTest::addColumn<qint32>("length");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0 << 1000 << 185000 << "0分1秒";
    QTest::newRow("end") << 1000 << 1000 << 185000 << "3分6秒";
    QTest::newRow("range 0 keeps the text") << 5 << 0 << 185000 << "old position";
}

void tst_PlayerPanel::position() {
    QFETCH(qint32, value);
    QFETCH(qint32, range);
    QFETCH(qint32, length);
    QFETCH(QString, text);
    m_player->range = range;
    m_player->length = length;
    m_player->position(value);
    QCOMPARE(m_ui.Text7->text(), text);
    QCOMPARE(m_log.mid(0, 1), Log{"PositionRange"});
}

void tst_PlayerPanel::trackEnd() {
    m_player->end();
    QVERIFY(m_log.isEmpty());

    // While looping, the end plays whatever the dialog names by then.
    m_ui.Command12->click();
    m_dialog->fileName = "/music/b.mp3";
    m_player->end();
    QCOMPARE(m_log.mid(0, 2), Log({"Open(/music/b.mp3,)", "Play"}));
    QCOMPARE(m_loop, -1);
}

QTEST_MAIN(tst_PlayerPanel)
#include "tst_PlayerPanel.moc"
