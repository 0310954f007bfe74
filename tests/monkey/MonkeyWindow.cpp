#include "MonkeyWindow.h"

#include "ui_Form1.h"

#include "drill/AnswerRules.h"
#include "drill/Drill.h"
#include "player/PlayerPanel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDialog>
#include <QInputMethodEvent>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace {

// A registry with nothing in it: the system-information button always ends in the
// message, which is recorded instead of shown.
class EmptyRegistry final : public Registry {
public:
    RegStatus openKey(RegKey, const QByteArray &, quint32, quint32, RegKey &result) override {
        result = 0;
        return Reg::FileNotFound;
    }
    RegStatus queryValue(RegKey, const QByteArray &, quint32 &, char *, quint32 &) override {
        return Reg::InvalidHandle;
    }
    RegStatus closeKey(RegKey) override { return Reg::InvalidHandle; }
};

AboutServices quietAboutServices(QStringList &messages) {
    AboutServices services;
    services.registry = std::make_unique<EmptyRegistry>();
    services.startProgram = [](const QString &) { return false; };
    services.showMessage = [&messages](QWidget *, const QString &, const QString &text) {
        messages << text;
    };
    return services;
}

struct TestsRow {
    const char *name;
    bool timer1, timer2, freeRunning;
    QString caption4;
    bool enabled4;
    QString caption5;
    bool enabled5;
};

const TestsRow kTestStates[] = {
    {"Idle", false, false, false, QStringLiteral("匀速测试"), true, QStringLiteral("自由测试"),
     true},
    {"Paced", true, true, false, QStringLiteral("停止"), true, QStringLiteral("自由测试"), false},
    {"Free", false, true, true, QStringLiteral("匀速测试"), false, QStringLiteral("停止"), true},
};

const int kPace[] = {5000, 3500, 2500};

bool isDigit09(float v) {
    return v >= 0 && v <= 9 && v == std::floor(v);
}

bool emptyOr(const QString &text, const QRegularExpression &form) {
    return text.isEmpty() || form.match(text).hasMatch();
}

} // namespace

MonkeyWindow::MonkeyWindow(quint64 seed)
    : m_random(seed)
    , m_about(quietAboutServices(m_aboutMessages))
    , m_window({&m_random, &m_clock, &m_player, &m_dialog, &m_about},
               QStringLiteral(QUENZO_ASSETS_DIR)) {
    QGuiApplication::clipboard()->clear(); // Ctrl+V must not paste an earlier run's text
    m_window.findChild<PlayerPanel *>()->setShowMessage(
        [this](const QString &text) { m_playerMessages << text; });
    m_drill = m_window.findChild<Drill *>();
    m_window.Timer1().blockSignals(true);
    m_window.Timer2().blockSignals(true);
    m_window.show();
}

MonkeyWindow::~MonkeyWindow() = default;

QString MonkeyWindow::apply(const MonkeyEvent &e) {
    Ui::Form1 &ui = m_window.ui();
    QLineEdit *const answer = ui.Text2;
    switch (e.act) {
    case Act::Type:
        QTest::keyClicks(answer, e.text);
        break;
    case Act::Key:
        QTest::keyClick(answer, Qt::Key(e.a), Qt::KeyboardModifiers(int(e.b)));
        break;
    case Act::OddKey:
        QTest::sendKeyEvent(QTest::Click, answer, Qt::Key_unknown, e.text, Qt::NoModifier);
        break;
    case Act::ImeCommit: {
        QInputMethodEvent commit;
        commit.setCommitString(e.text);
        QCoreApplication::sendEvent(answer, &commit);
        break;
    }
    case Act::SetText:
        answer->setText(e.text);
        break;
    case Act::Insert:
        answer->insert(e.text);
        break;
    case Act::RightAnswer:
        enterRightAnswer(e.a != 0);
        break;
    case Act::Keypad:
        ui.Command3->button(int(e.a))->click();
        break;
    case Act::Clear:
        ui.Command6->click();
        break;
    case Act::Paced:
        ui.Command4->click(); // a disabled button ignores the click, as under a finger
        break;
    case Act::Free:
        ui.Command5->click();
        break;
    case Act::Level:
        ui.Option1->button(int(e.a))->click();
        break;
    case Act::TickPace:
        tick(m_window.Timer1());
        break;
    case Act::TickClock:
        tick(m_window.Timer2());
        break;
    case Act::Open:
        m_dialog.next = e.text;
        ui.Command8->click();
        break;
    case Act::Play:
        ui.Command9->click();
        break;
    case Act::Pause:
        ui.Command10->click();
        break;
    case Act::Stop:
        ui.Command11->click();
        break;
    case Act::Loop:
        ui.Command12->click();
        break;
    case Act::PlayerStatus:
        m_player.openStatus = int(e.a);
        m_player.playStatus = int(e.b);
        break;
    case Act::PlayerReading: {
        qint32 *const readings[] = {&m_player.left, &m_player.right, &m_player.length,
                                    &m_player.range};
        *readings[e.a] = qint32(e.b);
        break;
    }
    case Act::Position:
        m_player.emitPosition(qint32(e.a));
        break;
    case Act::TrackEnded:
        m_player.emitTrackEnded();
        break;
    case Act::Slider:
        slider(e.a)->setValue(int(e.b));
        break;
    case Act::SliderAction:
        slider(e.a)->triggerAction(QAbstractSlider::SliderAction(e.b));
        break;
    case Act::ClockForward:
        m_clock.time = m_clock.time.addSecs(e.a);
        break;
    case Act::ClockJump:
        if (e.a == 0)
            m_clock.time.setTime(QTime(23, 59, 40 + int(e.b)));
        else
            m_clock.time = m_clock.time.addSecs(e.a == 1 ? -e.b : e.b * 3600);
        break;
    case Act::About:
        return openAbout(int(e.a), int(e.b));
    case Act::LetPauseElapse:
        return letPausesEnd();
    }
    return {};
}

