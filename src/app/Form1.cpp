#include "app/Form1.h"

#include "ui_Form1.h"

#include "about/AboutServices.h"
#include "about/frmAbout.h"
#include "drill/Drill.h"
#include "drill/RandomSource.h"
#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "player/PlayerPanel.h"
#include "player/RealPlayer.h"
#include "timing/Clock.h"
#include "timing/TimedTests.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>

struct Form1::Owned {
    SeededRandomSource random;
    SystemClock clock;
    std::unique_ptr<Mp3Player> player = makeMp3Play();
    std::unique_ptr<OpenDialog> openDialog;
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
};

Form1::Form1(QWidget *parent)
    : Form1(std::make_unique<Owned>(), parent) {
}

Form1::Form1(std::unique_ptr<Owned> owned, QWidget *parent)
    : QWidget(parent)
    , m_owned(std::move(owned)) {
    m_owned->openDialog = makeFileOpenDialog(this);
    build({&m_owned->random, &m_owned->clock, qtTimers(), m_owned->player.get(),
           m_owned->openDialog.get(), m_owned->about.get()},
          QCoreApplication::applicationDirPath());
}

Form1::Form1(const Form1Services &services, const QString &pictureDir, QWidget *parent)
    : QWidget(parent) {
    build(services, pictureDir);
}

// The player the window made goes first, while everything it may still reach is whole.
Form1::~Form1() {
    m_owned.reset();
}

namespace {

// Designer stores whole point sizes only; these captions use the fractional sizes
// that map to whole pixels at 96 dpi.
void setPointSize(QWidget *widget, qreal points) {
    QFont f = widget->font();
    f.setPointSizeF(points);
    widget->setFont(f);
}

void applyFractionalFontSizes(Ui::Form1 &ui) {
    setPointSize(ui.Text4, 10.5);
    setPointSize(ui.Command4, 15.75);
    setPointSize(ui.Command5, 15.75);
    setPointSize(ui.Command2, 21.75);
    for (QAbstractButton *key : ui.Command3->buttons())
        setPointSize(key, 20.25);
}

// Buttons with a face colour of their own show it flat, inside a raised edge that sinks
// when pressed; the window's own style would shade the colour into a gradient.
void showFaceColoursFlat(QWidget *window) {
    QStyle *flat = QStyleFactory::create(QStringLiteral("Windows"));
    if (!flat)
        return;
    flat->setParent(window);
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (button->testAttribute(Qt::WA_SetPalette))
            button->setStyle(flat);
}

// A child who clicks a key of the keypad, 清除, a level or any other button and then types
// goes on typing the answer: clicks leave the keyboard focus where it was, Tab still reaches
// every control.
void keepTypingFocusOnClicks(QWidget *window) {
    for (QWidget *control : window->findChildren<QWidget *>())
        if ((qobject_cast<QAbstractButton *>(control) || qobject_cast<QScrollBar *>(control)) &&
            control->focusPolicy() == Qt::StrongFocus)
            control->setFocusPolicy(Qt::TabFocus);
}

// Tab enters an option group at its selected button, as in any option group; the arrow
// keys then move the selection, which Qt's radio buttons do themselves.
void tabIntoSelectedOption(QButtonGroup *group) {
    const auto update = [group] {
        const bool anySelected = group->checkedButton() != nullptr;
        for (QAbstractButton *option : group->buttons())
            option->setFocusPolicy(!anySelected || option->isChecked() ? Qt::TabFocus
                                                                       : Qt::NoFocus);
    };
    QObject::connect(group, &QButtonGroup::buttonToggled, group, update);
    update();
}

} // namespace

void Form1::build(const Form1Services &services, const QString &pictureDir) {
    m_services = services;
    m_ui = std::make_unique<Ui::Form1>();
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/quenzo-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    applyFractionalFontSizes(*m_ui);
    showFaceColoursFlat(this);

    QAbstractButton *const keys[] = {
        m_ui->Command3_0, m_ui->Command3_1, m_ui->Command3_2, m_ui->Command3_3, m_ui->Command3_4,
        m_ui->Command3_5, m_ui->Command3_6, m_ui->Command3_7, m_ui->Command3_8, m_ui->Command3_9};
    for (int i = 0; i < 10; ++i)
        m_ui->Command3->setId(keys[i], i);
    m_ui->Option1->setId(m_ui->Option1_0, 0);
    m_ui->Option1->setId(m_ui->Option1_1, 1);
    m_ui->Option1->setId(m_ui->Option1_2, 2);
    keepTypingFocusOnClicks(this);
    tabIntoSelectedOption(m_ui->Option1);

    // Design-time timers; the load step disables both before either can tick.
    m_timer1 = services.timers(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(6000);
    m_timer2 = services.timers(this);
    m_timer2->setObjectName(QStringLiteral("Timer2"));
    m_timer2->setInterval(200);

    auto *drill = new Drill({m_ui->Text1, m_ui->Text2, m_ui->Text4, m_ui->Text5, m_ui->Picture1,
                             m_ui->Command3, m_ui->Command6},
                            m_state, *services.random, pictureDir, services.timers, this);
    new TimedTests({m_ui->Command4, m_ui->Command5, m_ui->Option1, m_timer1, m_timer2, m_ui->Text3,
                    m_ui->Text4, m_ui->Text5},
                   m_state, *drill, *services.clock, this);
    new PlayerPanel({m_ui->Mp3Play1, m_ui->Command8, m_ui->Command9, m_ui->Command10,
                     m_ui->Command11, m_ui->Command12, m_ui->Text6, m_ui->Text7, m_ui->HScroll1,
                     m_ui->HScroll2},
                    m_state.LoopPlayback, *services.player, *services.openDialog, this);

    connect(m_ui->Command2, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->Command7, &QPushButton::clicked, this, &Form1::showAbout);

    load();
}

void Form1::load() {
    m_services.random->seed(quint64(QDateTime::currentMSecsSinceEpoch()));
    m_timer1->stop();
    m_timer2->stop();
    m_ui->Option1_0->setChecked(true); // the level handler sets the pace
    m_state.LoopPlayback = 0;
    m_ui->Text1->setFocus();
}

void Form1::showAbout() {
    frmAbout dialog(*m_services.about, this);
    dialog.exec();
}
