#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// A timer ticking on the window's thread: the pace and the clock of the timed tests, and
// the drill's pause after a right answer. Tests hand in timers that run on a clock of
// their own, so that a 5-second pace takes no 5 seconds.
class Timer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Ticks interval() ms from now, and every interval() ms after unless single-shot; a
    // running timer starts its countdown again.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // A running timer goes on at the new pace, its countdown started again.
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

Q_SIGNALS:
    void timeout();
};

// Makes a timer owned by parent.
using TimerFactory = std::function<Timer *(QObject *parent)>;

// A QTimer that never ticks early: the system may wake it a little before its time, and
// a question must stay on show its whole interval, the pause last its whole 600 ms.
class QtTimer final : public Timer {
    Q_OBJECT
public:
    explicit QtTimer(QObject *parent = nullptr);

    void start() override;
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    void setInterval(int ms) override;
    int interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override { m_singleShot = singleShot; }

private:
    void onTimeout();

    QTimer m_timer; // single-shot: armed again at each tick
    QElapsedTimer m_since;
    int m_interval = 0;
    bool m_singleShot = false;
};

TimerFactory qtTimers();
