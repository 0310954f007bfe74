#pragma once

#include <QDateTime>

// The local date and time, to the second; tests set it instead of waiting.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override {
        QDateTime t = QDateTime::currentDateTime();
        return t.addMSecs(-t.time().msec());
    }
};