void MonkeyWindow::tick(QTimer &timer) {
    if (!timer.isActive())
        return;
    timer.blockSignals(false);
    QMetaObject::invokeMethod(&timer, "timeout");
    timer.blockSignals(true);
}

// A child who knows the answer: selects what is typed and types over it, or clears
// and presses the keys.
void MonkeyWindow::enterRightAnswer(bool onKeypad) {
    const PracticeState &s = m_window.state();
    const QString digits =
        QString::number(int(s.Operation == 0 ? s.OperandA + s.OperandB : s.OperandA));
    Ui::Form1 &ui = m_window.ui();
    if (!onKeypad) {
        ui.Text2->selectAll();
        QTest::keyClicks(ui.Text2, digits);
        return;
    }
    ui.Command6->click();
    for (QChar d : digits)
        if (QAbstractButton *key = ui.Command3->button(d.digitValue()))
            key->click();
}

// The dialog runs its own event loop inside the click; a zero timer finds it there,
// lets the timers tick behind it and closes it as asked.
QString MonkeyWindow::openAbout(int closeBy, int extras) {
    if (QString stuck = letPausesEnd(); !stuck.isEmpty())
        return stuck;
    QString problem = QStringLiteral("About: the dialog did not open");
    QTimer closer;
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, &m_window, [&] {
        auto *dialog = m_window.findChild<QDialog *>();
        if (!dialog)
            return;
        problem.clear();
        if (QApplication::activeModalWidget() != dialog)
            problem = QStringLiteral("About: the dialog is not modal");
        if (extras & 1) {
            tick(m_window.Timer1());
            tick(m_window.Timer2());
        }
        if (extras & 2)
            dialog->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->click();
        if (closeBy == 1)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (closeBy == 2)
            QTest::keyClick(dialog, Qt::Key_Return);
        else
            dialog->reject();
        if (dialog->isVisible()) {
            problem = QStringLiteral("About: the dialog stayed open after its closing key");
            dialog->reject();
        }
    });
    closer.start(0);
    m_window.ui().Command7->click();
    return problem;
}

QString MonkeyWindow::letPausesEnd() {
    const int pending = pendingPauses();
    if (!QTest::qWaitFor([this] { return pendingPauses() == 0; }, 10000))
        return QStringLiteral("pause: a free test's pause did not end within 10 s");
    m_coverage.pausesEnded += pending;
    return {};
}

// The drill's pause after a right answer in a free test is a timer it owns.
int MonkeyWindow::pendingPauses() const {
    int pending = 0;
    for (const QTimer *t : m_drill->findChildren<QTimer *>(Qt::FindDirectChildrenOnly))
        pending += t->isActive();
    return pending;
}

QScrollBar *MonkeyWindow::slider(qint64 which) {
    return which ? m_window.ui().HScroll2 : m_window.ui().HScroll1;
}

