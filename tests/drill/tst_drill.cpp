// The drill's rules, and answers typed and keyed into the whole window.
#include "drill/AnswerRules.h"
#include "drill/Question.h"
#include "support/Fakes.h"

constexpr int NoNumber = 99999;

class tst_drill : public QObject {
    Q_OBJECT
private slots:
    // S: the right answer of an addition, -1 a subtraction.
    void judging_data() {
        QTest::addColumn<int>("S");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<AnswerAction>("action");
        const auto row = [](const char *name, int s, const QString &text, int value,
                            AnswerAction action = {}) {
            QTest::newRow(name) << s << text << value << action;
        };
        row("S 9, N 9, spaces and a sign", 9, " +9 ", 9, AnswerAction::Judge);
        row("S 9, N 10: too many digits", 9, "10", 10, AnswerAction::ShowWrong);
        row("S 10, N 9: waits", 10, "009", 9, AnswerAction::Wait);
        row("S 10, N 10", 10, "10", 10, AnswerAction::Judge);
        row("S 18, highest", 18, "32767", 32767, AnswerAction::Judge);
        row("S 15, lowest", 15, "-32768", -32768, AnswerAction::Wait);
        row("subtraction, N 155", -1, "155", 155, AnswerAction::Judge);
        row("full-width 8", 8, "８", 8, AnswerAction::Judge);
        row("full-width 12, ideographic spaces", 12, "\u3000１２\u3000", 12, AnswerAction::Judge);
        row("full-width minus", 0, "－８", -8, AnswerAction::Judge);
        for (const char *text :
             {"32768", "-32769", "-", "- 5", "--8", "8-", "8 8", "8.0", "八", "٨", "8abc"})
            row(text, 0, text, NoNumber);
        row("NUL after the digit", 0, QString("8") + QChar(0), NoNumber);
        row("10 000 digits", 0, QString(10000, u'9'), NoNumber);
    }
    void judging() {
        QFETCH(int, S);
        QFETCH(QString, text);
        const std::optional<qint16> n = parseAnswer(text);
        QTEST(n ? int(*n) : NoNumber, "value");
        if (n)
            QTEST(answerAction(qint16(S < 0), S, *n), "action");
        QCOMPARE(digitOf(1.0f), 9); // a float draw can round up to 1
    }

    void entry_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("shown"); // question|answer, ^ at the caret|picture|count
        QTest::addColumn<int>("value");     // AnswerValue
        const auto row = [](const char *name, const QString &steps, const char *shown, int value) {
            QTest::newRow(name) << steps << QString(shown) << value;
        };
        row("before any question, 0 is right", "type 0", "|0|对|1 个", 0);
        row("3+4: 7 right at once", "next 3+4, type 7", "3+4=|7^|对|1 个", 7);
        row("3+4: 8 wrong at once", "next 3+4, type 8", "3+4=|8^|错|", 8);
        row("9+6: 1 waits", "next 9+6, type 1", "9+6=|1^|没有图片|", 1);
        row("9+6: keypad 0 1 5", "next 9+6, key 0, key 1, key 5", "9+6=|15|对|1 个", 15);
        row("15-9: 1 wrong at once", "next 15-9, type 1", "15-9=|1^|错|", 1);
        row("wrong on the keypad: focus back", "next 3+4, key 8", "3+4=|8^|错|", 8);
        row("85 after a wrong 8", "next 3+4, type 8, key 5", "3+4=|85|错|", 85);
        row("then Clear, 7", "next 3+4, type 8, key 5, clear, key 7", "3+4=|7|对|1 个", 7);
        row("Clear twice", "next 3+4, key 7, clear, clear", "3+4=||没有图片|1 个", 0);
        row("letters after a right 7: wrong, 7 kept", "next 3+4, type 7a", "3+4=|7a^|错|1 个", 7);
        row("full-width typed", "next 3+4, type ７", "3+4=|７^|对|1 个", 7);
        row("keypad held", "next 3+4" + QString(", key 9").repeated(40), "3+4=|999999999|错|",
            999999999);
        row("outside a test, each right answer counts", "next 3+4, type 7, clear, type 7",
            "3+4=|7|对|2 个", 7);
        row("next question", "next 3+4, type 7, next 14-9", "14-9=|^|没有图片|1 个", 0);
        row("free test: on after the pause", "queue 3+4, free, type 7, queue 1+1, wait",
            "1+1=|^|没有图片|1 个", 0);
        row("free test stopped in the pause", "queue 3+4, free, type 7, queue 1+1, free, wait",
            "1+1=|^|没有图片|1 个", 0);
    }
    void entry() {
        QFETCH(QString, steps);
        TestWindow w;
        w.run(steps);
        QString answer = w.ui().Text2->text();
        if (w.ui().Text2->hasFocus())
            answer.insert(w.ui().Text2->cursorPosition(), u'^');
        QTEST(QStringList({w.ui().Text1->text(), answer, w.ui().Picture1->accessibleName(),
                           w.ui().Text5->text()})
                  .join('|'),
              "shown");
        QTEST(int(w.window.state().AnswerValue), "value");
        QCOMPARE(w.ui().Picture1->pixmap().isNull(),
                 w.ui().Picture1->accessibleName() == "没有图片");
    }

    // The pause is the drill's own timer: gone with the window, it draws nothing after.
    void windowClosedInThePause() {
        auto *w = new TestWindow;
        w->run("queue 3+4, free, type 7");
        QVERIFY(w->pausing());
        delete w;
        QTest::qWait(800);
    }

    // Stand-ins while the files are missing (here: no folder), the shipped files where they are.
    void pictures() {
        for (const QString folder : {"", QUENZO_ASSETS_DIR}) {
            TestWindow w(nullptr, folder + "/");
            for (const QString name : {"cuo.bmp", "dui.bmp"}) { // before any question 0 is right
                w.run(name == "dui.bmp" ? "clear, type 0" : "clear, type 1");
                const QImage shown = w.ui().Picture1->pixmap().toImage();
                const QColor c = shown.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .pixelColor(0, 0);
                QVERIFY((name == "dui.bmp" ? c.green() - c.red() : c.red() - c.green()) > 20);
                QCOMPARE(shown == QImage(QUENZO_ASSETS_DIR "/" + name), !folder.isEmpty());
            }
        }
    }
};

QTEST_MAIN(tst_drill)
#include "tst_drill.moc"
