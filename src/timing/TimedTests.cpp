#include "timing/TimedTests.h"

#include "drill/Drill.h"
#include "timing/TimingRules.h"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString kPacedCaption = QStringLiteral("匀速测试");
const QString kFreeCaption = QStringLiteral("自由测试");
const QString kStopCaption = QStringLiteral("停止");
} // namespace

TimedTests::TimedTests(const TimingWidgets &widgets, PracticeState &state, Drill &drill,
                       Clock &clock, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_state(state)
    , m_drill(drill)
    , m_clock(clock) {
    connect(m_ui.Option1, &QButtonGroup::idToggled, this, &TimedTests::onLevelToggled);
    connect(m_ui.Command4, &QPushButton::clicked, this, &TimedTests::onPacedClicked);
    connect(m_ui.Command5, &QPushButton::clicked, this, &TimedTests::onFreeClicked);
    connect(m_ui.Timer1, &Timer::timeout, this, &TimedTests::onPaceTick);
    connect(m_ui.Timer2, &Timer::timeout, this, &TimedTests::onClockTick);
}

// Setting the interval of a running timer restarts its countdown: a level chosen during a
// paced test gives the question on show the full new interval.
void TimedTests::onLevelToggled(int level, bool checked) {
    if (checked)
        m_ui.Timer1->setInterval(PaceInterval(level));
}

void TimedTests::onPacedClicked() {
    if (m_ui.Timer1->isActive())
        stopPaced();
    else
        startPaced();
    m_state.CorrectCount = 0;
}

void TimedTests::onFreeClicked() {
    if (m_state.FreeTestRunning)
        stopFree();
    else
        startFree();
    m_state.CorrectCount = 0;
}

void TimedTests::onPaceTick() {
    m_drill.NextQuestion();
}

void TimedTests::onClockTick() {
    showClock();
}

void TimedTests::startPaced() {
    m_drill.NextQuestion();
    m_ui.Timer1->start();
    m_ui.Command4->setText(kStopCaption);
    m_ui.Command5->setEnabled(false);
    beginTest();
}

void TimedTests::stopPaced() {
    m_ui.Timer1->stop();
    m_ui.Command4->setText(kPacedCaption);
    m_ui.Command5->setEnabled(true);
    endTest();
}

void TimedTests::startFree() {
    // Set first: the question drawn below then leaves the clock display alone.
    m_state.FreeTestRunning = true;
    m_ui.Command5->setText(kStopCaption);
    m_ui.Command4->setEnabled(false);
    m_drill.NextQuestion();
    beginTest();
}

void TimedTests::stopFree() {
    m_state.FreeTestRunning = false;
    m_ui.Command5->setText(kFreeCaption);
    m_ui.Command4->setEnabled(true);
    endTest();
}

// What both tests do at their start and stop: the clock, the count, the rate.
void TimedTests::beginTest() {
    m_drill.setTestRunning(true);
    m_ui.Timer2->start();
    m_state.TestStartTime = m_clock.now();
    m_ui.Text5->clear();
}

void TimedTests::endTest() {
    m_drill.setTestRunning(false);
    m_ui.Timer2->stop();
    reportRate();
}

void TimedTests::showClock() {
    const QDateTime now = m_clock.now();
    m_state.ElapsedTime = ElapsedSeconds(m_state.TestStartTime.value_or(now), now);
    m_ui.Text4->setText(ClockText(m_state.ElapsedTime));
}

// The last tick may be up to 200 ms old, or belong to the previous test.
void TimedTests::reportRate() {
    showClock();
    m_ui.Text3->setText(RateText(m_state.CorrectCount, m_state.ElapsedTime));
}
