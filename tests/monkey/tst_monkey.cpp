// Tens of thousands of random events from a printed seed on the whole window, with fakes
// for the player, the dialogs and the clock, and after each event the rules that always
// hold are checked. Each run is a child process (QUENZO_MONKEY_CHILD), so a crash or a
// sanitizer report ends only that run; a failure is shrunk by ddmin over the events.
// Time passes only inside events: the timers tick only in tick events, and the free
// test's pauses end only in the two rare events that run the event loop.

#include "about/AboutServices.h"
#include "about/LinuxRegistry.h"
#include "app/Form1.h"
#include "drill/AnswerRules.h"
#include "drill/Drill.h"
#include "player/PlayerPanel.h"
#include "support/Fakes.h"
#include "ui_Form1.h"

#include <QtTest>
#include <QtWidgets>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

std::mt19937_64 dice;
const auto between = [](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(dice); };
const auto oneIn = [](int n) { return between(1, n) == 1; };
const auto pick = [](const auto &list) { return list[between(0, int(std::size(list)) - 1)]; };

const auto list = [](const char *items) { return QString::fromUtf8(items).split(u'|'); };
// What a child, a sibling or a paste can put into a text box.
const QStringList kPieces = list("0|1|5|9|-|+| |\t|a|.|e|０|７|－|😀|个|\u200b|\u0301|\n|٣|Ⅻ") +
                            QStringList{QString(QChar(0)), QString(QChar(0xd800))};
QString text(int length, int digitsInTen) {
    QString t;
    while (t.size() < length)
        t += between(1, 10) <= digitsInTen ? QString::number(between(0, 9)) : pick(kPieces);
    return t;
}
const QString kFiles[] = {"", "", "song.mp3", "/no/such/folder/歌.mp3", "/", "很长的名字.mp3"};
const int kEdges[] = {0,     1,     60,    61, 999,  1000,    1001,   32000,
                      38460, 38461, 65536, -1, -120, INT_MAX, INT_MIN};
const QStringList kKeys = list("Backspace|Del|Left|Home|End|Return|Esc|Tab|-|Shift+Left|Ctrl+A|"
                               "Ctrl+Z|Ctrl+X|Ctrl+V|Ctrl+Backspace|Num+0|Num+7");
const QStringList kButtons = list("Command4|Command5|Command6|Command6|Command8|Command9|Command9|"
                                  "Command10|Command11|Command12|Command12|Option1_0|Option1_1|"
                                  "Option1_2");

struct Event {
    int kind = 0, a = 0, b = 0;
    QString text;
};

// Form1 on fakes, shown on the offscreen platform, taking events one by one.
struct Monkey {
    explicit Monkey(quint64 seed)
        : random(seed)
        , window({&random, &clock, &player, &dialog, &about}, QStringLiteral(QUENZO_ASSETS_DIR)) {
        about.registry = std::make_unique<LinuxRegistry>();
        about.startProgram = [](const QString &) { return false; };
        about.showMessage = [](QWidget *, const QString &, const QString &) {};
        window.findChild<PlayerPanel *>()->setShowMessage([](const QString &) {});
        window.Timer1().blockSignals(true);
        window.Timer2().blockSignals(true);
        window.show();
    }
    Ui::Form1 &ui() { return window.ui(); }
    // Empty while every rule holds, else "rule: what was seen".
    QString check() {
        const PracticeState &s = window.state();
        const auto digit = [](float v) { return v >= 0 && v <= 9 && v == std::floor(v); };
        if (!digit(s.OperandA) || !digit(s.OperandB) || (s.Operation != 0 && s.Operation != 1))
            return QString::asprintf("question: operands %g and %g, operation %d", s.OperandA,
                                     s.OperandB, s.Operation);
        const int a = int(s.OperandA), b = int(s.OperandB);
        const QString asked = s.Operation == 0 ? QStringLiteral("%1+%2=").arg(a).arg(b)
                                               : QStringLiteral("%1-%2=").arg(a + b).arg(b);
        if (!ui().Text1->text().isEmpty() && ui().Text1->text() != asked)
            return QStringLiteral("question: Text1 shows %1 for %2").arg(ui().Text1->text(), asked);

        static const QRegularExpression count(QStringLiteral("^\\d+ 个$"));
        if (!ui().Text5->text().isEmpty() && !count.match(ui().Text5->text()).hasMatch())
            return QStringLiteral("count: Text5 shows \"%1\"").arg(ui().Text5->text());

        // Idle, paced or free: Timer1, Timer2, FreeTestRunning, Command4, Command5.
        static const QStringList states = {"0 0 0 匀速测试 1 自由测试 1", "1 1 0 停止 1 自由测试 0",
                                           "0 1 1 匀速测试 0 停止 1"};
        const QString seen = QString::asprintf(
            "%d %d %d %s %d %s %d", window.Timer1().isActive(), window.Timer2().isActive(),
            s.FreeTestRunning, qUtf8Printable(ui().Command4->text()), ui().Command4->isEnabled(),
            qUtf8Printable(ui().Command5->text()), ui().Command5->isEnabled());
        if (!states.contains(seen))
            return QStringLiteral("tests: ") + seen;

        const bool red = ui().Command12->palette().color(QPalette::Button) == QColor(Qt::red);
        if ((s.LoopPlayback != 0 && s.LoopPlayback != -1) || red != (s.LoopPlayback == -1))
            return QString::asprintf("loop: LoopPlayback %d, Command12 red %d", s.LoopPlayback,
                                     red);

        // AnswerValue is the number in the box, or the last one while the box holds none.
        const QString box = ui().Text2->text();
        const auto typed = parseAnswer(box);
        if (box.isEmpty() ? s.AnswerValue != 0 : typed && *typed != s.AnswerValue)
            return QString::asprintf("answer: AnswerValue %d with \"%s\" in the box", s.AnswerValue,
                                     qUtf8Printable(box.left(20)));
        return {};
    }

