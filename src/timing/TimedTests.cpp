#include "timing/TimedTests.h"

#include <QButtonGroup>
#include <QTimer>

TimedTests::TimedTests(const TimingWidgets &widgets, PracticeState &state, Drill &drill,
                       Clock &clock, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_state(state)
    , m_drill(drill)
    , m_clock(clock) {
    connect(m_ui.Option1, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            m_ui.Timer1->setInterval(id == 0 ? 5000 : id == 1 ? 3500 : 2500);
    });
}
