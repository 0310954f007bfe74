#pragma once

#include "drill/FeedbackPicture.h"
#include "drill/PracticeState.h"
#include "drill/RandomSource.h"
#include "drill/Timer.h"

#include <QObject>
#include <QString>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

// The controls the drill drives, handed over by the window.
struct DrillWidgets {
    QLineEdit *Text1 = nullptr;       // question
    QLineEdit *Text2 = nullptr;       // answer
    QLineEdit *Text4 = nullptr;       // clock display, emptied by new questions outside a free test
    QLineEdit *Text5 = nullptr;       // count of right answers
    QLabel *Picture1 = nullptr;       // right / wrong picture
    QButtonGroup *Command3 = nullptr; // keypad, ids 0 to 9
    QPushButton *Command6 = nullptr;  // Clear
};

// Draws questions, takes answers from the keyboard and the keypad and judges them.
// Every change of the answer box, typed or set by the keypad, Clear or a new question,
// goes through onAnswerChanged, which decides whether the answer is judged yet.
class Drill : public QObject {
    Q_OBJECT
public:
    // pictureDir is where "dui.bmp" and "cuo.bmp" are looked for (the program's own folder);
    // the pause of a free test after a right answer runs on a timer made by timers.
    Drill(const DrillWidgets &widgets, PracticeState &state, RandomSource &random,
          const QString &pictureDir, const TimerFactory &timers, QObject *parent = nullptr);

    void NextQuestion();
    // While a paced or free test runs, a question adds at most one to the count however
    // often its right answer is entered, so the rate measures the child's speed.
    void setTestRunning(bool running) { m_testRunning = running; }

private:
    void CheckAnswer();
    void answeredRight();
    void answeredWrong();
    void onKeypad(int digit);
    void onClear();
    void onAnswerChanged(const QString &text);
    void showPicture(Feedback feedback);
    void showNoPicture();

    DrillWidgets m_ui;
    PracticeState &m_state;
    RandomSource &m_random;
    QString m_pictureDir;
    Timer *m_pause;
    bool m_testRunning = false;
    bool m_questionCounted = false; // the question on show has added to the count
};
