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
    }

    // Every pair of digits with every operation digit, whose parity picks the operation.
    void everyQuestion() {
        QueuedRandom random;
        for (int i = 0; i < 1000; ++i)
            random.queueQuestion(i / 10 % 10, i % 10, i / 100);
        for (int i = 0; i < 1000; ++i) {
            const int a = i / 10 % 10, b = i % 10, sub = i / 100 % 2;
            const Question q = drawQuestion(random);
            QCOMPARE(questionText(q),
                     sub ? QString("%1-%2=").arg(a + b).arg(b) : QString("%1+%2=").arg(a).arg(b));
            QVERIFY(isRightAnswer(q.a, q.b, q.operation, qint16(sub ? a : a + b)));
        }
        QCOMPARE(digitOf(1.0f), 9); // a float draw can round up
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
        row("letters keep the last number", "next 3+4, type 12abc", "3+4=|12abc^|错|", 12);
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
        QTEST(w.drill(), "shown");
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

    // Stand-ins while the files are missing or broken, the files as soon as they are there.
    void pictures() {
        QTemporaryDir dir;
        TestWindow w(nullptr, dir.path());
        for (const QString content : {"", "BM not a bitmap", "shipped"}) {
            for (const QString name : {"dui.bmp", "cuo.bmp"}) {
                QFile::remove(dir.filePath(name));
                QFile file(dir.filePath(name));
                QVERIFY(content == "shipped"
                            ? QFile::copy(QUENZO_ASSETS_DIR "/" + name, file.fileName())
                            : file.open(QIODevice::WriteOnly) &&
                                  file.write(content.toLatin1()) >= 0);
            }
            for (const bool right : {false, true}) { // before any question 0 is right
                w.run(right ? "clear, type 0" : "clear, type 1");
                const QColor c = w.ui()
                                     .Picture1->pixmap()
                                     .toImage()
                                     .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .pixelColor(0, 0);
                QVERIFY((right ? c.green() - c.red() : c.red() - c.green()) > 20);
            }
            QCOMPARE(w.ui().Picture1->pixmap().toImage() == QImage(dir.filePath("dui.bmp")),
                     content == "shipped");
        }
    }
};

QTEST_MAIN(tst_drill)
#include "tst_drill.moc"
