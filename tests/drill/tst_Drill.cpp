#include "drill/AnswerRules.h"
#include "drill/Drill.h"
#include "drill/Question.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

Q_DECLARE_METATYPE(AnswerAction)

namespace {

const QString assets = QStringLiteral(QUENZO_ASSETS_DIR);

// ask("340 691") gives 3+4= and then 15-9=: per question the digits a and b and one whose
// parity gives the operation, each drawn from the middle of its range.
struct ScriptedRandom final : RandomSource {
    void seed(quint64) override {}
    float draw() override { return draws.isEmpty() ? 0.0f : draws.takeFirst(); }
    void ask(const QString &digits) {
        for (QChar d : digits)
            if (d.isDigit())
                draws << (float(d.digitValue()) + 0.5f) / 10;
    }
    QList<float> draws;
};

// The drill on real controls in a window of its own; the clock shows "0:07".
struct Bench {
    explicit Bench(const QString &pictureDir = assets)
        : dir(pictureDir) {
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

    QString dir;
    QWidget window;
    QLineEdit *text1 = new QLineEdit(&window), *text2 = new QLineEdit(&window);
    QLineEdit *text4 = new QLineEdit(&window), *text5 = new QLineEdit(&window);
    QLabel *picture = new QLabel(&window);
    QButtonGroup *keypad = new QButtonGroup(&window);
    QPushButton *clear = new QPushButton(&window);
    PracticeState state;
    ScriptedRandom random;
    Drill *drill = new Drill({text1, text2, text4, text5, picture, keypad, clear}, state, random,
                             dir, &window);
};

void row(const char *name, const QString &questions, const QString &script, const QString &panel) {
    QTest::newRow(name) << questions << script << panel;
}

} // namespace

class TestDrill : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // 99999: no number
        QTest::newRow("spaces and sign") << " +7 " << 7;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("lowest") << "-32768" << -32768;
        QTest::newRow("highest") << "32767" << 32767;
        QTest::newRow("above range") << "32768" << 99999;
        QTest::newRow("below range") << "-32769" << 99999;
        QTest::newRow("10000 digits") << QString(10000, u'9') << 99999;
        QTest::newRow("lone minus") << "-" << 99999;
        QTest::newRow("space after sign") << "- 5" << 99999;
        QTest::newRow("letters after") << "12abc" << 99999;
        QTest::newRow("fraction") << "7.0" << 99999;
    }
    void parse() {
        QFETCH(QString, text);
        const std::optional<qint16> n = parseAnswer(text);
        QTEST(n ? int(*n) : 99999, "value");
    }

    // S is the right answer of an addition, N the number typed; subtractions judge at once.
    void whenJudged_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("S");
        QTest::addColumn<int>("N");
        QTest::addColumn<AnswerAction>("action");
        QTest::newRow("S 9, N 9") << 0 << 9 << 9 << AnswerAction::Judge;
        QTest::newRow("S 9, N 10") << 0 << 9 << 10 << AnswerAction::ShowWrong;
        QTest::newRow("S 10, N 9") << 0 << 10 << 9 << AnswerAction::Wait;
        QTest::newRow("S 10, N 10") << 0 << 10 << 10 << AnswerAction::Judge;
        QTest::newRow("S 18, N 32767") << 0 << 18 << 32767 << AnswerAction::Judge;
        QTest::newRow("S 7, N -5") << 0 << 7 << -5 << AnswerAction::Judge;
        QTest::newRow("S 15, N -5") << 0 << 15 << -5 << AnswerAction::Wait;
        QTest::newRow("subtraction, N 155") << 1 << 3 << 155 << AnswerAction::Judge;
    }
    void whenJudged() {
        QFETCH(int, operation);
        QFETCH(int, S);
        QFETCH(int, N);
        QTEST(answerAction(qint16(operation), S, qint16(N)), "action");
    }

    // Every pair of digits as a sum and as a difference, three draws each, in order.
    void everyQuestion() {
        ScriptedRandom random;
        for (int i = 0; i < 200; ++i)
            random.ask(QStringLiteral("%1%2").arg(i % 100, 2, 10, QChar(u'0')).arg(i / 100));
        for (int i = 0; i < 200; ++i) {
            const int a = i % 100 / 10, b = i % 10, op = i / 100;
            const Question q = drawQuestion(random);
            QCOMPARE(questionText(q), op ? QStringLiteral("%1-%2=").arg(a + b).arg(b)
                                         : QStringLiteral("%1+%2=").arg(a).arg(b));
            const int answer = op ? a : a + b;
            QVERIFY(isRightAnswer(q.a, q.b, q.operation, qint16(answer)));
            QVERIFY(!isRightAnswer(q.a, q.b, q.operation, qint16(answer + 1)));
        }
        QVERIFY(random.draws.isEmpty());
        QCOMPARE(digitOf(std::nextafter(1.0f, 0.0f)), 9);
        QCOMPARE(digitOf(1.0f), 9); // a float draw can round up
    }

    // A digit presses the keypad, C Clear, [..] types, H is the Home key, P pastes 10000
    // digits, N draws the next question, F and S start and stop a free test, and W waits
    // for the questions asked, which must come no sooner than the pause.
    void entry_data() {
        QTest::addColumn<QString>("questions");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("panel");
        row("3+4, 7 right at once", "340", "N[7]", "3+4=|7^|对|1 个|7|");
        row("3+4, 8 wrong at once", "340", "N[8]", "3+4=|8^|错||8|");
        row("9+6, 1 waits", "960", "N[1]", "9+6=|1^|||1|");
        row("9+6, 1 typed before 6", "960", "N[6]H[1]", "9+6=|16^|错||16|");
        row("9+6, keypad 0 1 5", "960", "N015", "9+6=|15|对|1 个|15|");
        row("15-9, 1 wrong at once", "691", "N[1]", "15-9=|1^|错||1|");
        row("keypad wrong: focus back", "340", "N8", "3+4=|8^|错||8|");
        row("85 after a wrong 8, Clear, 7", "340", "N[8]5C7", "3+4=|7|对|1 个|7|");
        row("7, Clear, 7, 7", "340", "N7C77", "3+4=|77|错|2 个|77|");
        row("Clear twice", "340", "N7CC", "3+4=|||1 个|0|");
        row("0 before any question", "", "[0]", "|0|对|1 个|0|0:07");
        row("letters", "340", "N[12abc]", "3+4=|12abc^|错||12|");
        row("10000 pasted", "340", "NP", "3+4=|" + QString(10000, u'7') + "^|错||0|");
        row("keypad held", "340", "N" + QString(40, u'9'), "3+4=|999999999|错||999999999|");
        row("next question", "340 591", "N[7]N", "14-9=|^||1 个|0|");
        row("next in free test", "340 591", "FN[8]N", "14-9=|^|||0|0:07");
        row("pause", "340 110", "FN7W", "1+1=|^||1 个|0|0:07");
        row("stopped in pause", "340 110", "FN7SW", "1+1=|^||1 个|0|");
        row("right in pause", "340 110 220", "FN7C7W", "2+2=|^||2 个|0|0:07");
    }
    void entry() {
        QFETCH(QString, questions);
        QFETCH(QString, script);
        Bench b;
        QVERIFY(QTest::qWaitForWindowActive(&b.window));
        b.random.ask(questions);
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
            if (c == u'H')
                QTest::keyClick(b.text2, Qt::Key_Home);
            if (c == u'P') {
                QApplication::clipboard()->setText(QString(10000, u'7'));
                QTest::keySequence(b.text2, QKeySequence::Paste);
            }
            if (c == u'N')
                b.drill->NextQuestion();
            if (c == u'F' || c == u'S')
                b.state.FreeTestRunning = c == u'F';
            if (c == u'W') {
                QTRY_VERIFY_WITH_TIMEOUT(b.random.draws.isEmpty(), 5000);
                QVERIFY(sinceStart.elapsed() >= 600);
            }
        }
        QTEST(b.panel(), "panel");
        QCOMPARE(b.picture->pixmap().isNull(), b.picture->accessibleName().isEmpty());
    }

    void closedDuringPause() {
        auto b = std::make_unique<Bench>();
        b->state.FreeTestRunning = true;
        b->text2->setText("0"); // right before any question
        b.reset();
        bool pauseOver = false;
        QTimer::singleShot(700, this, [&pauseOver] { pauseOver = true; });
        QTRY_VERIFY_WITH_TIMEOUT(pauseOver, 5000); // a question drawn now would use freed widgets
    }

    // A stand-in while the files are missing or broken, the files as soon as they are there.
    void pictures_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("unreadable") << QByteArray("BM not a bitmap");
    }
    void pictures() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        Bench b(dir.path());
        const auto ink = [&b] { // of the whole picture, averaged
            const QImage image = b.picture->pixmap().toImage();
            const QColor c = image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .pixelColor(0, 0);
            return c.green() > c.red() + 20 ? "green" : c.red() > c.green() + 20 ? "red" : "";
        };
        for (const QString name : {"dui.bmp", "cuo.bmp"}) {
            QFile file(dir.filePath(name));
            QVERIFY(content.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(content)));
        }
        for (bool shipped : {false, true}) {
            for (const QString name : {"dui.bmp", "cuo.bmp"}) {
                if (!shipped)
                    break;
                QFile::remove(dir.filePath(name));
                QVERIFY(QFile::copy(assets + '/' + name, dir.filePath(name)));
            }
            b.text2->setText("1"); // before any question: wrong
            QCOMPARE(ink(), "red");
            b.text2->setText("0");
            QCOMPARE(ink(), "green");
            QCOMPARE(b.picture->pixmap().toImage() == QImage(dir.filePath("dui.bmp")), shipped);
        }
    }
};

QTEST_MAIN(TestDrill)
#include "tst_Drill.moc"
