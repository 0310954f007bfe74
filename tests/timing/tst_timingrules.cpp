#include "timing/TimingRules.h"

#include <QTest>

class TimingRulesTest : public QObject {
    Q_OBJECT
private slots:
    void clockAndRate_data() {
        for (const char *column : {"start", "now", "clock", "rate"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<int>("correct");
        auto row = [](const char *name, const char *now, int correct, const char *clock,
                      const char *rate, const char *start = "05T09:00:00") {
            QTest::newRow(name) << start << now << clock << rate << correct;
        };
        row("first second, none", "05T09:00:00", 0, "0:00:00", "0 个/分");
        row("first second, one right", "05T09:00:00", 1, "0:00:00", "60 个/分");
        row("10 in half a minute", "05T09:00:30", 10, "0:00:30", "20 个/分");
        row("3 in 59 s, rounded down", "05T09:00:59", 3, "0:00:59", "3 个/分");
        row("hours count", "05T10:00:30", 45, "1:00:30", "0 个/分");
        row("hour, minute and seconds", "05T10:01:05", 130, "1:01:05", "2 个/分");
        row("past a day", "06T10:00:03", 3000, "25:00:03", "1 个/分");
        row("across midnight", "06T00:00:15", 5, "0:00:25", "12 个/分", "05T23:59:50");
        row("clock set back", "05T08:59:00", 1, "0:00:00", "60 个/分");
    }
    void clockAndRate() {
        QFETCH(QString, start);
        QFETCH(QString, now);
        QFETCH(int, correct);
        const auto at = [](const QString &t) {
            return QDateTime::fromString("2026-01-" + t, Qt::ISODate);
        };
        const qint64 seconds = ElapsedSeconds(at(start), at(now));
        QTEST(ClockText(seconds), "clock");
        QTEST(RateText(correct, seconds), "rate");
    }
};

QTEST_APPLESS_MAIN(TimingRulesTest)
#include "tst_timingrules.moc"
