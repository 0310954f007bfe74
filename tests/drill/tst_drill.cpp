// The drill's rules, and answers typed and keyed into the whole window.
#include "drill/AnswerRules.h"
#include "drill/Question.h"
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

    // A float draw can round up to 1.0: that is still the highest digit, not 10.
    void drawnDigits() {
        QCOMPARE(digitOf(0.95f), 9);
        QCOMPARE(digitOf(1.0f), 9);
    }

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
        row("full-width 8", false, 8, "８", 8, AnswerAction::Judge);
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
row                                        | steps                                  | question | answer | focus | caret | picture | count
start-up: keys go to the question box      | type 1                                 | 1        |        | Text1 | 1     | none    |
before any question, 0 is right            | key 0                                  |          | 0      | Text1 | 0     | tick    | 1 个
wrong on the keypad: keys go to the answer | key 5                                  |          | 5      | Text2 | 1     | cross   |
3+4: 7 right at once                       | next 3+4, type 7                       | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
3+4: 8 wrong at once                       | next 3+4, type 8                       | 3+4=     | 8      | Text2 | 1     | cross   |
9+6: 1 waits                               | next 9+6, type 1                       | 9+6=     | 1      | Text2 | 1     | none    |
9+6: keypad 1, then typed 5                | next 9+6, key 1, type 5                | 9+6=     | 15     | Text2 | 2     | tick    | 1 个
15-9: 1 wrong at once                      | next 15-9, type 1                      | 15-9=    | 1      | Text2 | 1     | cross   |
85 after a wrong 8                         | next 3+4, type 8, key 5                | 3+4=     | 85     | Text2 | 2     | cross   |
then Clear, typed 7                        | next 3+4, type 8, key 5, clear, type 7 | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
Clear twice                                | next 3+4, key 7, clear, clear          | 3+4=     |        | Text2 | 0     | none    | 1 个
letters after a right 7, then the keypad   | next 3+4, type 7a, key 0               | 3+4=     | 70     | Text2 | 2     | cross   | 1 个
full-width typed                           | next 3+4, type ７                      | 3+4=     | ７     | Text2 | 1     | tick    | 1 个
outside a test, each right answer counts   | next 3+4, type 7, clear, type 7        | 3+4=     | 7      | Text2 | 1     | tick    | 2 个
after a level is chosen                    | next 3+4, level 高级, type 7           | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
after the About dialog                     | next 3+4, about, type 7                | 3+4=     | 7      | Text2 | 1     | tick    | 1 个
next question                              | next 3+4, type 7, next 14-9            | 14-9=    |        | Text2 | 0     | none    | 1 个
free test: on 600 ms after the right one   | queue 3+4, free, type 7, wait 600      | 0+0=     |        | Text2 | 0     | none    | 1 个
free test stopped in the pause             | queue 3+4, free, type 7, free, wait 600 | 0+0=    |        | Text2 | 0     | none    | 1 个
keypad stops at nine digits | next 3+4, key 1, key 0, key 0, key 0, key 0, key 0, key 0, key 0, key 0, key 0 | 3+4= | 100000000 | Text2 | 9 | cross |
)");
    }

    void entry() {
        QFETCH(QString, steps);
        QCOMPARE(w->run(steps), QString());
        QTEST(w->ui().Text1->text(), "question");
        QTEST(w->ui().Text2->text(), "answer");
        auto *box = qobject_cast<QLineEdit *>(w->focus());
        QTEST(w->focus() ? w->focus()->objectName() : "nothing", "focus");
        QTEST(QString::number(box ? box->cursorPosition() : -1), "caret");
        QTEST(pictureSeen(w->ui().Picture1), "picture");
        QTEST(w->ui().Text5->text(), "count");
    }

    // The pause is the drill's own timer: it goes with the window, drawing nothing after it.
    void windowClosedInThePause() {
        QCOMPARE(w->run("queue 3+4, free, type 7"), QString());
        const int drawn = w->random.drawn;
        w->form.reset();
        w->time.advance(1000);
        QCOMPARE(w->random.drawn, drawn);
    }
};

QTEST_MAIN(tst_drill)
#include "tst_drill.moc"
