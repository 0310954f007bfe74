#pragma once

#include <QDeadlineTimer>
#include <QList>

#include <functional>

// Answers, for a candidate sequence replayed from the start, the length of the prefix
// at whose end it failed in the same way as before, or -1 when it did not.
template <typename T> using FailingLength = std::function<qsizetype(const QList<T> &)>;

// The shortest sequence found that still fails, starting from one that does: whole
// chunks are dropped first, halving their size down to single items; then single items
// and, in a short sequence, pairs (a switch turned on and off again) until none can go
// or the deadline has passed. Whatever follows the failure in a candidate is cut off.
template <typename T>
QList<T> shrink(QList<T> items, const FailingLength<T> &failingLength, QDeadlineTimer deadline) {
    const auto dropped = [&](QList<T> candidate) {
        const qsizetype length = failingLength(candidate);
        if (length < 0)
            return false;
        candidate.resize(length);
        items = std::move(candidate);
        return true;
    };
    const auto dropChunks = [&](qsizetype chunk) {
        bool any = false;
        for (qsizetype start = 0; start < items.size() && !deadline.hasExpired();) {
            QList<T> candidate = items;
            candidate.remove(start, qMin(chunk, items.size() - start));
            if (dropped(candidate))
                any = true;
            else
                start += chunk;
        }
        return any;
    };
    const auto dropPair = [&] {
        constexpr qsizetype pairsUpTo = 64;
        for (qsizetype i = 0; i < items.size() && items.size() <= pairsUpTo; ++i)
            for (qsizetype j = i + 1; j < items.size() && !deadline.hasExpired(); ++j) {
                QList<T> candidate = items;
                candidate.remove(j);
                candidate.remove(i);
                if (dropped(candidate))
                    return true;
            }
        return false;
    };

    for (qsizetype chunk = items.size() / 2; chunk > 1; chunk /= 2)
        dropChunks(chunk);
    while (!deadline.hasExpired() && (dropChunks(1) || dropPair())) {
    }
    return items;
}
