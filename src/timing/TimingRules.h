#pragma once

#include <QDateTime>
#include <QString>

// The arithmetic of the timed tests, kept apart from the widgets so that it can be
// checked without a window. Durations are whole seconds.

// Interval of the pace timer for the level buttons 0 (初级), 1 (中级) and 2 (高级).
int PaceInterval(int level);

// Seconds from start to now. The clock gives dates as well as times of day, so a test
// that runs past midnight or past a whole day keeps counting; a clock that was set back
// gives 0 rather than a negative time.
qint64 ElapsedSeconds(const QDateTime &start, const QDateTime &now);

// "0:01:05": hours without a leading zero, and they do not wrap after a day.
QString ClockText(qint64 seconds);

// Right answers per minute, rounded down. A test shorter than a second counts as one
// second, so the rate is always defined.
qint64 RatePerMinute(qint64 correct, qint64 seconds);

// "20 个/分"
QString RateText(qint64 correct, qint64 seconds);
