// The panel's arithmetic, and the panel on the whole window over a recording player.
#include "app/AppSetup.h"
#include "player/PlayerRules.h"
#include "support/Fakes.h"

#include <QtWidgets>

class tst_player : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installChineseFonts(*qApp); } // the read-outs' real widths

    // Halves to even before dividing, never truncated; nothing for what 32 bits cannot hold.
    void minutesAndSeconds() {
        const auto text = [](double ms) { return FormatMinSec(ms).value_or("nothing"); };
        QCOMPARE(text(185000), "3分5秒");
        QCOMPARE(text(59999), "0分59秒");
        QCOMPARE(text(59999.5), "1分0秒");
        QCOMPARE(text(59998.5), "0分59秒");
        QCOMPARE(text(119999.6), "2分0秒");
        QCOMPARE(text(-61000), "-1分-1秒");
        QCOMPARE(text(2147483647), "35791分23秒");
        QCOMPARE(text(2147483647.6), "nothing");
    }

    // A track's frames in milliseconds; the slider that shows a volume the component reports.
    void lengthsAndVolumes() {
        QCOMPARE(lengthMs(88200, 44100), 2000);
        QCOMPARE(lengthMs(4, 8000), 1); // half a millisecond rounds up
        QCOMPARE(lengthMs(3, 8000), 0);
        QCOMPARE(lengthMs(5, 0), 0);
        QCOMPARE(lengthMs(5, 1), 5000);
        QCOMPARE(lengthMs(qint64(1) << 40, 8000), 2147483647);
        for (auto [volume, slider] :
             {std::pair{6000, 60}, {250, 2}, {350, 4}, {40000, 320}, {40, 1}})
            QCOMPARE(volumeToSlider(volume), slider);
    }

    // What is done on the panel, and what reaches the component, the loop switch, the read-outs
    // and the message. The component reports 185 s, volumes and a range of 1000 unless a row
    // says otherwise; the dialog holds a.mp3.
    void panel_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<int>("loop");
        for (const char *column : {"length", "position", "message"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char *name, const char *steps, const QStringList &calls, int loop,
                            const char *length, const char *position, const char *message = "") {
            QTest::newRow(name) << QString(steps) << calls << loop << QString(length)
                                << QString(position) << QString(message);
        };
        const QStringList played{"Open a.mp3", "Play", "LeftVolume", "RightVolume", "Length"};
        row("play: each volume read back before the next",
            "left reads 6000, right reads 40000, play",
            {"Open a.mp3", "Play", "LeftVolume", "SetVolume 6000 1000", "RightVolume",
             "SetVolume 6000 32000", "Length"},
            0, "3分5秒", "");
        row("no sound device", "no sound device, play", {"Open a.mp3", "Play"}, 0, "", "",
            "无法播放：没有找到声音设备。");
        row("file missing", "file missing, play", {"Open a.mp3"}, 0, "", "",
            "无法播放“a.mp3”：文件不存在。");
        row("open asks the dialog only", "open", {}, 0, "", "");
        row("an end without looping does nothing", "play, pause, track ends",
            played + QStringList("Pause"), 0, "3分5秒", "");
        row("looping: the end plays the file chosen now", "loop, choose b.mp3, track ends",
            {"Open b.mp3", "Play", "LeftVolume", "RightVolume", "Length"}, -1, "3分5秒", "");
        row("two loop clicks", "loop, loop", {}, 0, "", "");
        row("stop switches looping off first", "loop, stop", {"Stop"}, 0, "", "");
        row("position at the start, a second ahead", "position 0", {"PositionRange", "Length"}, 0,
            "", "0分1秒");
        row("position at the end", "position 1000", {"PositionRange", "Length"}, 0, "", "3分6秒");
        row("position with a range of 0", "range 0, position 500", {"PositionRange", "Length"}, 0,
            "", "");
        row("either slider sends both", "right slider 25, left slider 320",
            {"SetVolume 1000 2500", "SetVolume 32000 2500"}, 0, "", "");
        row("the exact length once read through", "length 41:05, file checked", {"Length"}, 0,
            "41分5秒", "");
        row("a broken file told", "file broken", {}, 0, "", "",
            "无法播放“a.mp3”：文件不完整或已损坏。");
    }
    void panel() {
        QFETCH(QString, steps);
        TestWindow w;
        w.dialog.fileName = "a.mp3";
        QCOMPARE(w.run(steps), QString());
        QTEST(w.player.calls, "calls");
        QTEST(int(w.window().state().LoopPlayback), "loop");
        QCOMPARE(
            w.ui().Command12->palette().button().color(), // the loop switch's face: red when on
            w.window().state().LoopPlayback ? QColor(255, 0, 0) : QColor(224, 224, 224));
        QTEST(w.ui().Text6->text(), "length");
        QTEST(w.ui().Text7->text(), "position");
        QTEST(w.messages.value(0), "message");
        if (steps == "open")
            QCOMPARE(w.dialog.filter, "mp3_files(*.mp3)");
        QCOMPARE(w.dialog.shown, steps == "open" ? 1 : 0);
    }
};

QTEST_MAIN(tst_player)
#include "tst_player.moc"
