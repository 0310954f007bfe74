#include "player/PlayerRules.h"

#include <QTest>

class tst_PlayerRules : public QObject {
    Q_OBJECT
private slots:
    void formatMinSec_data();
    void formatMinSec();
    void volumeReadBack_data();
    void volumeReadBack();
};

void tst_PlayerRules::formatMinSec_data() {
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("text"); // empty: does not fit 32 bits
    QTest::newRow("3 min 5 s") << 185000.0 << "3分5秒";
    QTest::newRow("one minute") << 60000.0 << "1分0秒";
    QTest::newRow("just under") << 59999.0 << "0分59秒";
    QTest::newRow("zero") << 0.0 << "0分0秒";
    QTest::newRow("rounded before dividing") << 119999.6 << "2分0秒";
    QTest::newRow("half to even, up") << 59999.5 << "1分0秒";
    QTest::newRow("half to even, down") << 59998.5 << "0分59秒";
    QTest::newRow("past an hour stays minutes") << 3725000.0 << "62分5秒";
    QTest::newRow("negative keeps its sign") << -61000.0 << "-1分-1秒";
    QTest::newRow("largest 32-bit") << 2147483647.0 << "35791分23秒";
    QTest::newRow("past 32 bits") << 2147483647.6 << "";
}

void tst_PlayerRules::formatMinSec() {
    QFETCH(double, ms);
    QFETCH(QString, text);
    QCOMPARE(FormatMinSec(ms).value_or(QString()), text);
}

void tst_PlayerRules::volumeReadBack_data() {
    QTest::addColumn<qint32>("volume");
    QTest::addColumn<int>("slider");
    QTest::newRow("design value") << 1000 << 10;
    QTest::newRow("the writer's factor 100, not 120") << 6000 << 60;
    QTest::newRow("half to even, down") << 250 << 2;
    QTest::newRow("half to even, up") << 350 << 4;
    QTest::newRow("top") << 32000 << 320;
    QTest::newRow("above the sliders: 320") << 40000 << 320;
    QTest::newRow("below the sliders: 1") << 40 << 1;
    QTest::newRow("negative: 1") << -5000 << 1;
}

void tst_PlayerRules::volumeReadBack() {
    QFETCH(qint32, volume);
    QFETCH(int, slider);
    QCOMPARE(volumeToSlider(volume), slider);
    // What the slider then sends reads back as the same value: Play never moves it.
    QCOMPARE(sliderToVolume(slider), slider * 100);
    QCOMPARE(volumeToSlider(sliderToVolume(slider)), slider);
}

QTEST_GUILESS_MAIN(tst_PlayerRules)
#include "tst_PlayerRules.moc"
