// Thousands of random events from a printed seed on the whole window with fakes; after each,
// the rules that always hold are checked. Timers tick only in tick events, and real time
// passes only in the rare "pauses end" event.
#include "drill/AnswerRules.h"
#include "support/Fakes.h"

#include <random>

namespace {
std::mt19937_64 dice;
int between(int lo, int hi) {
    return std::uniform_int_distribution(lo, hi)(dice);
}
QString pick(const QStringList &choices) {
    return choices.at(between(0, int(choices.size()) - 1));
}

// The first rule broken, or nothing.
QString broken(TestWindow &w) {
    const PracticeState &s = w.window().state();
    auto &ui = w.ui();
    const int a = int(s.OperandA), b = int(s.OperandB);
    const QString asked =
        s.Operation ? QString("%1-%2=").arg(a + b).arg(b) : QString("%1+%2=").arg(a).arg(b);
    const auto typed = parseAnswer(ui.Text2->text());
    const std::pair<const char *, bool> rules[] = {
        {"the question shown is the one judged",
         ui.Text1->text().isEmpty() || ui.Text1->text() == asked},
        {"no test runs, or the paced, or the free",
         QStringList({"none", "paced", "free"}).contains(w.runningTest())},
        {"AnswerValue is the number in the box, or the last one",
         ui.Text2->text().isEmpty() ? s.AnswerValue == 0 : !typed || *typed == s.AnswerValue},
    };
    for (const auto &[rule, holds] : rules)
        if (!holds)
            return rule;
    return {};
}

// Mostly where the rules live: the answer box and the buttons. Says what it did.
QString randomEvent(TestWindow &w) {
    w.random.queueQuestion(between(0, 9), between(0, 9), between(0, 9));
    const int kind = between(0, 99);
    if (kind < 30) { // what a child or an input method may type
        const QString text =
            QString::number(between(0, 99)) +
            pick({"", "-", " ", "a", ".", "０", "７", "－", "😀", "\\b", "\\n", "٣"});
        typeText(w.ui().Text2, text);
        return "type " + text;
    }
    if (kind < 70) {
        const QString button = kind < 50 ? QString("Command3_%1").arg(between(0, 9))
                                         : pick({"Command4", "Command5", "Command6", "Command9",
                                                 "Command11", "Command12", "Option1_1"});
        QTest::mouseClick(w.window().findChild<QAbstractButton *>(button), Qt::LeftButton);
        return "click " + button;
    }
    if (kind < 90) { // a tick, the clock moved on by up to a minute
        QTimer &timer = kind < 80 ? w.window().Timer1() : w.window().Timer2();
        w.clock.time = w.clock.time.addSecs(between(0, 60));
        timer.blockSignals(false);
        if (timer.isActive())
            QMetaObject::invokeMethod(&timer, "timeout");
        timer.blockSignals(true);
        return "tick " + timer.objectName();
    }
    if (kind < 99) { // the component's events, over odd readings
        w.player.length = w.player.range = QList{-1, 0, 61, 1000, INT_MAX, INT_MIN}[between(0, 5)];
        Q_EMIT w.player.PositionChanged(between(0, 1000));
        if (between(0, 1))
            Q_EMIT w.player.TrackEnded();
        else
            Q_EMIT w.player.FileChecked("/a.mp3", 0);
        return QString("position, length %1").arg(w.player.length);
    }
    if (!QTest::qWaitFor([&w] { return w.pauses().isEmpty(); }, 10000))
        QTest::qFail("the free test's pause did not end within 10 s", __FILE__, __LINE__);
    return "real time until the pauses end";
}
} // namespace

class tst_monkey : public QObject {
    Q_OBJECT
private slots:
    void randomEvents() {
        bool given = false;
        const quint64 chosen = qEnvironmentVariable("QUENZO_MONKEY_SEED").toULongLong(&given);
        const quint64 seed = given ? chosen : quint64(QDateTime::currentMSecsSinceEpoch());
        const int events = qEnvironmentVariableIntValue("QUENZO_MONKEY_EVENTS", &given);
        qInfo("seed %llu (QUENZO_MONKEY_SEED repeats it)", seed);
        dice.seed(seed);
        TestWindow w;
        for (QTimer *timer : {&w.window().Timer1(), &w.window().Timer2()})
            timer->blockSignals(true);
        for (int i = 0; i < (given ? events : 4000); ++i) {
            const QString what = randomEvent(w);
            if (const QString rule = broken(w); !rule.isEmpty())
                QFAIL(qPrintable(
                    QString("seed %1, event %2 (%3): %4").arg(seed).arg(i).arg(what, rule)));
        }
    }
};

QTEST_MAIN(tst_monkey)
#include "tst_monkey.moc"
