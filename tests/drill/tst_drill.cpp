// The drill's rules, and answers typed and keyed into the whole window.
#include "drill/AnswerRules.h"
#include "drill/Question.h"
#include "drill/RandomSource.h"
#include "support/Fakes.h"

constexpr int NoNumber = 99999; // the text is not a number the drill can judge

class tst_drill : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWindow> w;

private slots:
    void init() {
        w = std::make_unique<TestWindow>();
        QVERIFY(w->shown);
    }
    void cleanup() { w.reset(); }

    // A float draw can round up to 1.0: that is still the highest digit, not 10. The program's
    // own generator draws every digit about as often, and another seed draws others.
    void drawnDigits() {
        QCOMPARE(digitOf(1.0f), 9);
        SeededRandomSource random;
        QList<int> seen(10, 0), first, other;
        for (const quint64 seed : {20260105u, 20260106u}) {
            random.seed(seed);
            for (int i = 0; i < 10000; ++i) {
                const int digit = digitOf(random.draw());
                ++seen[digit];
                (seed == 20260105u ? first : other) << digit;
            }
        }
        QCOMPARE_GE(*std::min_element(seen.begin(), seen.end()), 1800); // of 2000 each
        QCOMPARE_LE(*std::max_element(seen.begin(), seen.end()), 2200);
        QVERIFY(first != other);
    }

    // The timers the program ships, on the real event loop: never early, ticking on at their
    // pace; a new interval takes effect on a running timer; stopped, one ticks no more.
    void realTimer_data() {
        addTable(R"(
row                            | single | interval | then
repeating: 4 ticks             |        | 150      |
single-shot: 1 tick            | yes    | 150      |
a new interval while it runs   |        | 60000    | 150
stopped at its first tick      |        | 150      | stop
)");
    }
    void realTimer() {
        QFETCH(QString, single);
        QFETCH(QString, interval);
        QFETCH(QString, then);
        const int pace = then.toInt() ? then.toInt() : interval.toInt(),
                  count = single.isEmpty() && then != "stop" ? 4 : 1;
        std::unique_ptr<Timer> timer(qtTimers()(nullptr));
        QElapsedTimer since;
        QList<qint64> at; // µs of each tick
        connect(timer.get(), &Timer::timeout, this, [&] {
            at << since.nsecsElapsed() / 1000;
            if (then == "stop")
                timer->stop();
        });
        timer->setSingleShot(single == "yes");
        timer->setInterval(interval.toInt());
        timer->start();
        since.start();
        if (then.toInt())
            timer->setInterval(pace);
        QVERIFY(QTest::qWaitFor([&] { return at.size() >= count; }, 20 * pace));
        QVERIFY(count > 1 || !QTest::qWaitFor([&] { return at.size() > 1; }, 3 * pace));
        for (int i = 0; i < count; ++i) // never early; late only as much as a busy machine makes it
            QCOMPARE_GE(at[i] - (i ? at[i - 1] : 0), pace * 1000 - 1000);
        QCOMPARE_LT(at[count - 1], count * pace * 1500);
    }

    // What typed text reads as (a number, or none), and what it does on a question of that sum.
    void judging_data() {
        QTest::addColumn<bool>("subtraction");
        QTest::addColumn<int>("sum");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<AnswerAction>("action");
        const auto row = [](const char *name, bool subtraction, int sum, const QString &text,
                            int number, AnswerAction action = {}) {
            QTest::newRow(name) << subtraction << sum << text << number << action;
        };
        row("sum 9, 9 with spaces and a sign", false, 9, " +9 ", 9, AnswerAction::Judge);
        row("sum 9, 10: too many digits", false, 9, "10", 10, AnswerAction::ShowWrong);
        row("sum 10, 9: waits", false, 10, "009", 9, AnswerAction::Wait);
        row("sum 18, highest number", false, 18, "32767", 32767, AnswerAction::Judge);
        row("sum 15, lowest number", false, 15, "-32768", -32768, AnswerAction::Wait);
        row("subtraction, 155", true, 5, "155", 155, AnswerAction::Judge);
        row("full-width 12, wide spaces", false, 12, "\u3000１２\u3000", 12, AnswerAction::Judge);
        row("full-width minus", false, 0, "－８", -8, AnswerAction::Judge);
        for (const char *text :
             {"32768", "-32769", "-", "- 5", "--8", "8-", "8 8", "8.0", "八", "٨", "8abc"})
            row(text, false, 0, text, NoNumber);
        row("NUL after the digit", false, 0, QString("8") + QChar(0), NoNumber);
        row("10 000 digits", false, 0, QString(10000, u'9'), NoNumber);
    }
    void judging() {
        QFETCH(bool, subtraction);
        QFETCH(int, sum);
        QFETCH(QString, text);
        const std::optional<qint16> n = parseAnswer(text);
        QTEST(n ? int(*n) : NoNumber, "number");
        if (n)
            QTEST(answerAction(subtraction, sum, *n), "action");
    }

    // What a child does, then what the window shows: the question, the answer, where the next
    // keys land (and the caret there), the picture and the count.
    void entry_data() {
        addTable(R"(
row                                        | steps                                      | question | answer | focus | caret | picture | count
start-up: keys go to the question box      | type 1                                     | 1        |        | Text1 | 1     | none    |
before any question, 0 is right            | key 0                                      |          | 0      | Text1 | 0     | tick    | 1 个
wrong on the keypad: keys go to the answer | key 5                                      |          | 5      | Text2 | 1     | cross   |
3+4: 7 right at once                       | next 3+4, type 7                           | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
3+4: 8 wrong at once                       | next 3+4, type 8                           | 3+4=     | 8      | Text2 | 1     | cross   |
9+6: 1 waits                               | next 9+6, type 1                           | 9+6=     | 1      | Text2 | 1     | none    |
9+6: keypad 1, then typed 5                | next 9+6, key 1, type 5                    | 9+6=     | 15     | Text2 | 2     | tick    | 1 个
15-9: 1 wrong at once                      | next 15-9, type 1                          | 15-9=    | 1      | Text2 | 1     | cross   |
Clear twice                                | next 3+4, key 7, clear, clear              | 3+4=     |        | Text2 | 0     | none    | 1 个
letters after a right 7, then the keypad   | next 3+4, type 7a, key 0                   | 3+4=     | 70     | Text2 | 2     | cross   | 1 个
outside a test, each right answer counts   | next 3+4, type 7, clear, type 7            | 3+4=     | 7      | Text2 | 1     | tick    | 2 个
after a level is chosen                    | next 3+4, level 高级, type 7               | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
after the About dialog                     | next 3+4, about, type 7                    | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
next question                              | next 3+4, type 7, next 14-9                | 14-9=    |        | Text2 | 0     | none    | 1 个
keypad stops at nine digits | next 3+4, key 1, key 0, key 0, key 0, key 0, key 0, key 0, key 0, key 0, key 0 | 3+4= | 100000000 | Text2 | 9 | cross |
a wrong 8 taken back, then 7               | next 3+4, type 8, press Backspace, type 7  | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
a right 7 taken back                       | next 3+4, type 7, press Backspace          | 3+4=     |        | Text2 | 0     | none    | 1 个
9+6: the waiting 1 taken back, then 15     | next 9+6, type 1, press Backspace, type 15 | 9+6=     | 15     | Text2 | 2     | tick    | 1 个
Delete after a wrong 8: nothing after it   | next 3+4, type 8, press Del                | 3+4=     | 8      | Text2 | 1     | cross   |
Delete before a right 7                    | next 3+4, type 7, press Home, press Del    | 3+4=     |        | Text2 | 0     | none    | 1 个
Enter on a question, then 7                | next 3+4, press Return, type 7             | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
Escape and Enter after a right 7           | next 3+4, type 7, press Esc, press Return  | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
numeric keypad: 1, 5                       | next 9+6, numpad 1, numpad 5               | 9+6=     | 15     | Text2 | 2     | tick    | 1 个
numeric keypad after a right 7             | next 3+4, type 7, numpad 8                 | 3+4=     | 78     | Text2 | 2     | cross   | 1 个
7 held down: right, then too long          | next 3+4, hold 7                           | 3+4=     | 777    | Text2 | 3     | cross   | 1 个
)");
    }

    void entry() {
        QFETCH(QString, steps);
        QCOMPARE_TEXT(w->run(steps), "");
        QTEST_TEXT(w->ui().Text1->text(), "question");
        QTEST_TEXT(w->ui().Text2->text(), "answer");
        auto *box = qobject_cast<QLineEdit *>(w->focus());
        QTEST_TEXT(w->focus() ? w->focus()->objectName() : "nothing", "focus");
        QTEST_TEXT(QString::number(box ? box->cursorPosition() : -1), "caret");
        QTEST_TEXT(pictureSeen(w->ui().Picture1), "picture");
        QTEST_TEXT(w->ui().Text5->text(), "count");
    }
};

QTEST_MAIN(tst_drill)
#include "tst_drill.moc"