    static void tick(QTimer &timer) {
        timer.blockSignals(false);
        if (timer.isActive())
            QMetaObject::invokeMethod(&timer, "timeout");
        timer.blockSignals(true);
    }

    // The dialog runs its own event loop inside the click: a zero timer finds it there.
    void openAbout(int closeBy, int extras) {
        if (!letPausesEnd())
            return;
        problem = QStringLiteral("about: the dialog did not open");
        QTimer::singleShot(0, &window, [=, this] {
            auto *dialog = window.findChild<QDialog *>();
            if (!dialog)
                return;
            problem.clear();
            for (QTimer *timer : {&window.Timer1(), &window.Timer2()})
                if (extras & 1)
                    tick(*timer);
            if (extras & 2)
                dialog->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->click();
            closeBy ? QTest::keyClick(dialog, closeBy == 1 ? Qt::Key_Escape : Qt::Key_Return)
                    : dialog->reject();
            if (dialog->isVisible()) {
                problem = QStringLiteral("about: the dialog stayed open");
                dialog->reject();
            }
        });
        ui().Command7->click();
    }

    // The drill's pause after a right answer in a free test is a timer it owns.
    bool pausing() {
        for (const QTimer *t : window.findChild<Drill *>()->findChildren<QTimer *>())
            if (t->isActive())
                return true;
        return false;
    }
    bool letPausesEnd() {
        if (QTest::qWaitFor([this] { return !pausing(); }, 10000))
            return true;
        problem = QStringLiteral("pause: a free test's pause did not end within 10 s");
        return false;
    }

    FixedSeedRandom random;
    SetClock clock;
    RecordingPlayer player;
    ScriptedDialog dialog;
    AboutServices about;
    Form1 window;
    QString problem; // what went wrong while an event ran
};

using M = Monkey &;
using E = const Event &;

