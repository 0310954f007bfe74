#include "MonkeyEvent.h"
#include "MonkeyWindow.h"
#include "Shrink.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <cstdio>
#include <numeric>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

// The test runs every event sequence in a child process of its own, this same program
// with QUENZO_MONKEY_CHILD set, so that a crash or a sanitizer report ends only that
// run and the sequence behind it can still be shrunk.

namespace {

// What the child is doing, for a sanitizer report that ends it.
struct Progress {
    const QList<MonkeyEvent> *events = nullptr;
    qsizetype current = -1;
} progress;

void onSanitizerDeath() {
    if (!progress.events || progress.current < 0)
        return;
    std::fprintf(stderr, "\nmonkey: died in event %lld; the last events:\n",
                 qint64(progress.current + 1));
    for (qsizetype i = qMax<qsizetype>(0, progress.current - 15); i <= progress.current; ++i)
        std::fprintf(stderr, "  %lld. %s\n", qint64(i + 1),
                     describe(progress.events->at(i)).toUtf8().constData());
}

// Thousands of keys QLineEdit has no use for (Esc, Up, ...) each draw this warning.
QtMessageHandler defaultHandler = nullptr;
void quietUnacceptedKeys(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (!text.startsWith(QLatin1String("Keyboard event not accepted")))
        defaultHandler(type, context, text);
}

// Which of the generated events a run takes, as "0-99,140,152".
QString encodeKept(const QList<qsizetype> &kept) {
    QStringList ranges;
    for (qsizetype i = 0; i < kept.size();) {
        qsizetype j = i;
        while (j + 1 < kept.size() && kept[j + 1] == kept[j] + 1)
            ++j;
        ranges << (i == j ? QString::number(kept[i])
                          : QStringLiteral("%1-%2").arg(kept[i]).arg(kept[j]));
        i = j + 1;
    }
    return ranges.join(u',');
}

QList<qsizetype> decodeKept(const QString &text, qsizetype count) {
    QList<qsizetype> kept;
    for (const QString &range : text.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype first = range.section(u'-', 0, 0).toLongLong();
        const qsizetype last =
            range.contains(u'-') ? range.section(u'-', 1, 1).toLongLong() : first;
        for (qsizetype i = first; i <= last && i < count; ++i)
            kept << i;
    }
    return kept;
}

QList<qsizetype> allOf(qsizetype count) {
    QList<qsizetype> all(count);
    std::iota(all.begin(), all.end(), 0);
    return all;
}

// What one child run reported.
struct Outcome {
    qsizetype failedAfter = -1; // events applied when a rule broke or it died; 0: before any
    QString failure;            // "rule: what was seen"
    QString sanitizerReport;
    QMap<qsizetype, QByteArray> digests; // by events applied
    QString coverage;
};

Outcome runChild(quint64 seed, qsizetype count, const QList<qsizetype> &kept, int timeoutMs) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUENZO_MONKEY_CHILD"), QStringLiteral("1"));
    env.insert(QStringLiteral("QUENZO_MONKEY_SEED"), QString::number(seed));
    env.insert(QStringLiteral("QUENZO_MONKEY_EVENTS"), QString::number(count));
    QProcess child;
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("randomEvents")});
    child.write(encodeKept(kept).toLatin1()); // may be long: stdin, not the environment
    child.closeWriteChannel();
    Outcome outcome;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        outcome.failedAfter = kept.size();
        outcome.failure = QStringLiteral("hang: no end within %1 s").arg(timeoutMs / 1000);
        return outcome;
    }
    bool ended = false;
    for (const QString &line : QString::fromUtf8(child.readAllStandardOutput()).split(u'\n')) {
        const QString rest = line.section(u' ', 1);
        if (line.startsWith(QLatin1String("monkey-digest ")))
            outcome.digests[rest.section(u' ', 0, 0).toLongLong()] =
                rest.section(u' ', 1).toLatin1();
        else if (line.startsWith(QLatin1String("monkey-failed "))) {
            outcome.failedAfter = rest.section(u' ', 0, 0).toLongLong();
            outcome.failure = rest.section(u' ', 1);
        } else if (line.startsWith(QLatin1String("monkey-coverage ")))
            outcome.coverage = rest;
        ended |= line == QLatin1String("monkey-end");
    }
    if (ended && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        return outcome;

    // Died, or a leak report at the end: a sanitizer that stops a run names the event it
    // died in; a plain crash does not.
    const QString err = QString::fromUtf8(child.readAllStandardError());
    static const QRegularExpression died(QStringLiteral("monkey: died in event (\\d+)"));
    static const QRegularExpression summary(QStringLiteral("SUMMARY: (.*)"));
    const auto diedIn = died.match(err);
    outcome.failedAfter = diedIn.hasMatch() ? diedIn.captured(1).toLongLong() : kept.size();
    const auto said = summary.match(err);
    outcome.failure =
        QStringLiteral("crash: ") +
        (said.hasMatch() ? said.captured(1) : QStringLiteral("exit code %1").arg(child.exitCode()));
    const qsizetype start =
        err.indexOf(QRegularExpression(QStringLiteral("==\\d+==ERROR|runtime error")));
    outcome.sanitizerReport = err.mid(qMax<qsizetype>(0, start)).section(u'\n', 0, 14);
    return outcome;
}

