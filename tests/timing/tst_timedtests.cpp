#include "drill/Drill.h"
#include "timing/TimedTests.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace {

struct SetClock final : Clock {
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 1, 5), QTime(12, 0)};
};

// Every question takes three draws, so the draws count the questions.
struct CountingRandom final : RandomSource {
    void seed(quint64) override {}
    float draw() override { return float(draws++ % 10) / 10 + 0.05f; }
    int draws = 0;
};

// The window's controls for the drill and the tests, wired as the window wires them.
struct Rig {
    QLineEdit Text1, Text2, Text3, Text4, Text5;
    QLabel Picture1;
    QPushButton Command4{QStringLiteral("匀速测试")}, Command5{QStringLiteral("自由测试")},
        Command6;
    QRadioButton levels[3];
    QButtonGroup Command3, Option1;
    QTimer Timer1, Timer2;
    PracticeState s;
    SetClock clock;
    CountingRandom random;
    Drill drill{{&Text1, &Text2, &Text4, &Text5, &Picture1, &Command3, &Command6}, s, random, {}};
    TimedTests tests{{&Command4, &Command5, &Option1, &Timer1, &Timer2, &Text3, &Text4, &Text5},
                     s,
                     drill,
                     clock};

    Rig() {
        for (int i = 0; i < 3; ++i)
            Option1.addButton(&levels[i], i);
        Timer2.setInterval(200);
        levels[0].setChecked(true); // as the window's load step does
    }
    int questions() const { return random.draws / 3; }
    QString testState() const {
        return QString::asprintf("%d%d%d %s%d %s%d", Timer1.isActive(), Timer2.isActive(),
                                 s.FreeTestRunning, qPrintable(Command4.text()),
                                 Command4.isEnabled(), qPrintable(Command5.text()),
                                 Command5.isEnabled());
    }
    // P, F: the test buttons; Ln: a level; +n: n seconds pass; @hh:mm:ss: the time of day;
    // p, c: a tick of the pace and of the clock timer; an: n right answers typed.
    void run(const QString &script) {
        for (const QString &op : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int n = op.mid(1).toInt();
            switch (op.front().toLatin1()) {
            case 'P':
                Command4.click();
                break;
            case 'F':
                Command5.click();
                break;
            case 'L':
                levels[n].click();
                break;
            case '+':
                clock.time = clock.time.addSecs(n);
                break;
            case '@':
                clock.time.setTime(QTime::fromString(op.mid(1)));
                break;
            case 'p':
                QMetaObject::invokeMethod(&Timer1, "timeout");
                break;
            case 'c':
                QMetaObject::invokeMethod(&Timer2, "timeout");
                break;
            case 'a':
                for (int i = 0; i < n; ++i) {
                    Text2.clear();
                    Text2.setText(QString::number(s.OperandA + (s.Operation ? 0 : s.OperandB)));
                }
            }
        }
    }
};

const QMap<QString, QString> kStates{{"Idle", "000 匀速测试1 自由测试1"},
                                     {"Paced", "110 停止1 自由测试0"},
                                     {"Free", "011 匀速测试0 停止1"}};

} // namespace

class TimedTestsTest : public QObject {
    Q_OBJECT
private slots:
    void scenario_data() {
        for (const char *column : {"script", "state", "rate", "clock", "count"})
            QTest::addColumn<QString>(column);
        for (const char *column : {"correct", "questions", "pace"})
            QTest::addColumn<int>(column);
        auto row = [](const char *name, const char *script, const char *state, const char *rate,
                      const char *clock, const char *count, int correct, int questions,
                      int pace = 5000) {
            QTest::newRow(name) << script << state << rate << clock << count << correct << questions
                                << pace;
        };
        row("after load", "", "Idle", "", "", "", 0, 0);
        row("paced: first question at once", "L2 P", "Paced", "", "", "", 0, 1, 2500);
        row("paced: free button dead", "P F", "Paced", "", "", "", 0, 1);
        row("paced: level changes pace only", "P L2 L1", "Paced", "", "", "", 0, 1, 3500);
        row("paced tick: question, clock emptied", "P +65 c p", "Paced", "", "", "", 0, 2);
        row("count emptied at start", "a1 P", "Paced", "", "", "", 0, 1);
        row("paced stopped", "a1 P a10 +30 c P", "Idle", "20 个/分", "0:00:30", "10 个", 0, 1);
        row("hours count", "P a45 +3630 P", "Idle", "0 个/分", "1:00:30", "45 个", 0, 1);
        row("rated over its own time", "P +30 c P P a1 P", "Idle", "60 个/分", "0:00:00", "1 个", 0,
            2);
        row("free: paced button dead", "F P", "Free", "", "", "", 0, 1);
        row("free answer keeps clock", "F +65 c a1", "Free", "", "0:01:05", "1 个", 1, 2);
        row("stop in the pause", "F +5 c a1 F", "Idle", "12 个/分", "", "1 个", 0, 2);
        row("across midnight", "@23:59:50 F +90003 c", "Free", "", "25:00:03", "", 0, 1);
    }
    void scenario() {
        QFETCH(QString, script);
        QFETCH(QString, state);
        QFETCH(int, questions);
        Rig rig;
        rig.run(script);
        QTRY_COMPARE(rig.questions(), questions);
        QCOMPARE(rig.testState(), kStates.value(state));
        QTEST(rig.Text3.text(), "rate");
        QTEST(rig.Text4.text(), "clock");
        QTEST(rig.Text5.text(), "count");
        QTEST(rig.s.CorrectCount, "correct");
        QTEST(rig.Timer1.interval(), "pace");
    }

    // The one test on the real clock: at 高级 the first question stays 2.5 s.
    void pacedIntervalInRealTime() {
        Rig rig;
        QElapsedTimer shown;
        shown.start();
        rig.run("L2 P");
        QCOMPARE(rig.questions(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rig.questions(), 2, 30000);
        QVERIFY2(shown.elapsed() >= 2500, qPrintable(QString::number(shown.elapsed())));
    }
};

QTEST_MAIN(TimedTestsTest)
#include "tst_timedtests.moc"