// Mostly the answer box and the keypad, where the drill's rules live; rarest the two
// events that let real time pass (weights per ten thousand). draw sets a, b and text,
// which the description shows as %a, %b and %t.
const struct {
    int weight;
    const char *what;
    void (*draw)(Event &);
    void (*apply)(M, E);
} kKinds[] = {
    {1500, "type %t", [](Event &e) { e.text = text(between(1, oneIn(8) ? 12 : 3), 8); },
     [](M m, E e) {
         for (QChar c : e.text)
             QTest::sendKeyEvent(QTest::Click, m.ui().Text2, Qt::Key_unknown, c, {});
     }},
    {800, "key %t", [](Event &e) { e.text = pick(kKeys); },
     [](M m, E e) {
         const QKeyCombination key = QKeySequence(e.text)[0];
         QTest::keyClick(m.ui().Text2, key.key(), key.keyboardModifiers());
     }},
    {450, "paste %t (%a: 0 replaces the text, 1 inserts at the caret)",
     [](Event &e) { e.a = between(0, 1), e.text = text(oneIn(20) ? 10000 : between(1, 40), 3); },
     [](M m, E e) { e.a ? m.ui().Text2->insert(e.text) : m.ui().Text2->setText(e.text); }},
    {300, "input method commits %t", [](Event &e) { e.text = text(between(1, 6), 2); },
     [](M m, E e) {
         QInputMethodEvent commit;
         commit.setCommitString(e.text);
         QCoreApplication::sendEvent(m.ui().Text2, &commit);
     }},
    {600, "the right answer typed over the selection", nullptr,
     [](M m, E) {
         const PracticeState &s = m.window.state();
         m.ui().Text2->selectAll();
         QTest::keyClicks(m.ui().Text2,
                          QString::number(s.Operation ? s.OperandA : s.OperandA + s.OperandB));
     }},
    // Half of them on the keypad. A disabled button ignores the click, as under a finger.
    {3400, "click %t",
     [](Event &e) {
         e.text = oneIn(2) ? QStringLiteral("Command3_%1").arg(between(0, 9)) : pick(kButtons);
     },
     [](M m, E e) { m.window.findChild<QAbstractButton *>(e.text)->click(); }},
    {1100, "Timer%a ticks", [](Event &e) { e.a = between(1, 2); },
     [](M m, E e) { m.tick(e.a == 1 ? m.window.Timer1() : m.window.Timer2()); }},
    {100, "the component's Open will answer %a, its Play %b",
     [](Event &e) { e.a = oneIn(2) ? 0 : between(1, 9), e.b = oneIn(5) ? between(1, 9) : 0; },
     [](M m, E e) { m.player.openStatus = e.a, m.player.playStatus = e.b; }},
    {100, "the open dialog will answer %t (empty: cancelled)",
     [](Event &e) { e.text = pick(kFiles); }, [](M m, E e) { m.dialog.fileName = e.text; }},
    {200, "the component's %a (0 left, 1 right volume, 2 length, 3 range) reads %b",
     [](Event &e) { e.a = between(0, 3), e.b = oneIn(3) ? between(-100, 40000) : pick(kEdges); },
     [](M m, E e) {
         *QList{&m.player.left, &m.player.right, &m.player.length, &m.player.range}[e.a] = e.b;
     }},
    {300, "position event %a", [](Event &e) { e.a = oneIn(2) ? between(0, 1000) : pick(kEdges); },
     [](M m, E e) { Q_EMIT m.player.PositionChanged(e.a); }},
    {150, "track ended", nullptr, [](M m, E) { Q_EMIT m.player.TrackEnded(); }},
    // Across midnight now and then, and sometimes back.
    {440, "the clock moves %a s",
     [](Event &e) { e.a = oneIn(10) ? between(60, 3600) : between(-1, 3); },
     [](M m, E e) { m.clock.time = m.clock.time.addSecs(e.a); }},
    {3, "About opened and closed by %a (0 reject, 1 Esc, 2 Enter); extras %b (1 ticks, 2 sysinfo)",
     [](Event &e) { e.a = between(0, 2), e.b = between(0, 3); },
     [](M m, E e) { m.openAbout(e.a, e.b); }},
    {3, "real time passes until the pauses end", nullptr, [](M m, E) { m.letPausesEnd(); }},
};

QList<Event> generate(quint64 seed, int count) {
    dice.seed(seed);
    // Weight i is taken at i + 0.5.
    std::discrete_distribution<int> drawKind(std::size(kKinds), 0, std::size(kKinds),
                                             [](double i) { return kKinds[int(i)].weight; });
    QList<Event> events(count);
    for (Event &e : events)
        if (const auto draw = kKinds[e.kind = drawKind(dice)].draw)
            draw(e);
    return events;
}

QString describe(const Event &e) {
    QString shown;
    QDebug(&shown).nospace() << e.text.left(24);
    if (e.text.size() > 24)
        shown += QStringLiteral("… (%1 characters)").arg(e.text.size());
    return QString::fromUtf8(kKinds[e.kind].what)
        .replace(QLatin1String("%a"), QString::number(e.a))
        .replace(QLatin1String("%b"), QString::number(e.b))
        .replace(QLatin1String("%t"), shown);
}

QList<int> ids(const QByteArray &text) {
    QList<int> list;
    for (const QByteArray &id : text.split(' '))
        if (!id.isEmpty())
            list << id.toInt();
    return list;
}

// The child's side: the events whose indices come on stdin, checked after each.
void runHere(quint64 seed, const QList<Event> &all) {
    QFile in;
    QVERIFY(in.open(stdin, QIODevice::ReadOnly));
    const QList<int> kept = ids(in.readAll());
    Monkey monkey(seed);
    QString failure = monkey.check();
    qsizetype applied = 0;
    while (failure.isEmpty() && applied < kept.size()) {
        const Event &e = all.value(kept[applied++]);
        kKinds[e.kind].apply(monkey, e);
        failure = monkey.problem.isEmpty() ? monkey.check() : monkey.problem;
    }
    if (!failure.isEmpty())
        std::printf("monkey-failed %lld %s\n", qint64(applied), qPrintable(failure));
    std::fflush(stdout);
}

struct Outcome {
    qsizetype failedAfter = -1; // events applied when it failed; -1: it did not
    QString failure;            // "rule: what was seen"
};