QString MonkeyWindow::check() {
    static const QRegularExpression count(QStringLiteral("^\\d+ 个$"));
    static const QRegularExpression rate(QStringLiteral("^\\d+ 个/分$"));
    static const QRegularExpression clock(QStringLiteral("^\\d+:\\d\\d:\\d\\d$"));
    static const QRegularExpression minSec(QStringLiteral("^-?\\d+分-?\\d+秒$"));
    const PracticeState &s = m_window.state();
    Ui::Form1 &ui = m_window.ui();

    if (!isDigit09(s.OperandA) || !isDigit09(s.OperandB) || (s.Operation != 0 && s.Operation != 1))
        return QStringLiteral("question: operands %1 and %2, operation %3")
            .arg(s.OperandA)
            .arg(s.OperandB)
            .arg(s.Operation);
    const int a = int(s.OperandA), b = int(s.OperandB);
    const QString asked = s.Operation == 0 ? QStringLiteral("%1+%2=").arg(a).arg(b)
                                           : QStringLiteral("%1-%2=").arg(a + b).arg(b);
    if (!ui.Text1->text().isEmpty() && ui.Text1->text() != asked)
        return QStringLiteral("question: Text1 shows \"%1\" for %2").arg(ui.Text1->text(), asked);

    const QString answer = ui.Text2->text();
    if (std::abs(qint64(s.AnswerValue)) > 999'999'999)
        return QStringLiteral("answer: AnswerValue %1 is past nine digits").arg(s.AnswerValue);
    if (answer.isEmpty() && s.AnswerValue != 0)
        return QStringLiteral("answer: AnswerValue %1 with an empty box").arg(s.AnswerValue);
    if (const auto typed = parseAnswer(answer); typed && *typed != s.AnswerValue)
        return QStringLiteral("answer: AnswerValue %1 with \"%2\" in the box")
            .arg(s.AnswerValue)
            .arg(answer.left(20));

    const bool t1 = m_window.Timer1().isActive(), t2 = m_window.Timer2().isActive();
    const TestsRow *row = nullptr;
    for (const TestsRow &r : kTestStates)
        if (r.timer1 == t1 && r.timer2 == t2 && r.freeRunning == s.FreeTestRunning &&
            r.caption4 == ui.Command4->text() && r.enabled4 == ui.Command4->isEnabled() &&
            r.caption5 == ui.Command5->text() && r.enabled5 == ui.Command5->isEnabled())
            row = &r;
    if (!row)
        return QStringLiteral("tests: none of Idle, Paced, Free: Timer1 %1, Timer2 %2, free %3, "
                              "Command4 \"%4\" %5, Command5 \"%6\" %7")
            .arg(t1)
            .arg(t2)
            .arg(s.FreeTestRunning)
            .arg(ui.Command4->text())
            .arg(ui.Command4->isEnabled())
            .arg(ui.Command5->text())
            .arg(ui.Command5->isEnabled());
    m_coverage.paced += row == &kTestStates[1];
    m_coverage.free += row == &kTestStates[2];

    const int level = ui.Option1->checkedId();
    if (level < 0 || m_window.Timer1().interval() != kPace[level])
        return QStringLiteral("level: level %1 with a pace of %2 ms")
            .arg(level)
            .arg(m_window.Timer1().interval());

    const QColor face = ui.Command12->palette().color(QPalette::Button);
    const QColor expected = s.LoopPlayback == -1  ? QColor(255, 0, 0)
                            : s.LoopPlayback == 0 ? QColor(224, 224, 224)
                                                  : QColor();
    if (face != expected)
        return QStringLiteral("loop: LoopPlayback %1 with Command12 %2")
            .arg(s.LoopPlayback)
            .arg(face.name());
    m_coverage.loopOn += s.LoopPlayback == -1;

    if (!emptyOr(ui.Text5->text(), count))
        return QStringLiteral("count: Text5 shows \"%1\"").arg(ui.Text5->text());
    if (!emptyOr(ui.Text3->text(), rate))
        return QStringLiteral("rate: Text3 shows \"%1\"").arg(ui.Text3->text());
    if (!emptyOr(ui.Text4->text(), clock))
        return QStringLiteral("clock: Text4 shows \"%1\"").arg(ui.Text4->text());
    for (QLineEdit *box : {ui.Text6, ui.Text7})
        if (!emptyOr(box->text(), minSec))
            return QStringLiteral("player: %1 shows \"%2\"").arg(box->objectName(), box->text());
    if (QWidget *modal = QApplication::activeModalWidget())
        return QStringLiteral("modal: %1 is left open").arg(modal->objectName());

    if (s.CorrectCount > m_lastCount)
        m_coverage.rightAnswers += s.CorrectCount - m_lastCount;
    m_lastCount = s.CorrectCount;
    m_coverage.playerMessages = m_playerMessages.size();
    return {};
}

QByteArray MonkeyWindow::digest() {
    const PracticeState &s = m_window.state();
    Ui::Form1 &ui = m_window.ui();
    QStringList parts;
    for (QLineEdit *box : {ui.Text1, ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text6, ui.Text7})
        parts << box->text() << QString::number(box->cursorPosition());
    for (QPushButton *button : {ui.Command4, ui.Command5})
        parts << button->text() << QString::number(button->isEnabled());
    parts << QString::number(s.OperandA) << QString::number(s.OperandB)
          << QString::number(s.Operation) << QString::number(s.AnswerValue)
          << QString::number(s.CorrectCount) << QString::number(s.FreeTestRunning)
          << QString::number(s.LoopPlayback) << QString::number(s.ElapsedTime)
          << QString::number(m_window.Timer1().isActive())
          << QString::number(m_window.Timer1().interval())
          << QString::number(m_window.Timer2().isActive()) << QString::number(ui.HScroll1->value())
          << QString::number(ui.HScroll2->value()) << ui.Picture1->accessibleName()
          << m_player.calls.join(u'|') << m_playerMessages.join(u'|') << m_aboutMessages.join(u'|')
          << m_clock.time.toString(Qt::ISODate) << QString::number(pendingPauses());
    return QCryptographicHash::hash(parts.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1)
        .toHex()
        .left(16);
}
