#pragma once

#include "drill/PracticeState.h"
#include "drill/Timer.h"
#include "timing/Clock.h"

#include <QObject>

class Drill;
class QButtonGroup;
class QLineEdit;
class QPushButton;

struct TimingWidgets {
    QPushButton *Command4 = nullptr; // paced test
    QPushButton *Command5 = nullptr; // free test
    QButtonGroup *Option1 = nullptr; // level, ids 0 to 2
    Timer *Timer1 = nullptr;         // pace
    Timer *Timer2 = nullptr;         // clock
    QLineEdit *Text3 = nullptr;      // rate
    QLineEdit *Text4 = nullptr;      // clock display
    QLineEdit *Text5 = nullptr;      // count
};

// The paced and the free test, the level buttons, the clock and the rate report.
//
// The tests are Idle, Paced or Free. The paced test has no flag of its own: it runs
// exactly while Timer1 does, and each tick of Timer1 brings the next question. The free
// test runs while FreeTestRunning is set; there the drill brings the next question after
// a right answer. Timer2 runs the clock of either test, and a stop measures the time once
// more before it reports the rate, so the report always covers the test just stopped.
class TimedTests : public QObject {
    Q_OBJECT
public:
    TimedTests(const TimingWidgets &widgets, PracticeState &state, Drill &drill, Clock &clock,
               QObject *parent = nullptr);

private:
    void onLevelToggled(int level, bool checked);
    void onPacedClicked();
    void onFreeClicked();
    void onPaceTick();
    void onClockTick();

    void startPaced();
    void stopPaced();
    void startFree();
    void stopFree();
    void beginTest();
    void endTest();
    void showClock();
    void reportRate();

    TimingWidgets m_ui;
    PracticeState &m_state;
    Drill &m_drill;
    Clock &m_clock;
};
