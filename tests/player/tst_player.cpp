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

    // Rounding halves to even and never truncating a time before it is divided, the writer's
    // factor 100 (not 120) undone, every value kept within its range.
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

    // The left volume is read back and sent before the right one is read.
    void play() {
        TestWindow w;
        w.dialog.fileName = "a.mp3";
        w.player.left = 6000;
        w.player.right = 40000;
        w.ui().Command9->click();
        QCOMPARE(w.player.calls, "Open a.mp3, Play, LeftVolume, SetVolume 6000 1000, RightVolume, "
                                 "SetVolume 6000 32000, Length");
        QCOMPARE(w.ui().Text6->text(), "3分5秒");
        w.player.calls.clear();
        w.player.play = int(PlayerStatus::NoSoundDevice);
        w.ui().Command9->click();
        QCOMPARE(w.player.calls + w.messages, "Open a.mp3, Play无法播放：没有找到声音设备。");
    }

    void buttonsAndEvents() {
        TestWindow w;
        auto &ui = w.ui();
        RecordingPlayer &player = w.player;
        ui.Command8->click(); // asks the dialog only
        QCOMPARE(w.dialog.filter, "mp3_files(*.mp3)");
        QCOMPARE(w.dialog.shown, 1);
        ui.Command10->click();
        emit player.TrackEnded(); // not looping: nothing
        QCOMPARE(player.calls, "Pause");

        ui.Command12->click();
        QCOMPARE(w.window.state().LoopPlayback, -1);
        QCOMPARE(ui.Command12->palette().color(QPalette::Button), QColor(255, 0, 0));
        w.dialog.fileName = "b.mp3"; // chosen while the track plays: the one that repeats
        player.calls.clear();
        emit player.TrackEnded();
        QVERIFY(player.calls.startsWith("Open b.mp3, Play"));
        player.calls.clear();
        ui.Command11->click(); // looping off before Stop reaches the component
        QCOMPARE(player.calls, "Stop");
        QCOMPARE(w.window.state().LoopPlayback, 0);
        QCOMPARE(ui.Command12->palette().color(QPalette::Button), QColor(224, 224, 224));

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
        QCOMPARE(player.calls, "SetVolume 1000 2500, SetVolume 32000 2500");

        player.length = 61 * 60000 + 5000; // the exact length, once the file is read through
        emit player.FileChecked("/music/a.mp3", 0);
        QCOMPARE(ui.Text6->text(), "61分5秒");
        emit player.FileChecked("/music/a.mp3", int(PlayerStatus::Truncated));
        QCOMPARE(w.messages, "无法播放“a.mp3”：文件不完整或已损坏。");
        QCOMPARE(ui.Text6->text(), "61分5秒");

        const QImage stopped = ui.Mp3Play1->pixmap().toImage();
        emit player.StateChanged(PlayState::Playing);
        QCOMPARE(ui.Mp3Play1->accessibleName(), "音乐播放器：正在播放");
        QVERIFY(ui.Mp3Play1->pixmap().toImage() != stopped);
        emit player.StateChanged(PlayState::Paused);
        QCOMPARE(ui.Mp3Play1->accessibleName(), "音乐播放器：暂停");
    }

    // Long times in the narrow read-outs: once drawn, the character at the box's left edge is
    // the first, and what is cut off is the end.
    void readOutsShowTheirStart() {
        TestWindow w;
        w.player.length = 10 * 60000 + 59000;
        w.ui().Command9->click();
        w.player.length = 14 * 60000 + 42000; // the position runs a second ahead
        emit w.player.PositionChanged(w.player.range);
        QCOMPARE(w.ui().Text6->text() + w.ui().Text7->text(), "10分59秒14分43秒");
        for (QLineEdit *box : {w.ui().Text6, w.ui().Text7}) {
            box->grab(); // where the text stands is settled as it is drawn
            QCOMPARE(box->cursorPositionAt({4, box->height() / 2}), 0);
            QVERIFY(box->cursorPositionAt({box->width() - 4, box->height() / 2}) <
                    box->text().size());
        }
        w.ui().Text6->setFocus();
        QTest::keyClick(w.ui().Text6, Qt::Key_Tab); // entered with Tab, the whole text selected
        QVERIFY(w.ui().Text7->hasFocus() && w.ui().Text7->selectedText() == w.ui().Text7->text());
        w.ui().Text7->grab();
        QCOMPARE(w.ui().Text7->cursorPositionAt({4, w.ui().Text7->height() / 2}), 0);
    }

    // Unless a test says otherwise, a failure is told in a warning box over the window.
    void failureIsShownInABox() {
        TestWindow w(nullptr, {}, true);
        w.player.open = int(PlayerStatus::NotMp3);
        w.dialog.fileName = "/music/x.mp3";
        QTimer::singleShot(0, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            m_message = box ? box->windowTitle() + '|' + box->text() : "no box";
            if (box)
                box->accept();
        });
        w.ui().Command9->click();
        QCOMPARE(m_message, "播放mp3|无法播放“x.mp3”：这不是 MP3 文件。");
    }

    // The size, type and date columns of the open dialog are wide enough to read.
    void openDialogIsReadable() {
        QTemporaryDir dir;
        for (const int size : {1, 700, 200000, 7 << 20}) {
            QFile song(dir.filePath(QString("歌%1.mp3").arg(size)));
            QVERIFY(song.open(QIODevice::WriteOnly) && song.resize(size));
        }
        QVERIFY(QDir::setCurrent(dir.path()));
        QWidget parent;
        parent.show();
        FileOpenDialog dialog(&parent);
        dialog.setFilter("mp3_files(*.mp3)");
        QTimer::singleShot(0, this, [this] {
            auto *shown = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            auto *view = shown ? shown->findChild<QTreeView *>() : nullptr;
            const auto readable = [view] { // each text with the margins a view draws beside it
                const QModelIndex folder = view->rootIndex();
                for (int row = 0; row < 4; ++row)
                    for (int column = 1; column < 4; ++column) {
                        const QString text =
                            view->model()->index(row, column, folder).data().toString();
                        if (text.isEmpty() || view->header()->sectionSize(column) <
                                                  view->fontMetrics().horizontalAdvance(text) + 6)
                            return false;
                    }
                return true;
            };
            m_message = view && QTest::qWaitFor(readable) ? "readable" : "cut off";
            if (shown)
                shown->reject();
        });
        dialog.ShowOpen();
        QCOMPARE(m_message, "readable");
    }
};

QTEST_MAIN(tst_player)
#include "tst_player.moc"
