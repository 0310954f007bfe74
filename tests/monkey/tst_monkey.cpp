#include "MonkeyEvent.h"
#include "MonkeyWindow.h"
#include "Shrink.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QtTest>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

struct RunResult {
    qsizetype failedAfter = -1; // events applied when a rule broke; 0: before any event
    QString failure;
    QByteArray digest; // after digestAfter events
    QByteArray finalDigest;
    MonkeyCoverage coverage;
};

// What the process was doing, for a sanitizer report that ends it.
struct Progress {
    quint64 seed = 0;
    const QList<MonkeyEvent> *events = nullptr;
    qsizetype current = -1;
} progress;

void onSanitizerDeath() {
    if (!progress.events || progress.current < 0)
        return;
    std::fprintf(stderr,
                 "\nmonkey: died in event %lld of seed %llu; QUENZO_MONKEY_SEED=%llu "
                 "QUENZO_MONKEY_EVENTS=%lld replays up to it. Last events:\n",
                 qint64(progress.current + 1), progress.seed, progress.seed,
                 qint64(progress.current + 1));
    for (qsizetype i = qMax<qsizetype>(0, progress.current - 15); i <= progress.current; ++i)
        std::fprintf(stderr, "  %lld. %s\n", qint64(i + 1),
                     describe(progress.events->at(i)).toUtf8().constData());
}

QString category(const QString &failure) {
    return failure.section(u':', 0, 0);
}

// Events in a fresh window, checked after each, up to the first broken rule.
RunResult run(const QList<MonkeyEvent> &events, quint64 seed, qsizetype digestAfter = -1) {
    RunResult result;
    MonkeyWindow window(seed);
    progress = {seed, &events, -1};
    result.failure = window.check();
    for (qsizetype i = 0; result.failure.isEmpty() && i < events.size(); ++i) {
        progress.current = i;
        result.failure = window.apply(events[i]);
        if (result.failure.isEmpty())
            result.failure = window.check();
        if (i + 1 == digestAfter)
            result.digest = window.digest();
        if (!result.failure.isEmpty())
            result.failedAfter = i + 1;
    }
    if (!result.failure.isEmpty() && result.failedAfter < 0)
        result.failedAfter = 0;
    progress = {};
    result.finalDigest = window.digest();
    result.coverage = window.coverage();
    return result;
}

// Thousands of keys QLineEdit has no use for (Esc, Up, ...) each draw this warning.
QtMessageHandler defaultHandler = nullptr;
void quietUnacceptedKeys(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (!text.startsWith(QLatin1String("Keyboard event not accepted")))
        defaultHandler(type, context, text);
}

quint64 seedToUse() {
    bool ok = false;
    const quint64 seed = qEnvironmentVariable("QUENZO_MONKEY_SEED").toULongLong(&ok);
    return ok ? seed : quint64(QDateTime::currentMSecsSinceEpoch());
}

int eventsToUse() {
    bool ok = false;
    const int count = qEnvironmentVariableIntValue("QUENZO_MONKEY_EVENTS", &ok);
    return ok && count >= 0 ? count : 50000;
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

    // The shrinker on a made-up fault: a sequence fails once it holds the needle's
    // items in order, so the shortest failing sequence is the needle itself.
    void shrinkKeepsOnlyWhatTheFailureNeeds_data() {
        QTest::addColumn<QList<int>>("needle");
        QTest::newRow("one item") << QList<int>{7};
        QTest::newRow("two apart") << QList<int>{3, 8};
        QTest::newRow("repeated") << QList<int>{5, 5, 5};
        QTest::newRow("at both ends") << QList<int>{9, 1, 2, 9};
    }
    void shrinkKeepsOnlyWhatTheFailureNeeds() {
        QFETCH(QList<int>, needle);
        const FailingLength<int> failingLength = [&needle](const QList<int> &items) -> qsizetype {
            qsizetype found = 0;
            for (qsizetype i = 0; i < items.size(); ++i)
                if (items[i] == needle[found] && ++found == needle.size())
                    return i + 1;
            return -1;
        };
        QList<int> haystack;
        for (int i = 0; i < 3000; ++i)
            haystack << (i * 7919) % 10;
        QVERIFY(failingLength(haystack) >= 0);
        QCOMPARE(shrink(haystack, failingLength, QDeadlineTimer(30000)), needle);
    }

    void randomEvents() {
        const quint64 seed = seedToUse();
        const QList<MonkeyEvent> events = generateEvents(seed, eventsToUse());
        std::printf("monkey: seed %llu, %lld events (QUENZO_MONKEY_SEED and QUENZO_MONKEY_EVENTS "
                    "repeat a run)\n",
                    seed, qint64(events.size()));
        std::fflush(stdout);

        QElapsedTimer took;
        took.start();
        const qsizetype checkpoint = events.size() / 10;
        const RunResult result = run(events, seed, checkpoint);
        if (!result.failure.isEmpty())
            reportShortest(events.first(result.failedAfter), seed, result.failure);

        const MonkeyCoverage &c = result.coverage;
        std::printf("monkey: %lld events in %lld ms; events in paced test %lld, in free test %lld, "
                    "with looping on %lld; %lld right answers, %lld pauses ended, %lld player "
                    "messages; digest %s\n",
                    qint64(events.size()), took.elapsed(), c.paced, c.free, c.loopOn,
                    c.rightAnswers, c.pausesEnded, c.playerMessages,
                    result.finalDigest.constData());

        // The shrinker relies on this: a replay in a fresh window goes the same way.
        if (checkpoint > 0)
            QCOMPARE(run(events.first(checkpoint), seed, checkpoint).digest, result.digest);
    }

private:
    void reportShortest(const QList<MonkeyEvent> &failing, quint64 seed, const QString &failure) {
        const QString kind = category(failure);
        const FailingLength<MonkeyEvent> sameFailure = [&](const QList<MonkeyEvent> &candidate) {
            const RunResult r = run(candidate, seed);
            return !r.failure.isEmpty() && category(r.failure) == kind ? r.failedAfter
                                                                       : qsizetype(-1);
        };
        if (sameFailure(failing) < 0)
            QFAIL(qPrintable(QStringLiteral("seed %1: \"%2\" after %3 events, but a replay in a "
                                            "fresh window does not fail the same way")
                                 .arg(seed)
                                 .arg(failure)
                                 .arg(failing.size())));
        const QList<MonkeyEvent> shortest = shrink(failing, sameFailure, QDeadlineTimer(120000));
        QString report = QStringLiteral("seed %1: %2\nafter %3 events; the shortest sequence "
                                        "found that fails so (%4 events), one per line:")
                             .arg(seed)
                             .arg(failure)
                             .arg(failing.size())
                             .arg(shortest.size());
        for (const MonkeyEvent &e : shortest)
            report += QStringLiteral("\n  ") + describe(e);
        report += QStringLiteral("\nthen: ") + run(shortest, seed).failure;
        QFAIL(qPrintable(report));
    }
};

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