// The child inherits the seed, the count and the child flag from this process.
Outcome runChild(const QList<int> &kept, int timeoutMs) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("randomEvents")});
    for (int i : kept) // may be long: stdin, not the environment
        child.write(QByteArray::number(i) + ' ');
    child.closeWriteChannel();
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        return {kept.size(), QStringLiteral("hang: no end within %1 s").arg(timeoutMs / 1000)};
    }
    static const QRegularExpression failed(QStringLiteral("^monkey-failed (\\d+) (.*)$"),
                                           QRegularExpression::MultilineOption);
    if (const auto m = failed.match(QString::fromUtf8(child.readAllStandardOutput())); m.hasMatch())
        return {m.captured(1).toLongLong(), m.captured(2)};
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return {};
    // A crash, or a leak report at the end: the sanitizer's first word on it says which.
    static const QRegularExpression said(QStringLiteral("^.*(runtime error|SUMMARY): .*$"),
                                         QRegularExpression::MultilineOption);
    const auto m = said.match(QString::fromUtf8(child.readAllStandardError()));
    return {kept.size(), QStringLiteral("crash: ") +
                             (m.hasMatch() ? m.captured(0)
                                           : QStringLiteral("exit code %1").arg(child.exitCode()))};
}

// ddmin on complements; fails() replays a candidate and, when it fails the same way,
// cuts it to the events up to the failure.
QList<int> ddmin(QList<int> items, const std::function<bool(QList<int> &)> &fails) {
    const QDeadlineTimer deadline(120000);
    for (qsizetype parts = 2; items.size() >= 2 && !deadline.hasExpired();) {
        const qsizetype chunk = (items.size() + parts - 1) / parts;
        bool reduced = false;
        for (qsizetype at = 0; at < items.size() && !reduced && !deadline.hasExpired();
             at += chunk) {
            QList<int> candidate = items;
            candidate.remove(at, qMin(chunk, items.size() - at));
            if ((reduced = fails(candidate)))
                items = candidate;
        }
        if (!reduced && parts >= items.size())
            break;
        parts = reduced ? qMax<qsizetype>(parts - 1, 2) : qMin(parts * 2, items.size());
    }
    return items;
}

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void randomEvents() {
        bool given = false, counted = false;
        const quint64 chosen = qEnvironmentVariable("QUENZO_MONKEY_SEED").toULongLong(&given);
        const quint64 seed = given ? chosen : quint64(QDateTime::currentMSecsSinceEpoch());
        const int asked = qEnvironmentVariableIntValue("QUENZO_MONKEY_EVENTS", &counted);
        const int count = counted ? asked : 50000;
        const QList<Event> all = generate(seed, count);
        if (qEnvironmentVariableIsSet("QUENZO_MONKEY_CHILD"))
            return runHere(seed, all);
        QList<int> kept = ids(qgetenv("QUENZO_MONKEY_KEEP"));
        for (int i = 0; i < count && !qEnvironmentVariableIsSet("QUENZO_MONKEY_KEEP"); ++i)
            kept << i;
        qInfo("seed %llu (QUENZO_MONKEY_SEED), %d events (QUENZO_MONKEY_EVENTS)", seed, count);
        qputenv("QUENZO_MONKEY_SEED", QByteArray::number(seed));
        qputenv("QUENZO_MONKEY_EVENTS", QByteArray::number(count));
        qputenv("QUENZO_MONKEY_CHILD", "1");
        const Outcome first = runChild(kept, 300000);
        if (first.failedAfter < 0)
            return;

        Outcome last = first;
        const auto kind = [](const Outcome &o) { return o.failure.section(u':', 0, 0); };
        const auto fails = [&](QList<int> &candidate) {
            const Outcome o = runChild(candidate, 60000);
            if (o.failedAfter < 0 || kind(o) != kind(first))
                return false;
            candidate.resize(o.failedAfter);
            last = o;
            return true;
        };
        QList<int> shortest = kept.first(first.failedAfter);
        const bool replays = fails(shortest);
        if (replays)
            shortest = ddmin(shortest, fails);
        QString report =
            QStringLiteral("seed %1: %2\nthe shortest failing sequence, of %3 events:")
                .arg(QString::number(seed), last.failure, QString::number(first.failedAfter));
        QByteArray keep;
        for (int i : shortest) {
            report += QStringLiteral("\n  %1. ").arg(i) + describe(all[i]);
            keep += QByteArray::number(i) + ' ';
        }
        if (!replays)
            report += QStringLiteral("\nA replay did not fail so: the run is not repeatable.");
        report += QString::asprintf("\nreplay: QUENZO_MONKEY_SEED=%llu QUENZO_MONKEY_EVENTS=%d "
                                    "QUENZO_MONKEY_KEEP=\"%s\"",
                                    seed, count, keep.trimmed().constData());
        QFAIL(qPrintable(report));
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
