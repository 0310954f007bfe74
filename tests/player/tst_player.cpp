// The panel's arithmetic, and the panel on the whole window over a recording player.
#include "app/AppSetup.h"
#include "player/FileOpenDialog.h"
#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"
#include "support/Fakes.h"

#include <QtWidgets>

class tst_player : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installChineseFonts(*qApp); } // the read-outs' real widths

    // Halves to even before dividing, never truncated; nothing for what 32 bits cannot hold.
    void minutesAndSeconds_data() {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text");
        for (const auto &[ms, text] : {std::pair{185000.0, "3分5秒"},
                                       {60000.0, "1分0秒"},
                                       {59999.0, "0分59秒"},
                                       {0.0, "0分0秒"},
                                       {59999.5, "1分0秒"},
                                       {59998.5, "0分59秒"},
                                       {119999.6, "2分0秒"},
                                       {-61000.0, "-1分-1秒"},
                                       {2147483647.0, "35791分23秒"},
                                       {2147483647.6, ""}})
            QTest::addRow("%.1f ms", ms) << ms << QString(text);
    }
    void minutesAndSeconds() {
        QFETCH(double, ms);
        QTEST(FormatMinSec(ms).value_or(""), "text");
    }

    // A track's frames in milliseconds; the slider that shows a volume the component reports.
    void lengthsAndVolumes() {
        QCOMPARE(lengthMs(88200, 44100), 2000);
        QCOMPARE(lengthMs(4, 8000), 1); // half a millisecond rounds up
        QCOMPARE(lengthMs(3, 8000), 0);
        QCOMPARE(lengthMs(5, 0), 0);
        QCOMPARE(lengthMs(qint64(1) << 40, 8000), 2147483647);
        for (auto [volume, slider] :
             {std::pair{6000, 60}, {250, 2}, {350, 4}, {40000, 320}, {40, 1}})
            QCOMPARE(volumeToSlider(volume), slider);
    }

    // Play opens the file the dialog holds, plays, reads each volume back before reading the
    // next (a changed slider sends both), and shows the length.
    void play() {
        TestWindow w;
        w.dialog.fileName = "a.mp3";
        w.player.left = 6000;
        w.player.right = 40000;
        w.ui().Command9->click();
        QCOMPARE(w.player.calls,
                 QStringList({"Open a.mp3", "Play", "LeftVolume", "SetVolume 6000 1000",
                              "RightVolume", "SetVolume 6000 32000", "Length"}));
        QCOMPARE(w.ui().Text6->text(), "3分5秒");
    }

    // A failed step is told, and the steps after it are not taken.
    void playFails_data() {
        QTest::addColumn<int>("open");
        QTest::addColumn<int>("play");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QString>("message");
        QTest::newRow("no sound device")
            << 0 << int(PlayerStatus::NoSoundDevice) << QStringList({"Open a.mp3", "Play"})
            << "无法播放：没有找到声音设备。";
        QTest::newRow("file missing")
            << int(PlayerStatus::FileMissing) << 0 << QStringList("Open a.mp3")
            << "无法播放“a.mp3”：文件不存在。";
    }
    void playFails() {
        TestWindow w;
        w.dialog.fileName = "a.mp3";
        QFETCH(int, open);
        QFETCH(int, play);
        w.player.open = open;
        w.player.play = play;
        w.ui().Command9->click();
        QTEST(w.player.calls, "calls");
        QTEST(w.messages.value(0), "message");
        QCOMPARE(w.ui().Text6->text(), "");
    }

    void openAsksTheDialogOnly() {
        TestWindow w;
        w.ui().Command8->click();
        QCOMPARE(w.dialog.filter, "mp3_files(*.mp3)");
        QCOMPARE(w.dialog.shown, 1);
        QCOMPARE(w.player.calls, QStringList());
    }

    // The end of the track plays it again only while looping, with the file chosen by then;
    // Stop switches looping off before it reaches the component.
    void looping() {
        TestWindow w;
        w.ui().Command10->click();
        Q_EMIT w.player.TrackEnded();
        QCOMPARE(w.player.calls, QStringList("Pause"));
        w.ui().Command12->click();
        QCOMPARE(w.window().state().LoopPlayback, -1);
        w.dialog.fileName = "b.mp3";
        w.player.calls.clear();
        Q_EMIT w.player.TrackEnded();
        QCOMPARE(w.player.calls.mid(0, 2), QStringList({"Open b.mp3", "Play"}));
        w.player.calls.clear();
        w.ui().Command11->click();
        QCOMPARE(w.window().state().LoopPlayback, 0);
        QCOMPARE(w.player.calls, QStringList("Stop"));
    }

    // Position events: a second ahead of the fraction of the length; a range of 0 shows nothing.
    void positions_data() {
        for (const char *column : {"value", "range", "length"})
            QTest::addColumn<int>(column);
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << 0 << 1000 << 185000 << "0分1秒";
        QTest::newRow("end") << 1000 << 1000 << 185000 << "3分6秒";
        QTest::newRow("range 0") << 500 << 0 << 185000 << "before";
    }
    void positions() {
        QFETCH(int, value);
        TestWindow w;
        QFETCH(int, range);
        QFETCH(int, length);
        w.player.range = range;
        w.player.length = length;
        w.ui().Text7->setText("before");
        Q_EMIT w.player.PositionChanged(value);
        QTEST(w.ui().Text7->text(), "shown");
    }

    // Either slider sends both channels, each its value times 100.
    void volumeSliders() {
        TestWindow w;
        w.ui().HScroll2->setValue(25);
        w.ui().HScroll1->setValue(320);
        QCOMPARE(w.player.calls, QStringList({"SetVolume 1000 2500", "SetVolume 32000 2500"}));
    }

    // Once the file has been read through: its exact length, or why it cannot play.
    void fileChecked() {
        TestWindow w;
        w.player.length = 61 * 60000 + 5000;
        Q_EMIT w.player.FileChecked("/music/a.mp3", 0);
        QCOMPARE(w.ui().Text6->text(), "61分5秒");
        Q_EMIT w.player.FileChecked("/music/a.mp3", int(PlayerStatus::Truncated));
        QCOMPARE(w.messages, QStringList("无法播放“a.mp3”：文件不完整或已损坏。"));
        QCOMPARE(w.ui().Text6->text(), "61分5秒");
    }

    // The component's face shows, and names, each state differently.
    void face() {
        TestWindow w;
        QLabel *face = w.ui().Mp3Play1;
        QList<QImage> pictures{face->pixmap().toImage()};
        QStringList names{face->accessibleName()};
        for (PlayState state : {PlayState::Playing, PlayState::Paused}) {
            Q_EMIT w.player.StateChanged(state);
            QVERIFY2(!pictures.contains(face->pixmap().toImage()), "a picture shown before");
            QVERIFY2(!names.contains(face->accessibleName()), "a name given before");
            pictures << face->pixmap().toImage();
            names << face->accessibleName();
        }
    }

    // Long times in the narrow read-outs: the first character at the left edge, the end cut.
    void readOutsShowTheirStart() {
        TestWindow w;
        w.player.length = 10 * 60000 + 59000;
        w.ui().Command9->click();
        w.player.length = 14 * 60000 + 42000; // the position runs a second ahead
        Q_EMIT w.player.PositionChanged(w.player.range);
        QCOMPARE(w.ui().Text6->text(), "10分59秒");
        QCOMPARE(w.ui().Text7->text(), "14分43秒");
        for (QLineEdit *box : {w.ui().Text6, w.ui().Text7}) {
            box->grab(); // where the text stands is settled as it is drawn
            QCOMPARE(box->cursorPositionAt({4, box->height() / 2}), 0);
            QVERIFY(box->cursorPositionAt({box->width() - 4, box->height() / 2}) <
                    box->text().size());
        }
    }

    // Qt's open dialog is large, its size, type and date columns wide enough to read, and it
    // leaves nothing in the user's settings.
    void openDialog() {
        if (QSysInfo::productType() == "windows")
            QSKIP("Windows shows its own open dialog; the e2e test checks the registry after it");
        QTemporaryDir dir, config;
        QVERIFY(writeFile(dir.filePath("歌.mp3"), QByteArray(200000, 'x')) &&
                QDir::setCurrent(dir.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path())); // where Qt keeps its state
        keepNoSettings();
        QString seen;
        {
            QWidget parent;
            FileOpenDialog dialog(&parent);
            QTimer::singleShot(0, this, [&seen] {
                auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                auto *view = shown ? shown->findChild<QTreeView *>() : nullptr;
                const auto readable = [view] { // each text beside the margins a view draws
                    const QModelIndex song = view->model()->index(0, 0, view->rootIndex());
                    for (int column = 1; column < 4; ++column)
                        if (!song.isValid() ||
                            view->header()->sectionSize(column) <
                                view->fontMetrics().horizontalAdvance(
                                    song.siblingAtColumn(column).data().toString()) +
                                    6)
                            return false;
                    return true;
                };
                seen = view && shown->width() >= 700 && QTest::qWaitFor(readable) ? "readable"
                                                                                  : "cut off";
                if (shown)
                    shown->reject();
            });
            dialog.ShowOpen();
        }
        QCOMPARE(seen, "readable");
        QCOMPARE(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }
};

QTEST_MAIN(tst_player)
#include "tst_player.moc"
