// The window as a whole: start-up, fonts, keyboard focus, button faces.
#include "app/AppSetup.h"
#include "support/Fakes.h"

#include <QtWidgets>

class tst_Form1 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        installChineseFonts(*qApp);
        installQtTranslations(*qApp);
    }

    // The first state, before anything is done.
    void startUp() {
        TestWindow w;
        QVERIFY(w.ui().Option1_0->isChecked());
        QCOMPARE(w.window().Timer1().interval(), 5000); // the first level's pace
        QVERIFY(!w.window().Timer1().isActive());
        QVERIFY(!w.window().Timer2().isActive());
        QCOMPARE(w.window().Timer2().interval(), 200); // the clock's tick: not a busy loop
        QCOMPARE(QApplication::focusWidget(), w.ui().Text1);
        QCOMPARE(w.window().state().LoopPlayback, 0);
        QCOMPARE(w.player.calls, QStringList()); // no volume sent
    }

    // Each font name of the design reaches its Debian family, not a fallback face: on Linux,
    // and under Wine, which lends Windows programs the host's fonts.
    void fontsFindTheirFamilies() {
        TestWindow w;
        QCOMPARE(QFontInfo(w.ui().Text1->font()).family(), "AR PL UMing CN");       // 宋体
        QCOMPARE(QFontInfo(w.ui().Command4->font()).family(), "WenQuanYi Zen Hei"); // 黑体
        QCOMPARE(QFontInfo(w.ui().Command3_9->font()).family(), "AR PL UKai CN");   // 楷体_GB2312
    }

    // A screen reader can name every control that takes the focus: by its caption or its own
    // accessible name.
    void everyControlIsNamed() {
        TestWindow w;
        for (QWidget *control : w.window().findChildren<QWidget *>())
            if (control->focusPolicy() != Qt::NoFocus && control->accessibleName().isEmpty())
                QVERIFY2(control->property("text").toString().contains(
                             QRegularExpression("^\\d$|\\p{Han}")),
                         qPrintable(control->objectName()));
    }

    void qtsOwnButtonsSpeakChinese() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
    }

    // Real Tab presses round the window: the level group entered at the selected level.
    void tabOrder() {
        TestWindow w;
        w.ui().Option1_1->click();
        QStringList order;
        for (int i = 0; i < 34; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(' '), "Text1 Text2 Command3_0 Command3_1 Command3_2 Command3_3 "
                                  "Command3_4 Command3_5 Command3_6 Command3_7 Command3_8 "
                                  "Command3_9 Option1_1 Text4 Text5 Command8 Mp3Play1 Command7 "
                                  "Command6 Command5 Command4 Text6 Text7 Command12 Command11 "
                                  "Command10 Command9 HScroll1 HScroll2 Command2 Picture1 Text3 "
                                  "Text1 Text2");
        w.ui().Option1_1->setFocus();
        QTest::keyClick(w.ui().Option1_1, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), w.ui().Option1_2);
        QCOMPARE(w.window().Timer1().interval(), 2500);
        w.ui().Text4->setFocus();
        QTest::keyClick(w.ui().Text4, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w.ui().Option1_2);
    }

    // The design's colours drawn flat, beside the caption (within 8 per channel); a disabled
    // button keeps its face and greys its caption.
    void faces() {
        TestWindow w;
        auto &ui = w.ui();
        const auto face = [](QPushButton *b) { return b->grab().toImage().pixelColor(4, 12); };
        const auto near = [](QColor p, QColor c) {
            return std::max({qAbs(p.red() - c.red()), qAbs(p.green() - c.green()),
                             qAbs(p.blue() - c.blue())}) <= 8;
        };
        for (QPushButton *b : {ui.Command4, ui.Command5, ui.Command6, ui.Command2, ui.Command7,
                               ui.Command3_0, ui.Command3_9})
            QVERIFY2(near(face(b), b->objectName().startsWith("Command3") ? QColor(192, 192, 255)
                                                                          : QColor(255, 224, 192)),
                     qPrintable(b->objectName()));
        const QImage enabled = ui.Command5->grab().toImage();
        ui.Command4->click(); // a paced test disables the free test's button
        QVERIFY(near(face(ui.Command5), QColor(255, 224, 192)));
        QVERIFY(ui.Command5->grab().toImage() != enabled);
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_Form1.moc"
