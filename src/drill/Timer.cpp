#include "drill/Timer.h"

QtTimer::QtTimer(QObject *parent)
    : Timer(parent) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QtTimer::onTimeout);
}

void QtTimer::start() {
    m_since.start();
    m_timer.start(m_interval);
}

void QtTimer::setInterval(int ms) {
    m_interval = ms;
    if (isActive())
        start();
}

void QtTimer::onTimeout() {
    if (const qint64 left = m_interval - m_since.elapsed(); left > 0) {
        m_timer.start(int(left));
        return;
    }
    if (!m_singleShot)
        start();
    Q_EMIT timeout();
}

TimerFactory qtTimers() {
    return [](QObject *parent) { return new QtTimer(parent); };
}
