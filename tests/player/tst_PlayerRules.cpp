#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"

#include <QTest>

class tst_PlayerRules : public QObject {
    Q_OBJECT
private slots:
    void formatMinSec_data();
    void formatMinSec();
    void volumeToSlider_data();
    void volumeToSlider();
    void sliderToVolume_data();
    void sliderToVolume();
    void position_data();
    void position();
    void statusMessages();
};

void tst_PlayerRules::formatMinSec_data() {
    QTest::addColumn<double>("ms");
    QTest::addColumn<QString>("text"); // empty: does not fit 32 bits
    QTest::newRow("3 min 5 s") << 185000.0 << "3分5秒";
    QTest::newRow("one minute") << 60000.0 << "1分0秒";
    QTest::newRow("just under a minute") << 59999.0 << "0分59秒";
    QTest::newRow("zero") << 0.0 << "0分0秒";
    QTest::newRow("position 0 plus the second ahead") << 1000.0 << "0分1秒";
    QTest::newRow("rounds up before dividing") << 119999.6 << "2分0秒";
    QTest::newRow("half to even, up") << 59999.5 << "1分0秒";
    QTest::newRow("half to even, down") << 59998.5 << "0分59秒";
    QTest::newRow("seconds truncate") << 61999.0 << "1分1秒";
    QTest::newRow("over an hour stays minutes") << 3725000.0 << "62分5秒";
    QTest::newRow("negative keeps the sign") << -61000.0 << "-1分-1秒";
    QTest::newRow("largest 32-bit") << 2147483647.0 << "35791分23秒";
    QTest::newRow("past 32 bits") << 2147483647.6 << "";
    QTest::newRow("below 32 bits") << -2147483649.0 << "";
}

void tst_PlayerRules::formatMinSec() {
    QFETCH(double, ms);
    QFETCH(QString, text);
    QCOMPARE(FormatMinSec(ms).value_or(QString()), text);
}

void tst_PlayerRules::volumeToSlider_data() {
    QTest::addColumn<qint32>("volume");
    QTest::addColumn<int>("slider");
    QTest::newRow("design value") << 1000 << 10;
    QTest::newRow("divided by the writer's 100, not 120") << 6000 << 60;
    QTest::newRow("what the slider sent") << 5000 << 50;
    QTest::newRow("half to even, down") << 250 << 2;
    QTest::newRow("half to even, up") << 350 << 4;
    QTest::newRow("rounds") << 1049 << 10;
    QTest::newRow("top") << 32000 << 320;
    QTest::newRow("above the top is clamped") << 40000 << 320;
    QTest::newRow("silent is clamped to 1") << 0 << 1;
    QTest::newRow("negative is clamped to 1") << -5000 << 1;
    QTest::newRow("huge") << 2147483647 << 320;
}

void tst_PlayerRules::volumeToSlider() {
    QFETCH(qint32, volume);
    QFETCH(int, slider);
    QCOMPARE(::volumeToSlider(volume), slider);
    // A read-back followed by the change handler's write leaves the volume as sent.
    QCOMPARE(::volumeToSlider(::sliderToVolume(slider)), slider);
}

void tst_PlayerRules::sliderToVolume_data() {
    QTest::addColumn<int>("slider");
    QTest::addColumn<qint32>("volume");
    QTest::newRow("lowest") << 1 << 100;
    QTest::newRow("design") << 10 << 1000;
    QTest::newRow("highest") << 320 << 32000;
    QTest::newRow("never above 32000") << 327 << 32000;
}

void tst_PlayerRules::sliderToVolume() {
    QFETCH(int, slider);
    QFETCH(qint32, volume);
    QCOMPARE(::sliderToVolume(slider), volume);
}

void tst_PlayerRules::position_data() {
    QTest::addColumn<qint32>("value");
    QTest::addColumn<qint32>("range");
    QTest::addColumn<qint32>("length");
    QTest::addColumn<QString>("text"); // empty: no division, read-out unchanged
    QTest::newRow("start reads one second") << 0 << 1000 << 185000 << "0分1秒";
    QTest::newRow("halfway") << 500 << 1000 << 180000 << "1分31秒";
    QTest::newRow("end reads a second past") << 44100 << 44100 << 3000 << "0分4秒";
    QTest::newRow("frames as units") << 22050 << 132300 << 3000 << "0分1秒";
    QTest::newRow("range zero") << 10 << 0 << 185000 << "";
}

void tst_PlayerRules::position() {
    QFETCH(qint32, value);
    QFETCH(qint32, range);
    QFETCH(qint32, length);
    QFETCH(QString, text);
    const auto ms = positionMs(value, range, length);
    QCOMPARE(ms ? *FormatMinSec(*ms) : QString(), text);
}

void tst_PlayerRules::statusMessages() {
    const QString path = QStringLiteral("/music/歌.mp3");
    QVERIFY(playerStatusMessage(int(PlayerStatus::Ok), path).isEmpty());
    for (int s = int(PlayerStatus::FileMissing); s <= int(PlayerStatus::Corrupt); ++s) {
        const QString text = playerStatusMessage(s, path);
        QVERIFY2(text.contains(QStringLiteral("“歌.mp3”")), qPrintable(text));
    }
    QVERIFY(playerStatusMessage(int(PlayerStatus::NoFileChosen), {}).contains("打开"));
    QVERIFY(playerStatusMessage(int(PlayerStatus::NoSoundDevice), path).contains("声音设备"));
    QVERIFY(playerStatusMessage(int(PlayerStatus::IsFolder), "/music/").contains("/music/"));
}

QTEST_GUILESS_MAIN(tst_PlayerRules)
#include "tst_PlayerRules.moc"
