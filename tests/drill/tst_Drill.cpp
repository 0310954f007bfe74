#include "drill/AnswerRules.h"
#include "drill/Drill.h"
#include "drill/Question.h"
#include "support/Fakes.h"

#include <QtTest>
#include <QtWidgets>

namespace {

const QString assets = QStringLiteral(QUENZO_ASSETS_DIR);

// The drill on real controls in a window of its own; the clock shows "0:07".
struct Bench {
    explicit Bench(const QString &pictureDir = assets) {
        drill = new Drill({text1, text2, text4, text5, picture, keypad, clear}, state, random,
                          pictureDir, &window);
        for (int i = 0; i < 10; ++i)
            keypad->addButton(new QPushButton(&window), i);
        text4->setText("0:07");
        window.show();
        window.activateWindow();
    }
    // question|answer, ^ at the caret while it has the focus|picture|count|AnswerValue|clock
    QString panel() const {
        QString answer = text2->text();
        if (text2->hasFocus())
            answer.insert(text2->cursorPosition(), u'^');
        return QStringLiteral("%1|%2|%3|%4|%5|%6")
            .arg(text1->text(), answer, picture->accessibleName(), text5->text())
            .arg(state.AnswerValue)
            .arg(text4->text());
    }

    QWidget window;
    QLineEdit *text1 = new QLineEdit(&window), *text2 = new QLineEdit(&window);
    QLineEdit *text4 = new QLineEdit(&window), *text5 = new QLineEdit(&window);
    QLabel *picture = new QLabel(&window);
    QButtonGroup *keypad = new QButtonGroup(&window);
    QPushButton *clear = new QPushButton(&window);
    PracticeState state;
    QueuedRandom random;
    Drill *drill;
};

} // namespace

