// The window as a whole: start-up, fonts, Qt's own texts.
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

    // Each design font reaches its Debian family (under Wine too, which lends the host's fonts).
    void fontsFindTheirFamilies() {
        TestWindow w;
        QCOMPARE(QFontInfo(w.ui().Text1->font()).family(), "AR PL UMing CN");       // 宋体
        QCOMPARE(QFontInfo(w.ui().Command4->font()).family(), "WenQuanYi Zen Hei"); // 黑体
        QCOMPARE(QFontInfo(w.ui().Command3_9->font()).family(), "AR PL UKai CN");   // 楷体_GB2312
    }

    void qtsOwnButtonsSpeakChinese() {
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
    }
};

QTEST_MAIN(tst_Form1)
#include "tst_Form1.moc"
