#pragma once

#include "drill/PracticeState.h"
#include "timing/Clock.h"

#include <QObject>

class Drill;
class QButtonGroup;
class QLineEdit;
class QPushButton;
class QTimer;

struct TimingWidgets {
    QPushButton *Command4 = nullptr; // paced test
    QPushButton *Command5 = nullptr; // free test
    QButtonGroup *Option1 = nullptr; // level, ids 0 to 2
    QTimer *Timer1 = nullptr;        // pace
    QTimer *Timer2 = nullptr;        // clock
    QLineEdit *Text3 = nullptr;      // rate
    QLineEdit *Text4 = nullptr;      // clock display
    QLineEdit *Text5 = nullptr;      // count
};

// The paced and the free test, the level buttons, the clock and the rate report.
class TimedTests : public QObject {
    Q_OBJECT
public:
    TimedTests(const TimingWidgets &widgets, PracticeState &state, Drill &drill, Clock &clock,
               QObject *parent = nullptr);

private:
    TimingWidgets m_ui;
    PracticeState &m_state;
    Drill &m_drill;
    Clock &m_clock;
};
