// Thousands of random clicks, keys, ticks and player events on the whole window, from a seed
// it prints (QUENZO_MONKEY_SEED replays one), checking after each what must always hold. A
// failing run is shrunk to the fewest events that still fail, and those are printed.
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
int shownCount(TestWindow &w) { // "5 个"; 0 when empty
    return w.ui().Text5->text().section(' ', 0, 0).toInt();
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

// What must hold after every event, given the count shown before it.
QString broken(TestWindow &w, int countBefore) {
    const QString test = w.runningTest();
    if (test != "none" && test != "paced" && test != "free")
        return "the tests disagree: " + test;
    const bool right = pictureSeen(w.ui().Picture1) == "tick";
    const int answer = rightAnswer(w.ui().Text1->text()); // -1: none, or the box was typed into
    if (right && answer >= 0 && w.ui().Text2->text().toInt() != answer)
        return "a right answer is not the one to " + w.ui().Text1->text();
    // A right answer adds one, or shows 1 after a stopped test's count; a start empties it.
    const int count = shownCount(w);
    if (count != countBefore && !(right && (count == countBefore + 1 || count == 1)) && count != 0)
        return QString("the count went from %1 to %2").arg(countBefore).arg(count);
    const QString face = w.ui().Mp3Play1->accessibleName();
    if (face != QStringList{"音乐播放器：停止", "音乐播放器：正在播放",
                            "音乐播放器：暂停"}[int(w.player.now)])
        return "the face shows " + face;
    return {};
}

// The first event after which something does not hold, with what; -1 when all hold.
std::pair<int, QString> replay(const QList<Event> &events, QRandomGenerator draws,
                               QStringList *done = nullptr) {
    TestWindow w;
    w.dialog.fileName = "a.mp3";
    for (int i = 0; i < events.size(); ++i) {
        while (w.random.draws.size() < 30)
            w.random.draws << float(draws.generateDouble());
        for (const QString &step : steps(w, events[i])) {
            if (done)
                *done << step;
            const int before = shownCount(w);
            QString why = w.run(step);
            if (why.isEmpty())
                why = broken(w, before);
            if (!why.isEmpty())
                return {i, step + ": " + why};
        }
    }
    return {-1, {}};
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
        auto [at, why] = replay(events, QRandomGenerator(seed));
        if (at < 0)
            return;
        events.resize(at + 1);
        // Shrink: drop chunks of events, halving the chunk, while the run still fails.
        for (qsizetype chunk = events.size() / 2; chunk >= 1; chunk /= 2)
            for (qsizetype from = 0; from + chunk <= events.size();) {
                QList<Event> fewer = events;
                fewer.remove(from, chunk);
                if (replay(fewer, QRandomGenerator(seed)).first >= 0)
                    events = fewer;
                else
                    from += chunk;
            }
        QStringList done;
        why = replay(events, QRandomGenerator(seed), &done).second;
        QFAIL(qPrintable(why + "; the steps: " + done.join(", ")));
    }
};

QTEST_MAIN(tst_monkey)
#include "tst_monkey.moc"
