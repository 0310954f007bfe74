// The timed tests' arithmetic, and the two tests on the whole window.
#include "support/Fakes.h"
#include "timing/TimingRules.h"

class tst_timing : public QObject {
    Q_OBJECT
private slots:
    void clockAndRate_data() {
        addTable(R"(
row                          | start       | now         | correct | clock    | rate
none                         | 05T09:00:00 | 05T09:00:30 | 0       | 0:00:30  | 0 个/分
under a second counts as one | 05T09:00:00 | 05T09:00:00 | 1       | 0:00:00  | 60 个/分
10 in half a minute          | 05T09:00:00 | 05T09:00:30 | 10      | 0:00:30  | 20 个/分
3 in 59 s, rounded down      | 05T09:00:00 | 05T09:00:59 | 3       | 0:00:59  | 3 个/分
hour, minute and seconds     | 05T09:00:00 | 05T10:01:05 | 130     | 1:01:05  | 2 个/分
past a day                   | 05T09:00:00 | 06T10:00:03 | 3000    | 25:00:03 | 1 个/分
across midnight              | 05T23:59:50 | 06T00:00:15 | 5       | 0:00:25  | 12 个/分
clock set back               | 05T09:00:00 | 05T08:59:00 | 1       | 0:00:00  | 60 个/分
)");
    }
    void clockAndRate() {
        QFETCH(QString, start);
        QFETCH(QString, now);
        QFETCH(QString, correct);
        const auto at = [](const QString &t) {
            return QDateTime::fromString("2026-01-" + t, Qt::ISODate);
        };
        const qint64 seconds = ElapsedSeconds(at(start), at(now));
        QTEST_TEXT(ClockText(seconds), "clock");
        QTEST_TEXT(RateText(correct.toInt(), seconds), "rate");
    }

    // The program's own clock: now, to the whole second, as the read-outs count.
    void realClock() {
        const QDateTime before = QDateTime::currentDateTime();
        const QDateTime now = SystemClock().now();
        QCOMPARE(now.time().msec(), 0);
        QCOMPARE_LE(std::abs(now.secsTo(before)), 1);
    }

    // What is done, then the test running, what the window shows and how many questions came.
    // "wait 2500": the next question exactly 2500 ms on; the tests' time passes only by steps.
    void scenario_data() {
        addTable(R"(
row                                  | steps                                                    | running | rate     | clock   | count | questions
初级: at once, then every 5 s          | paced, wait 5000, wait 5000                              | paced   |          | 0:00:10 |       | 3
中级: every 3.5 s                      | level 中级, paced, wait 3500, wait 3500                  | paced   |          | 0:00:07 |       | 3
a level chosen: its pace from then on | paced, pass 1 s, level 高级, wait 2500, wait 2500        | paced   |          | 0:00:06 |       | 3
the clock at most 200 ms behind      | free, pass 1 s                                           | free    |          | 0:00:01 |       | 1
answers before the start not counted | key 0, paced, next 3+4, type 7                           | paced   |          |         | 1 个  | 2
paced: a question counts once        | paced, next 3+4, type 7, clear, type 7, clear, key 7     | paced   |          |         | 1 个  | 2
after the stop, each answer counts   | paced, next 3+4, type 7, paced, clear, type 7, clear, type 7 | none | 60 个/分 | 0:00:00 | 2 个 | 2
rated over its own time              | paced, pass 30 s, paced, paced, next 3+4, type 7, paced  | none    | 60 个/分 | 0:00:00 | 1 个  | 9
free: paced dead, clock kept         | paced, pass 30 s, paced, free, paced                     | free    | 0 个/分  | 0:00:30 |       | 8
free: a right answer keeps the clock | queue 3+4, free, pass 65 s, type 7                       | free    |          | 0:01:05 | 1 个  | 1
free: counts and moves on once       | queue 3+4, free, type 7, clear, type 7, wait 600, pass 5 s | free  |          | 0:00:05 | 1 个  | 2
free: stopped in the pause           | queue 3+4, free, pass 5 s, type 7, free, wait 600        | none    | 12 个/分 |         | 1 个  | 2
paced: stopped | paced, next 3+4, type 7, next 3+4, type 7, next 3+4, type 7, next 3+4, type 7, next 3+4, type 7, pass 15 s, paced | none | 20 个/分 | 0:00:15 | 5 个 | 9
)");
    }
    void scenario() {
        QFETCH(QString, steps);
        TestWindow w;
        QVERIFY(w.shown);
        QCOMPARE_TEXT(w.run(steps), "");
        QTEST_TEXT(w.runningTest(), "running");
        QTEST_TEXT(w.ui().Text3->text(), "rate");
        QTEST_TEXT(w.ui().Text4->text(), "clock");
        QTEST_TEXT(w.ui().Text5->text(), "count");
        QTEST_TEXT(QString::number(w.random.drawn / 3), "questions");
    }
};

QTEST_MAIN(tst_timing)
#include "tst_timing.moc"