class TestDrill : public QObject {
    Q_OBJECT
private slots:
    // S: the right answer of an addition, -1 a subtraction; N: the text typed; 99999: no number
    void judging_data() {
        QTest::addColumn<int>("S");
        QTest::addColumn<QString>("N");
        QTest::addColumn<int>("value");
        QTest::addColumn<AnswerAction>("action");
        const auto row = [](const char *name, int s, const QString &n, int v, AnswerAction a) {
            QTest::newRow(name) << s << n << v << a;
        };
        row("S 9, N 9", 9, " +9 ", 9, AnswerAction::Judge);
        row("S 9, N 10", 9, "10", 10, AnswerAction::ShowWrong);
        row("S 10, N 9", 10, "009", 9, AnswerAction::Wait);
        row("S 10, N 10", 10, "10", 10, AnswerAction::Judge);
        row("S 18, highest", 18, "32767", 32767, AnswerAction::Judge);
        row("S 15, lowest", 15, "-32768", -32768, AnswerAction::Wait);
        row("subtraction, N 155", -1, "155", 155, AnswerAction::Judge);
        row("above range", 0, "32768", 99999, {});
        row("below range", 0, "-32769", 99999, {});
        row("lone minus", 0, "-", 99999, {});
        row("space after sign", 0, "- 5", 99999, {});
    }
    void judging() {
        QFETCH(int, S);
        QFETCH(QString, N);
        const std::optional<qint16> n = parseAnswer(N);
        QTEST(n ? int(*n) : 99999, "value");
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
            QCOMPARE(questionText(q), sub ? QStringLiteral("%1-%2=").arg(a + b).arg(b)
                                          : QStringLiteral("%1+%2=").arg(a).arg(b));
            QVERIFY(isRightAnswer(q.a, q.b, q.operation, qint16(sub ? a : a + b)));
        }
        QCOMPARE(digitOf(1.0f), 9); // a float draw can round up
    }

    // A digit presses the keypad, C Clear, [..] types, N draws the next question, F and S
    // start and stop a free test, X ends the drill, and W waits, no less than the pause, for the
    // questions or a second.
    void entry_data() {
        for (const char *column : {"questions", "script", "panel"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char *name, const char *q, const QString &s, const char *p) {
            QTest::newRow(name) << QString(q) << s << QString(p);
        };
        row("3+4, 7 right at once", "340", "N[7]", "3+4=|7^|对|1 个|7|");
        row("3+4, 8 wrong at once", "340", "N[8]", "3+4=|8^|错||8|");
        row("9+6, 1 waits", "960", "N[1]", "9+6=|1^|||1|");
        row("9+6, keypad 0 1 5", "960", "N015", "9+6=|15|对|1 个|15|");
        row("15-9, 1 wrong at once", "691", "N[1]", "15-9=|1^|错||1|");
        row("keypad wrong: focus back", "340", "N8", "3+4=|8^|错||8|");
        row("85 after a wrong 8", "340", "N[8]5", "3+4=|85|错||85|");
        row("then Clear, 7", "340", "N[8]5C7", "3+4=|7|对|1 个|7|");
        row("Clear twice", "340", "N7CC", "3+4=|||1 个|0|");
        row("letters", "340", "N[12abc]", "3+4=|12abc^|错||12|");
        row("keypad held", "340", "N" + QString(40, u'9'), "3+4=|999999999|错||999999999|");
        row("next question", "340 591", "N[7]N", "14-9=|^||1 个|0|");
        row("next in free test", "340 591", "FN[8]N", "14-9=|^|||0|0:07");
        row("pause", "340 110", "FN7W", "1+1=|^||1 个|0|0:07");
        row("stopped in pause", "340 110", "FN7SW", "1+1=|^||1 个|0|");
        row("closed in pause", "340 110", "FN7XW", "3+4=|7|对|1 个|7|0:07");
        row("right in pause", "340 110 220", "FN7C7W", "2+2=|^||2 个|0|0:07");
    }
    void entry() {
        QFETCH(QString, questions);
        QFETCH(QString, script);
        Bench b;
        QVERIFY(QTest::qWaitForWindowActive(&b.window));
        for (const QString &q : questions.split(u' ', Qt::SkipEmptyParts)) // 691: 15-9=
            b.random.queueQuestion(q[0].digitValue(), q[1].digitValue(), q[2].digitValue());
        QElapsedTimer sinceStart;
        sinceStart.start();
        for (qsizetype i = 0; i < script.size(); ++i) {
            const QChar c = script[i];
            if (c.isDigit() || c == u'C')
                QTest::mouseClick(c.isDigit() ? b.keypad->button(c.digitValue()) : b.clear,
                                  Qt::LeftButton);
            if (c == u'[') {
                const qsizetype end = script.indexOf(u']', i);
                QTest::keyClicks(b.text2, script.mid(i + 1, end - i - 1));
                i = end;
            }
            if (c == u'N')
                b.drill->NextQuestion();
            if (c == u'F' || c == u'S')
                b.state.FreeTestRunning = c == u'F';
            if (c == u'X')
                delete b.drill; // with it the pause: a question after it would use freed memory
            if (c == u'W') {
                QTRY_VERIFY_WITH_TIMEOUT(b.random.draws.empty() || sinceStart.elapsed() > 1000,
                                         2000);
                QVERIFY(sinceStart.elapsed() >= 600);
            }
        }
        QTEST(b.panel(), "panel");
        QCOMPARE(b.picture->pixmap().isNull(), b.picture->accessibleName().isEmpty());
    }

    // Stand-ins while the files are missing or broken, the files as soon as they are there.
    void pictures() {
        QTemporaryDir dir;
        Bench b(dir.path());
        for (const QByteArray content : {"", "BM not a bitmap", "shipped"}) {
            for (const QString name : {"dui.bmp", "cuo.bmp"}) {
                QFile file(dir.filePath(name));
                QVERIFY(content.isEmpty() ||
                        (content == "shipped"
                             ? file.remove() && QFile::copy(assets + '/' + name, file.fileName())
                             : file.open(QIODevice::WriteOnly) && file.write(content)));
            }
            for (const bool right : {false, true}) { // before any question 0 is right
                b.text2->setText(right ? "0" : "1");
                const QColor c = b.picture->pixmap()
                                     .toImage()
                                     .scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                     .pixelColor(0, 0);
                QVERIFY((right ? c.green() - c.red() : c.red() - c.green()) > 20);
            }
            QCOMPARE(b.picture->pixmap().toImage() == QImage(dir.filePath("dui.bmp")),
                     content == "shipped");
        }
    }
};

QTEST_MAIN(TestDrill)
#include "tst_Drill.moc"
