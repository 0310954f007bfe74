#include "about/AboutServices.h"
#include "app/AppSetup.h"
#include "app/Form1.h"
#include "support/Fakes.h"
#include "ui_Form1.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

class TestForm1 : public QObject {
    Q_OBJECT

    QueuedRandom random;
    SetClock clock;
    RecordingPlayer player;
    ScriptedDialog dialog;
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();

    Form1Services services() { return {&random, &clock, &player, &dialog, about.get()}; }

private Q_SLOTS:
    void initTestCase() { installChineseFonts(*qApp); }

    void startUpState() {
        Form1 w(services(), QString());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto &ui = w.ui();

        QCOMPARE(w.windowTitle(), QStringLiteral("Quenzo"));
        QCOMPARE(w.size(), QSize(546, 409));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));

        QVERIFY(ui.Option1_0->isChecked());
        QVERIFY(!w.Timer1().isActive());
        QCOMPARE(w.Timer1().interval(), 5000);
        QVERIFY(!w.Timer2().isActive());
        QCOMPARE(w.Timer2().interval(), 200);
        QCOMPARE(w.state().LoopPlayback, qint16(0));
        QCOMPARE(ui.Command12->palette().color(QPalette::Button), QColor(224, 224, 224));
        for (QLineEdit *box :
             {ui.Text1, ui.Text2, ui.Text3, ui.Text4, ui.Text5, ui.Text6, ui.Text7})
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
        QVERIFY(ui.Picture1->pixmap().isNull());
        QCOMPARE(ui.HScroll1->value(), 10);
        QCOMPARE(ui.HScroll2->value(), 10);
        QCOMPARE(QApplication::focusWidget(), ui.Text1);
        QVERIFY(player.calls.isEmpty()); // start-up sends no volume
    }

    // A Designer edit easily breaks these: the keypad's ids must match its captions
    // and Tab must walk the controls in the designed order.
    void keypadAndTabOrder() {
        Form1 w(services(), QString());
        auto &ui = w.ui();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(ui.Command3->button(i)->text(), QString::number(i));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ui.Option1->button(i)->objectName(), QStringLiteral("Option1_%1").arg(i));

        QStringList order;
        QWidget *widget = ui.Text1;
        do {
            if (widget->focusPolicy() & Qt::TabFocus && widget->window() == &w)
                order << widget->objectName();
            widget = widget->nextInFocusChain();
        } while (widget != ui.Text1);
        const QStringList expected =
            QStringLiteral(
                "Text1 Text2 Command3_0 Command3_1 Command3_2 Command3_3 Command3_4 Command3_5 "
                "Command3_6 Command3_7 Command3_8 Command3_9 Option1_2 Option1_1 Option1_0 Text4 "
                "Text5 Command8 Command7 Command6 Command5 Command4 Text6 Text7 Command12 "
                "Command11 "
                "Command10 Command9 HScroll1 HScroll2 Command2 Text3")
                .split(QLatin1Char(' '));
        QCOMPARE(order, expected);
    }

    // Every caption must be drawn by its own font, not by boxes or a fallback face.
    void chineseCaptionsHaveGlyphs() {
        Form1 w(services(), QString());
        const auto widgets = w.findChildren<QWidget *>();
        int checked = 0;
        for (QWidget *widget : widgets) {
            QString text;
            if (auto *b = qobject_cast<QAbstractButton *>(widget))
                text = b->text();
            else if (auto *l = qobject_cast<QLabel *>(widget))
                text = l->text();
            else if (auto *g = qobject_cast<QGroupBox *>(widget))
                text = g->title();
            const QFontMetrics metrics(widget->font());
            for (QChar c : text) {
                if (c.unicode() < 0x4e00)
                    continue;
                ++checked;
                QVERIFY2(metrics.inFont(c), qPrintable(widget->objectName() + QLatin1Char(' ') +
                                                       QFontInfo(widget->font()).family()));
            }
        }
        QVERIFY(checked > 40);
    }

    // The About dialog is modal, yet a running paced test goes on behind it.
    void pacedTestRunsOnBehindTheAboutDialog() {
        Form1 w(services(), QString());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        random.queueQuestion(1, 2, 0);
        w.ui().Command4->click();
        QCOMPARE(w.ui().Text1->text(), QStringLiteral("1+2="));
        random.queueQuestion(3, 4, 0);
        w.Timer1().setInterval(20); // a level's seconds are too long to wait for

        bool sawDialog = false;
        QElapsedTimer waited;
        waited.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, &w, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            sawDialog = true;
            if (w.ui().Text1->text() != QStringLiteral("1+2=") || waited.elapsed() > 5000)
                dialog->reject();
        });
        poll.start(10);
        w.ui().Command7->click(); // returns once the dialog is closed
        QVERIFY(sawDialog);
        QCOMPARE(w.ui().Text1->text(), QStringLiteral("3+4="));
        QVERIFY(w.Timer1().isActive() && w.Timer2().isActive());
    }

    void exitButtonAndCloseBoxEndTheWindow_data() {
        QTest::addColumn<bool>("useCloseBox");
        QTest::newRow("exit button") << false;
        QTest::newRow("close box") << true;
    }
    void exitButtonAndCloseBoxEndTheWindow() {
        QFETCH(bool, useCloseBox);
        Form1 w(services(), QString());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.ui().Command4->click(); // a paced test runs
        QVERIFY(w.Timer1().isActive());
        if (useCloseBox)
            w.close();
        else
            w.ui().Command2->click();
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_Form1.moc"
