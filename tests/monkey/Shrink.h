#pragma once

#include <QDeadlineTimer>
#include <QList>

#include <functional>

// Answers, for a candidate sequence replayed from the start, the length of the prefix
// at whose end it failed in the same way as before, or -1 when it did not.
template <typename T> using FailingLength = std::function<qsizetype(const QList<T> &)>;

// The shortest sequence found that still fails, starting from one that does: whole
// chunks are dropped first, halving their size down to single items, and the single
// items are tried again until none can go or the deadline has passed. Whatever follows
// the failure in a candidate is cut off at once.
template <typename T>
QList<T> shrink(QList<T> items, const FailingLength<T> &failingLength, QDeadlineTimer deadline) {
    qsizetype chunk = qMax<qsizetype>(1, items.size() / 2);
    while (!deadline.hasExpired()) {
        bool dropped = false;
        for (qsizetype start = 0; start < items.size() && !deadline.hasExpired();) {
            QList<T> candidate = items;
            candidate.remove(start, qMin(chunk, items.size() - start));
            if (const qsizetype length = failingLength(candidate); length >= 0) {
                candidate.resize(length);
                items = std::move(candidate);
                dropped = true;
            } else {
                start += chunk;
            }
        }
        if (chunk > 1)
            chunk /= 2;
        else if (!dropped)
            break;
    }
    return items;
}
