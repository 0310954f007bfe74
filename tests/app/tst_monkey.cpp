// Thousands of random clicks, keys, ticks and player events on the whole window, from a seed
// it prints (QUENZO_MONKEY_SEED replays one), checking after each what must always hold; a
// failure names the steps that led to it.
#include "drill/AnswerRules.h"
#include "support/Fakes.h"

namespace {
struct Event {
    int kind; // an index into Kinds
    int value;
};
// What a child, the clock or the player may do; %1 takes the event's value below the bound.
// clang-format off
const std::pair<QStringList, int> Kinds[] = {
    {{"key %1"}, 10}, {{"type %1"}, 10}, {{"answer"}, 1}, {{"clear"}, 1}, {{"paced", "free"}, 1},
    {{"level 初级", "level 中级", "level 高级"}, 1}, {{"pass %1 ms"}, 3000},
    {{"play", "pause", "stop", "loop", "open"}, 1}, {{"track ends", "file checked", "file broken"}, 1},
    {{"position %1"}, 1001}, {{"left slider %1", "right slider %1"}, 321}, {{"type x"}, 1}};
// clang-format on

// The right answer of the question "3+4=" or "8-5=", or -1 before any question.
int rightAnswer(const QString &question) {
    const QRegularExpressionMatch m = QRegularExpression("^(\\d+)([-+])(\\d+)=$").match(question);
    if (!m.hasMatch())
        return -1;
    const int a = m.captured(1).toInt(), b = m.captured(3).toInt();
    return m.captured(2) == "+" ? a + b : a - b;
}
// What the count shows and holds, and which test runs: taken before each step.
struct Seen {
    QString shown;
    int count;
    QString test;
};
Seen seen(TestWindow &w) {
    return {w.ui().Text5->text(), w.window().state().CorrectCount, w.runningTest()};
}

// The steps of an event, each a key at most, so that what must hold is checked after each:
// "answer" types the right answer to what is on show, a digit at a time.
QStringList steps(TestWindow &w, const Event &e) {
    const auto &[choices, bound] = Kinds[e.kind];
    const QString step =
        QString(choices[e.value % choices.size()]).replace("%1", QString::number(e.value % bound));
    if (step != "answer")
        return {step};
    QStringList keys;
    for (const QChar digit : QString::number(qMax(rightAnswer(w.ui().Text1->text()), 0)))
        keys << QString("type ") + digit;
    return keys;
}

// What must hold after every step, given what was seen before it.
QString broken(TestWindow &w, const Seen &before) {
    const Seen now = seen(w);
    const bool right = pictureSeen(w.ui().Picture1) == "tick";
    const int answer = rightAnswer(w.ui().Text1->text()); // -1: none, or the box was typed into
    if (right && answer >= 0 && w.ui().Text2->text().toInt() != answer)
        return "a right answer is not the one to " + w.ui().Text1->text();
    // A start empties the count, a stop leaves it on show; otherwise a right answer may add one.
    const bool started = before.test == "none" && now.test != "none";
    const bool stopped = before.test != "none" && now.test == "none";
    const bool same = now.shown == before.shown && now.count == before.count;
    const bool added = right && now.count == before.count + 1 && now.shown == countText(now.count);
    if (started   ? now.shown != "" || now.count != 0
        : stopped ? now.shown != before.shown || now.count != 0
                  : !same && !added)
        return QString("the count went from %1 (%2) to %3 (%4)")
            .arg(before.shown, QString::number(before.count), now.shown,
                 QString::number(now.count));
    return {};
}

// What did not hold after which step, with the twenty steps before it; empty when all held.
QString replay(const QList<Event> &events, QRandomGenerator draws) {
    TestWindow w;
    w.dialog.fileName = "a.mp3";
    QStringList done;
    for (const Event &event : events) {
        while (w.random.draws.size() < 30)
            w.random.draws << float(draws.generateDouble());
        for (const QString &step : steps(w, event)) {
            done << step;
            const Seen before = seen(w);
            QString why = w.run(step);
            if (why.isEmpty())
                why = broken(w, before);
            if (!why.isEmpty())
                return why + "; the steps before: " + done.mid(done.size() - 21).join(", ");
        }
    }
    return {};
}
} // namespace

class tst_monkey : public QObject {
    Q_OBJECT
private slots:
    void randomUse() {
        const quint32 seed = qEnvironmentVariableIsSet("QUENZO_MONKEY_SEED")
                                 ? qgetenv("QUENZO_MONKEY_SEED").toUInt()
                                 : QRandomGenerator::system()->generate();
        qInfo("QUENZO_MONKEY_SEED=%u", seed);
        QRandomGenerator rng(seed);
        QList<Event> events(3000);
        for (Event &e : events)
            e = {int(rng.bounded(int(std::size(Kinds)))), int(rng.bounded(100000))};
        const QString why = replay(events, QRandomGenerator(seed));
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }
};

QTEST_MAIN(tst_monkey)
#include "tst_monkey.moc"
