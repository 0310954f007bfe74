#include "about/AboutServices.h"
#include "app/Form1.h"
#include "support/Fakes.h"
#include "timing/TimingRules.h"
#include "ui_Form1.h"

#include <QtTest>

class TimingTest : public QObject {
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
        row("none", "05T09:00:30", 0, "0:00:30", "0 个/分");
        row("under a second counts as one", "05T09:00:00", 1, "0:00:00", "60 个/分");
        row("10 in half a minute", "05T09:00:30", 10, "0:00:30", "20 个/分");
        row("3 in 59 s, rounded down", "05T09:00:59", 3, "0:00:59", "3 个/分");
        row("45 in 1 h 30 s", "05T10:00:30", 45, "1:00:30", "0 个/分");
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

    // P, F: test buttons; Ln: level; +n: seconds pass; @hh:mm:ss: time of day; p, c: a pace or
    // clock tick; an: n right answers; W: the real pace. shown: rate|clock|count|correct|pace
    void scenario_data() {
        for (const char *column : {"script", "state", "shown"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<int>("questions");
        auto row = [](const char *name, const char *script, const char *state, const char *shown,
                      int questions) {
            QTest::newRow(name) << QString(script) << QString(state) << QString(shown) << questions;
        };
        row("after load", "", "Idle", "|||0|5000", 0);
        row("paced: first question at once", "L2 P", "Paced", "|||0|2500", 1);
        row("paced: next a full interval later", "L2 P W P", "Idle", "0 个/分|0:00:00||0|2500", 2);
        row("paced: free button dead", "P F", "Paced", "|||0|5000", 1);
        row("paced: level changes pace only", "P L2 L1", "Paced", "|||0|3500", 1);
        row("paced tick: question, clock emptied", "P +65 c p", "Paced", "|||0|5000", 2);
        row("count emptied at start", "a1 P", "Paced", "|||0|5000", 1);
        row("paced stopped", "a1 P a10 +30 c P", "Idle", "20 个/分|0:00:30|10 个|0|5000", 1);
        row("rated over its own time", "P +30 c P P a1 P", "Idle", "60 个/分|0:00:00|1 个|0|5000",
            2);
        row("free: P dead, clock kept", "P +30 P F P", "Free", "0 个/分|0:00:30||0|5000", 2);
        row("free answer keeps clock", "F +65 c a1", "Free", "|0:01:05|1 个|1|5000", 2);
        row("stop in the pause", "F +5 c a1 F", "Idle", "12 个/分||1 个|0|5000", 2);
        row("across midnight", "@23:59:50 F +90003 c", "Free", "|25:00:03||0|5000", 1);
    }
    void scenario() {
        QFETCH(QString, script);
        QFETCH(QString, state);
        QueuedRandom random;
        for (int i = 0; i < 100; ++i)
            random.queueQuestion(3, 4, 0);
        const auto asked = [&random] { return 100 - int(random.draws.size()) / 3; };
        SetClock clock;
        RecordingPlayer player;
        ScriptedDialog dialog;
        const auto about = makeSystemAboutServices();
        Form1 w({&random, &clock, &player, &dialog, about.get()}, QString());
        Ui::Form1 &ui = w.ui();
        QElapsedTimer sinceStart;
        sinceStart.start();
        for (const QString &op : script.split(u' ', Qt::SkipEmptyParts)) {
            const int n = op.mid(1).toInt();
            const char c = op.front().toLatin1();
            if (c == 'P' || c == 'F')
                (c == 'P' ? ui.Command4 : ui.Command5)->click();
            if (c == 'L')
                ui.Option1->button(n)->click();
            if (c == '+')
                clock.time = clock.time.addSecs(n);
            if (c == '@')
                clock.time.setTime(QTime::fromString(op.mid(1)));
            if (c == 'p' || c == 'c')
                QMetaObject::invokeMethod(c == 'p' ? &w.Timer1() : &w.Timer2(), "timeout");
            for (int i = 0; c == 'a' && i < n; ++i) {
                ui.Text2->clear();
                ui.Text2->setText("7");
            }
            if (c == 'W') {
                QTRY_COMPARE_WITH_TIMEOUT(asked(), 2, 30000);
                QVERIFY(sinceStart.elapsed() >= w.Timer1().interval());
            }
        }
        QFETCH(int, questions);
        QTRY_COMPARE(asked(), questions);
        const QMap<QString, QString> states{{"Idle", "000 匀速测试1 自由测试1"},
                                            {"Paced", "110 停止1 自由测试0"},
                                            {"Free", "011 匀速测试0 停止1"}};
        QCOMPARE(QString::asprintf("%d%d%d %s%d %s%d", w.Timer1().isActive(), w.Timer2().isActive(),
                                   w.state().FreeTestRunning, qPrintable(ui.Command4->text()),
                                   ui.Command4->isEnabled(), qPrintable(ui.Command5->text()),
                                   ui.Command5->isEnabled()),
                 states[state]);
        QTEST(QStringList({ui.Text3->text(), ui.Text4->text(), ui.Text5->text(),
                           QString::number(w.state().CorrectCount),
                           QString::number(w.Timer1().interval())})
                  .join(u'|'),
              "shown");
    }
};

QTEST_MAIN(TimingTest)
#include "tst_timing.moc"
