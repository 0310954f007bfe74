// The panel's arithmetic, and the panel on the whole window over a recording player.
#include "app/AppSetup.h"
#include "player/FileOpenDialog.h"
#include "player/PlayerRules.h"
#include "player/PlayerStatus.h"
#include "support/Fakes.h"

#include <QtWidgets>

class tst_player : public QObject {
    Q_OBJECT
    QString m_message;

private slots:
    void initTestCase() {
        installChineseFonts(*qApp); // the read-outs' real widths
        keepNoSettings();           // and no file dialog's state from an earlier run
    }

    // Halves to even, never truncated; the writer's factor 100 undone; values kept in range.
    void rules() {
        QCOMPARE(FormatMinSec(59999.5), "1分0秒");
        QCOMPARE(FormatMinSec(59998.5), "0分59秒");
        QCOMPARE(FormatMinSec(119999.6), "2分0秒");
        QCOMPARE(FormatMinSec(-61000), "-1分-1秒");
        QCOMPARE(FormatMinSec(2147483647), "35791分23秒");
        QCOMPARE(FormatMinSec(2147483647.6), std::nullopt);
        QCOMPARE(lengthMs(88200, 44100), 2000);
        QCOMPARE(lengthMs(4, 8000), 1); // half a millisecond rounds up
        QCOMPARE(lengthMs(3, 8000), 0);
        QCOMPARE(lengthMs(5, 0), 0);
        QCOMPARE(lengthMs(qint64(1) << 40, 8000), 2147483647);
        for (auto [volume, slider] :
             {std::pair{6000, 60}, {250, 2}, {350, 4}, {40000, 320}, {40, 1}}) {
            QCOMPARE(volumeToSlider(volume), slider);
            QCOMPARE(sliderToVolume(slider), slider * 100); // so Play never moves a slider
        }
        QCOMPARE(positionMs(1, 0, 5000), std::nullopt);
    }

    void buttonsAndEvents() {
        TestWindow w;
        auto &ui = w.ui();
        RecordingPlayer &player = w.player;
        w.dialog.fileName = "a.mp3";
        player.left = 6000;
        player.right = 40000; // the left read back and sent before the right is read
        ui.Command9->click();
        QCOMPARE(player.calls, "Open a.mp3, Play, LeftVolume, SetVolume 6000 1000, RightVolume, "
                               "SetVolume 6000 32000, Length");
        QCOMPARE(ui.Text6->text(), "3分5秒");
        player.calls.clear();
        player.play = int(PlayerStatus::NoSoundDevice);
        ui.Command9->click();
        QCOMPARE(player.calls + w.messages, "Open a.mp3, Play无法播放：没有找到声音设备。");
        player.play = 0, player.calls.clear(), w.messages.clear();
        ui.Command8->click(); // asks the dialog only
        QCOMPARE(w.dialog.filter + QString::number(w.dialog.shown), "mp3_files(*.mp3)1");
        ui.Command10->click();
        emit player.TrackEnded(); // not looping: nothing
        QCOMPARE(player.calls, "Pause");

        ui.Command12->click();
        QCOMPARE(w.window.state().LoopPlayback, -1); // its colour: tst_Form1
        w.dialog.fileName = "b.mp3"; // chosen while the track plays: the one that repeats
        player.calls.clear();
        emit player.TrackEnded();
        QVERIFY(player.calls.startsWith("Open b.mp3, Play"));
        player.calls.clear();
        ui.Command11->click(); // looping off before Stop reaches the component
        QCOMPARE(player.calls + QString::number(w.window.state().LoopPlayback), "Stop0");

        emit player.PositionChanged(0);
        QCOMPARE(ui.Text7->text(), "0分1秒"); // one second ahead
        emit player.PositionChanged(1000);
        QCOMPARE(ui.Text7->text(), "3分6秒");
        player.range = 0;
        emit player.PositionChanged(500);
        QCOMPARE(ui.Text7->text(), "3分6秒");
        player.calls.clear();
        ui.HScroll2->setValue(25);
        ui.HScroll1->setValue(320);
        QCOMPARE(player.calls, "SetVolume 6000 2500, SetVolume 32000 2500");

        player.length = 61 * 60000 + 5000; // the exact length, once the file is read through
        emit player.FileChecked("/music/a.mp3", 0);
        QCOMPARE(ui.Text6->text(), "61分5秒");
        emit player.FileChecked("/music/a.mp3", int(PlayerStatus::Truncated));
        QCOMPARE(w.messages + ui.Text6->text(), "无法播放“a.mp3”：文件不完整或已损坏。61分5秒");

        const QImage stopped = ui.Mp3Play1->pixmap().toImage();
        emit player.StateChanged(PlayState::Playing);
        QCOMPARE(ui.Mp3Play1->accessibleName(), "音乐播放器：正在播放");
        QVERIFY(ui.Mp3Play1->pixmap().toImage() != stopped);
        emit player.StateChanged(PlayState::Paused);
        QCOMPARE(ui.Mp3Play1->accessibleName(), "音乐播放器：暂停");

        // Long times in the narrow read-outs: the first character at the left edge, the end cut.
        player.length = 10 * 60000 + 59000, player.range = 1000;
        ui.Command9->click();
        player.length = 14 * 60000 + 42000; // the position runs a second ahead
        emit player.PositionChanged(player.range);
        QCOMPARE(ui.Text6->text() + ui.Text7->text(), "10分59秒14分43秒");
        for (QLineEdit *box : {ui.Text6, ui.Text7}) {
            box->grab(); // where the text stands is settled as it is drawn
            QCOMPARE(box->cursorPositionAt({4, box->height() / 2}), 0);
            QVERIFY(box->cursorPositionAt({box->width() - 4, box->height() / 2}) <
                    box->text().size());
        }
    }

    // The open dialog is large, and its size, type and date columns are wide enough to read.
    void openDialogIsReadable() {
        if (QSysInfo::productType() == "windows")
            QSKIP("Windows shows its own open dialog, which keeps its columns itself");
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("歌.mp3"), QByteArray(200000, 'x')) &&
                QDir::setCurrent(dir.path()));
        QWidget parent;
        FileOpenDialog dialog(&parent);
        QTimer::singleShot(0, this, [this] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *view = shown ? shown->findChild<QTreeView *>() : nullptr;
            const auto readable = [view] { // each text beside the margins a view draws
                const QModelIndex song = view->model()->index(0, 0, view->rootIndex());
                for (int column = 1; column < 4; ++column)
                    if (!song.isValid() || view->header()->sectionSize(column) <
                                               view->fontMetrics().horizontalAdvance(
                                                   song.siblingAtColumn(column).data().toString()) +
                                                   6)
                        return false;
                return true;
            };
            m_message =
                view && shown->width() >= 700 && QTest::qWaitFor(readable) ? "readable" : "cut off";
            if (shown)
                shown->reject();
        });
        dialog.ShowOpen();
        QCOMPARE(m_message, "readable");
    }
};

QTEST_MAIN(tst_player)
#include "tst_player.moc"