QString category(const QString &failure) {
    return failure.section(u':', 0, 0);
}

// The child's side: the kept events, read from stdin, in one window, checked after each.
void runHere(quint64 seed, const QList<MonkeyEvent> &all) {
    QFile in;
    QVERIFY(in.open(stdin, QIODevice::ReadOnly));
    QList<MonkeyEvent> events;
    for (qsizetype i : decodeKept(QString::fromLatin1(in.readAll()), all.size()))
        events << all[i];
    const qsizetype checkpoint = events.size() / 10;

    MonkeyWindow window(seed);
    progress = {&events, -1};
    QString failure = window.check();
    qsizetype applied = 0;
    while (failure.isEmpty() && applied < events.size()) {
        progress.current = applied;
        failure = window.apply(events[applied++]);
        if (failure.isEmpty())
            failure = window.check();
        if (applied == checkpoint || applied == events.size())
            std::printf("monkey-digest %lld %s\n", qint64(applied), window.digest().constData());
    }
    progress = {};
    if (!failure.isEmpty())
        std::printf("monkey-failed %lld %s\n", qint64(applied), qPrintable(failure));
    const MonkeyCoverage &c = window.coverage();
    std::printf("monkey-coverage events in paced test %lld, in free test %lld, with looping on "
                "%lld; %lld right answers, %lld pauses ended, %lld player messages\n"
                "monkey-end\n",
                c.paced, c.free, c.loopOn, c.rightAnswers, c.pausesEnded, c.playerMessages);
    std::fflush(stdout);
}

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        defaultHandler = qInstallMessageHandler(quietUnacceptedKeys);
#if defined(__SANITIZE_ADDRESS__)
        __sanitizer_set_death_callback(onSanitizerDeath);
