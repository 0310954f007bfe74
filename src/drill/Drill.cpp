#include "drill/Drill.h"

#include "drill/AnswerRules.h"
#include "drill/Question.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// How long the right-answer picture stays before a free test moves on.
constexpr int pauseMs = 600;
} // namespace

Drill::Drill(const DrillWidgets &widgets, PracticeState &state, RandomSource &random,
             const QString &pictureDir, const TimerFactory &timers, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_state(state)
    , m_random(random)
    , m_pictureDir(pictureDir)
    , m_pause(timers(this)) {
    // Whatever happens in the pause (more answers, the free test stopped), the answer's next
    // question still comes. The timer is the drill's, so closing the window takes it away.
    m_pause->setSingleShot(true);
    m_pause->setInterval(pauseMs);
    connect(m_pause, &Timer::timeout, this, &Drill::NextQuestion);
    // textChanged, not textEdited: the keypad, Clear and new questions set the text from
    // code and rely on the same handler.
    connect(m_ui.Text2, &QLineEdit::textChanged, this, &Drill::onAnswerChanged);
    connect(m_ui.Command3, &QButtonGroup::idClicked, this, &Drill::onKeypad);
    connect(m_ui.Command6, &QPushButton::clicked, this, &Drill::onClear);
}

void Drill::NextQuestion() {
    const Question question = drawQuestion(m_random);
    m_state.OperandA = question.a;
    m_state.OperandB = question.b;
    m_state.Operation = question.operation;
    m_questionCounted = false;
    m_ui.Text1->setText(questionText(question));
    m_ui.Text2->setText(QString());
    showNoPicture();
    m_ui.Text2->setFocus();
    m_state.AnswerValue = 0;
    if (!m_state.FreeTestRunning)
        m_ui.Text4->clear();
}

void Drill::onAnswerChanged(const QString &text) {
    if (text.isEmpty()) {
        m_state.AnswerValue = 0;
        showNoPicture();
        return;
    }
    const std::optional<qint16> typed = parseAnswer(text);
    if (!typed) {
        // Not a number the drill can judge: refused like an answer with too many digits.
        showPicture(Feedback::Wrong);
        return;
    }
    m_state.AnswerValue = *typed;
    const int sum = int(m_state.OperandA + m_state.OperandB);
    switch (answerAction(m_state.Operation, sum, *typed)) {
    case AnswerAction::Judge:
        CheckAnswer();
        break;
    case AnswerAction::ShowWrong:
        showPicture(Feedback::Wrong);
        break;
    case AnswerAction::Wait:
        break;
    }
}

void Drill::CheckAnswer() {
    const std::optional<qint16> typed = parseAnswer(m_ui.Text2->text());
    if (typed && isRightAnswer(m_state.OperandA, m_state.OperandB, m_state.Operation, *typed))
        answeredRight();
    else
        answeredWrong();
}

void Drill::answeredRight() {
    showPicture(Feedback::Right);
    // Outside a test every right answer adds to the tally, as practice; in a test only
    // the first, which is also the one that moves a free test on.
    if (m_testRunning && m_questionCounted)
        return;
    m_questionCounted = true;
    ++m_state.CorrectCount;
    m_ui.Text5->setText(countText(m_state.CorrectCount));
    if (m_state.FreeTestRunning)
        m_pause->start();
}

void Drill::answeredWrong() {
    showPicture(Feedback::Wrong);
    m_ui.Text2->setCursorPosition(int(m_ui.Text2->text().size()));
    m_ui.Text2->setFocus();
}

void Drill::onKeypad(int digit) {
    m_state.AnswerValue = appendDigit(m_state.AnswerValue, digit);
    m_ui.Text2->setText(QString::number(m_state.AnswerValue));
}

void Drill::onClear() {
    m_ui.Text2->setText(QString());
}

void Drill::showPicture(Feedback feedback) {
    m_ui.Picture1->setPixmap(loadFeedbackPicture(m_pictureDir, feedback));
    m_ui.Picture1->setAccessibleName(feedbackAccessibleName(feedback));
}

void Drill::showNoPicture() {
    m_ui.Picture1->clear();
    m_ui.Picture1->setAccessibleName(QStringLiteral("没有图片")); // a focused box says something
}
