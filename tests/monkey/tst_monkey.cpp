// Thousands of random events from a printed seed on the whole window, with fakes for the
// player, the dialogs and the clock; after each, the rules that always hold are checked.
// Timers tick only in tick events; real time passes only in the rare "pauses end" event.
#include "drill/AnswerRules.h"
#include "support/Fakes.h"

#include <random>

namespace {
std::mt19937_64 dice;
int between(int lo, int hi) {
    return std::uniform_int_distribution(lo, hi)(dice);
}
QString pick(const QString &list) {
    const QStringList items = list.split('|');
    return items[between(0, int(items.size()) - 1)];
}

// Empty while every rule holds, else the rule and what was seen.
QString broken(TestWindow &w) {
    const PracticeState &s = w.window.state();
    auto &ui = w.ui();
    const int a = int(s.OperandA), b = int(s.OperandB);
    const QString asked =
        s.Operation ? QString("%1-%2=").arg(a + b).arg(b) : QString("%1+%2=").arg(a).arg(b);
    if (!ui.Text1->text().isEmpty() && ui.Text1->text() != asked)
        return "question: " + ui.Text1->text() + " for " + asked;
    static const QRegularExpression count("^(\\d+ 个)?$"), time("^(-?\\d+分-?\\d+秒)?$");
    if (!count.match(ui.Text5->text()).hasMatch())
        return "count: " + ui.Text5->text();
    for (QLineEdit *box : {ui.Text6, ui.Text7}) // a time, shown from its start
        if (!time.match(box->text()).hasMatch() ||
            (box->cursorPosition() != 0 && !box->text().isEmpty()))
            return "read-out: " + box->text();
    if (!QString("Idle Paced Free").contains(w.tests()))
        return "tests: " + w.tests();
    if ((ui.Command12->palette().color(QPalette::Button) == Qt::red) != (s.LoopPlayback == -1))
        return QString("loop: LoopPlayback %1").arg(s.LoopPlayback);
    const auto typed = parseAnswer(ui.Text2->text()); // the number in the box, or the last one
    if (ui.Text2->text().isEmpty() ? s.AnswerValue != 0 : typed && *typed != s.AnswerValue)
        return QString("answer: AnswerValue %1 for %2")
            .arg(s.AnswerValue)
            .arg(ui.Text2->text().left(20));
    return {};
}

// One event, drawn mostly where the rules live: the answer box and the buttons.
void randomEvent(TestWindow &w, QString &what) {
    if (w.random.draws.size() < 3)
        w.random.queueQuestion(between(0, 9), between(0, 9), between(0, 9));
    QString text;
    for (int n = between(1, 3); n > 0; --n) // what a child, a sibling or a paste may type
        text += between(0, 9) < 7 ? QString::number(between(0, 9))
                                  : pick("-|+| |a|.|０|７|－|😀|个|\u200b|\n|٣");
    const int kind = between(0, 99);
    if (kind < 25) {
        typeText(w.ui().Text2, what = text);
    } else if (kind < 35) {
        what = pick("Backspace|Del|Left|Home|End|Return|Tab|Shift+Left|Ctrl+A|Ctrl+Z|Ctrl+V");
        const QKeyCombination key = QKeySequence(what)[0];
        QTest::keyClick(w.ui().Text2, key.key(), key.keyboardModifiers());
    } else if (kind < 65) {
        what =
            kind < 50
                ? QString("Command3_%1").arg(between(0, 9))
                : pick("Command4|Command5|Command6|Command8|Command9|Command10|Command11|Command12|"
                       "Option1_0|Option1_1|Option1_2");
        QTest::mouseClick(w.window.findChild<QAbstractButton *>(what), Qt::LeftButton);
    } else if (kind < 80) {
        QTimer &timer = kind < 70 ? w.window.Timer1() : w.window.Timer2();
        what = "tick " + timer.objectName();
        timer.blockSignals(false);
        if (timer.isActive())
            QMetaObject::invokeMethod(&timer, "timeout");
        timer.blockSignals(true);
    } else if (kind < 88) {
        const int seconds = between(0, 9) ? between(-1, 3) : between(60, 90000);
        w.clock.time = w.clock.time.addSecs(seconds);
        what = QString("clock %1 s").arg(seconds);
    } else if (kind < 94) {
        what = pick("0|1|60|61|999|1000|32000|38460|38461|-1|2147483647|-2147483648");
        *QList{&w.player.left, &w.player.right, &w.player.length, &w.player.range}[between(0, 3)] =
            what.toInt();
        Q_EMIT w.player.PositionChanged(between(0, 1000));
    } else if (kind < 99) {
        what = "track ended or checked";
        between(0, 1) ? Q_EMIT w.player.TrackEnded()
                      : Q_EMIT w.player.FileChecked("/a.mp3", between(0, 8));
    } else {
        what = "real time until the pauses end";
        QTRY_VERIFY_WITH_TIMEOUT(!w.pausing(), 10000);
    }
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
        w.window.Timer1().blockSignals(true);
        w.window.Timer2().blockSignals(true);
        QString what;
        for (int i = 0; i < (given ? events : 4000); ++i) {
            randomEvent(w, what);
            if (const QString failure = broken(w); !failure.isEmpty())
                QFAIL(qPrintable(
                    QString("seed %1, event %2 (%3): %4").arg(seed).arg(i).arg(what, failure)));
        }
    }
};

QTEST_MAIN(tst_monkey)
#include "tst_monkey.moc"