#endif
    }

    // The shrinker on a made-up fault: a 0 toggles a switch, and a sequence fails where
    // it holds the needle's items in order with the switch off. So the shortest failing
    // sequence is the needle itself, and two 0s only go together.
    void shrinkKeepsOnlyWhatTheFailureNeeds_data() {
        QTest::addColumn<QList<int>>("haystack");
        QTest::addColumn<QList<int>>("needle");
        QList<int> digits;
        for (int i = 0; i < 3000; ++i)
            digits << (i * 7919) % 10;
        QTest::newRow("one item") << digits << QList<int>{7};
        QTest::newRow("two apart") << digits << QList<int>{3, 8};
        QTest::newRow("repeated") << digits << QList<int>{5, 5, 5};
        QTest::newRow("at both ends") << digits << QList<int>{9, 1, 2, 9};
        QTest::newRow("switched on and off") << QList<int>{4, 0, 0, 6} << QList<int>{4, 6};
    }
    void shrinkKeepsOnlyWhatTheFailureNeeds() {
        QFETCH(QList<int>, haystack);
        QFETCH(QList<int>, needle);
        const FailingLength<int> failingLength = [&needle](const QList<int> &items) -> qsizetype {
            qsizetype found = 0;
            bool on = false;
            for (qsizetype i = 0; i < items.size(); ++i) {
                if (found < needle.size() && items[i] == needle[found])
                    ++found;
                on ^= items[i] == 0;
                if (found == needle.size() && !on)
                    return i + 1;
            }
            return -1;
        };
        QVERIFY(failingLength(haystack) >= 0);
        QCOMPARE(shrink(haystack, failingLength, QDeadlineTimer(30000)), needle);
        QCOMPARE(decodeKept(encodeKept({0, 1, 2, 5, 7, 8}), 10),
                 (QList<qsizetype>{0, 1, 2, 5, 7, 8}));
    }

    void randomEvents() {
        bool given = false;
        const quint64 chosen = qEnvironmentVariable("QUENZO_MONKEY_SEED").toULongLong(&given);
        const quint64 seed = given ? chosen : quint64(QDateTime::currentMSecsSinceEpoch());
        const int count = qEnvironmentVariableIsSet("QUENZO_MONKEY_EVENTS")
                              ? qEnvironmentVariableIntValue("QUENZO_MONKEY_EVENTS")
                              : 50000;
        const QList<MonkeyEvent> all = generateEvents(seed, count);
        if (qEnvironmentVariableIsSet("QUENZO_MONKEY_CHILD"))
            return runHere(seed, all);

        const QList<qsizetype> kept =
            qEnvironmentVariableIsSet("QUENZO_MONKEY_KEEP")
                ? decodeKept(qEnvironmentVariable("QUENZO_MONKEY_KEEP"), count)
                : allOf(count);
        std::printf("monkey: seed %llu, %lld events (QUENZO_MONKEY_SEED and QUENZO_MONKEY_EVENTS "
                    "repeat a run)\n",
                    seed, qint64(kept.size()));
        std::fflush(stdout);
        QElapsedTimer took;
        took.start();
        const Outcome outcome = runChild(seed, count, kept, 300000);
        if (outcome.failedAfter >= 0)
            return reportShortest(seed, all, kept.first(outcome.failedAfter), outcome);
        const qsizetype checkpoint = kept.size() / 10;
        std::printf("monkey: %lld events in %lld ms; %s; digest %s\n", qint64(kept.size()),
                    took.elapsed(), qPrintable(outcome.coverage),
                    outcome.digests.value(kept.size()).constData());

        // The shrinker relies on this: a replay in a fresh process goes the same way.
        if (checkpoint > 0)
            QCOMPARE(
                runChild(seed, count, kept.first(checkpoint), 300000).digests.value(checkpoint),
                outcome.digests.value(checkpoint));
    }

private:
    void reportShortest(quint64 seed, const QList<MonkeyEvent> &all,
                        const QList<qsizetype> &failing, const Outcome &first) {
        const int count = int(all.size());
        const QString kind = category(first.failure);
        Outcome last = first;
        const FailingLength<qsizetype> sameFailure = [&](const QList<qsizetype> &candidate) {
            const Outcome o = runChild(seed, count, candidate, 60000);
            if (o.failedAfter < 0 || category(o.failure) != kind)
                return qsizetype(-1);
            last = o;
            return o.failedAfter;
        };
        const bool replays = sameFailure(failing) >= 0;
        const QList<qsizetype> shortest =
            replays ? shrink(failing, sameFailure, QDeadlineTimer(120000)) : failing;
        QString report = QStringLiteral("seed %1: %2\nafter %3 events; the shortest sequence found "
                                        "that fails so has %4 events, one per line:")
                             .arg(seed)
                             .arg(first.failure)
                             .arg(failing.size())
                             .arg(shortest.size());
        for (qsizetype i : shortest)
            report += QStringLiteral("\n  %1. %2").arg(i + 1).arg(describe(all[i]));
        if (!replays)
            report += QStringLiteral("\nA replay of them did not fail so: the run is not "
                                     "repeatable, which has to be mended first.");
        report += QStringLiteral("\nit ends in: %1").arg(last.failure);
        if (!last.sanitizerReport.isEmpty())
            report += u'\n' + last.sanitizerReport;
        report += QStringLiteral("\nreplay: QUENZO_MONKEY_SEED=%1 QUENZO_MONKEY_EVENTS=%2 "
                                 "QUENZO_MONKEY_KEEP=%3")
                      .arg(seed)
                      .arg(count)
                      .arg(encodeKept(shortest));
        QFAIL(qPrintable(report));
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
