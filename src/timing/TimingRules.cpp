#include "timing/TimingRules.h"

#include <algorithm>

int PaceInterval(int level) {
    switch (level) {
    case 1:
        return 3500;
    case 2:
        return 2500;
    default:
        return 5000;
    }
}

qint64 ElapsedSeconds(const QDateTime &start, const QDateTime &now) {
    return std::max<qint64>(start.secsTo(now), 0);
}

QString ClockText(qint64 seconds) {
    const QLatin1Char zero('0');
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, zero)
        .arg(seconds % 60, 2, 10, zero);
}

qint64 RatePerMinute(qint64 correct, qint64 seconds) {
    // Whole numbers throughout: floor(correct / (seconds / 60)) without rounding error.
    return correct * 60 / std::max<qint64>(seconds, 1);
}

QString RateText(qint64 correct, qint64 seconds) {
    return QStringLiteral("%1 个/分").arg(RatePerMinute(correct, seconds));
}
