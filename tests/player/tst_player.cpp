// The panel's arithmetic, and the panel on the whole window over a fake component.
#include "app/AppSetup.h"
#include "player/FileOpenDialog.h"
#include "player/PlayerRules.h"
#include "support/Fakes.h"

class tst_player : public QObject {
    Q_OBJECT
    std::unique_ptr<TestWindow> w;

private slots:
    void initTestCase() {
        installChineseFonts(*qApp); // the read-outs' real widths
        installQtTranslations(*qApp);
    }
    void init() {
        w = std::make_unique<TestWindow>();
        QVERIFY(w->shown);
        w->dialog.fileName = "a.mp3";
    }
    void cleanup() { w.reset(); }

    // Halves to even before dividing, never truncated; nothing for what 32 bits cannot hold.
    void minutesAndSeconds() {
        const auto text = [](double ms) { return FormatMinSec(ms).value_or("nothing"); };
        QCOMPARE(text(185000), "3分5秒");
        QCOMPARE(text(59999.5), "1分0秒");
        QCOMPARE(text(59998.5), "0分59秒");
        QCOMPARE(text(2147483647), "35791分23秒");
        QCOMPARE(text(2147483647.6), "nothing");
    }

    // A track's frames in milliseconds; the slider that shows a volume the component reports.
    void lengthsAndVolumes() {
        QCOMPARE(lengthMs(4, 8000), 1); // half a millisecond rounds up
        QCOMPARE(lengthMs(3, 8000), 0);
        QCOMPARE(lengthMs(5, 0), 0);
        QCOMPARE(lengthMs(qint64(1) << 40, 8000), 2147483647);
        for (auto [volume, slider] :
             {std::pair{6000, 60}, {250, 2}, {350, 4}, {40000, 320}, {40, 1}})
            QCOMPARE(volumeToSlider(volume), slider);
    }

    // What is done on the panel, then what is heard (the file playing, each channel's volume)
    // and seen: the face, the loop switch, the sliders, the read-outs, the message. The
    // component reports 3分5秒, volumes of 1000 and a range of 1000 unless a row says otherwise;
    // the dialog holds a.mp3.
    void panel_data() {
        addTable(R"(
row                            | steps                                     | playing | volumes    | face     | loop | sliders | length    | position  | message
play: the volumes read back    | left reads 6000, right reads 40000, play  | a.mp3   | 6000 32000 | 正在播放 | off  | 60 320  | 3分5秒    |           |
no sound device                | no sound device, play                     |         |            | 停止     | off  | 10 10   |           |           | 无法播放：没有找到声音设备。
file missing                   | file missing, play                        |         |            | 停止     | off  | 10 10   |           |           | 无法播放“a.mp3”：文件不存在。
pause, then an end, no looping | play, pause, track ends                   | a.mp3   |            | 暂停     | off  | 10 10   | 3分5秒    |           |
looping: the end plays b.mp3   | loop, play, choose b.mp3, track ends      | b.mp3   |            | 正在播放 | on   | 10 10   | 3分5秒    |           |
stop: looping off first        | loop, play, stop                          | a.mp3   |            | 停止     | off  | 10 10   | 3分5秒    |           |
position 0: a second ahead     | position 0                                |         |            | 停止     | off  | 10 10   |           | 0分1秒    |
position with a range of 0     | range 0, position 500                     |         |            | 停止     | off  | 10 10   |           |           |
either slider sends both       | right slider 25, left slider 320          |         | 32000 2500 | 停止     | off  | 320 25  |           |           |
exact length once read through | play, length 41:05, file checked          | a.mp3   |            | 正在播放 | off  | 10 10   | 41分5秒   |           |
a broken file told             | play, file broken                         | a.mp3   |            | 正在播放 | off  | 10 10   | 3分5秒    |           | 无法播放“a.mp3”：文件不完整或已损坏。
the sound device gone          | loop, play, sound fails                   | a.mp3   |            | 停止     | on   | 10 10   | 3分5秒    |           | 无法播放：没有找到声音设备。
long times wholly shown        | length 305:25, play, position 1000        | a.mp3   |            | 正在播放 | off  | 10 10   | 305分25秒 | 305分26秒 |
)");
    }
    void panel() {
        QFETCH(QString, steps);
        const QImage stopped = w->ui().Mp3Play1->grab().toImage();
        const QImage loopOff = w->ui().Command12->grab().toImage();
        QCOMPARE_TEXT(w->run(steps), "");
        QTEST_TEXT(w->player.playing, "playing");
        QTEST_TEXT(w->player.heard, "volumes");
        QTEST_TEXT(w->ui().Mp3Play1->accessibleName().section("：", 1), "face");
        QFETCH(QString, face);
        QCOMPARE(w->ui().Mp3Play1->grab().toImage() != stopped, face != "停止");
        QTEST_TEXT(w->ui().Command12->grab().toImage() == loopOff ? "off" : "on", "loop");
        QTEST_TEXT(QString("%1 %2").arg(w->ui().HScroll1->value()).arg(w->ui().HScroll2->value()),
                   "sliders");
        QTEST_TEXT(w->ui().Text6->text(), "length");
        QTEST_TEXT(w->ui().Text7->text(), "position");
        QTEST_TEXT(w->messages().join('\n'), "message");
        for (QLineEdit *box : {w->ui().Text6, w->ui().Text7}) { // its end and start both in view
            box->end(false);
            box->grab();
            QVERIFY2(box->cursorPositionAt({4, box->height() / 2}) == 0, qPrintable(box->text()));
        }
    }

    // 打开 shows Qt's open dialog (Linux's; e2e uses Windows' own), in Chinese, where only MP3
    // files can be chosen; a file chosen there is kept when it is opened again and cancelled.
    void openDialog() {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("歌.mp3"), "x") && writeFile(dir.filePath("说明.txt"), "x"));
        FileOpenDialog real(nullptr);
        w = std::make_unique<TestWindow>(nullptr, &real);
        QStringList choosable;
        QString cancel;
        w->whenModal([&](QWidget *shown) {
            auto *dialog = qobject_cast<QFileDialog *>(shown);
            dialog->setDirectory(dir.path());
            auto *view = dialog->findChild<QTreeView *>();
            const auto listed = [&] { return view->model()->rowCount(view->rootIndex()); };
            for (int row = 0; QTest::qWaitFor([&] { return listed() > 0; }) && row < listed();
                 ++row)
                if (const auto file = view->model()->index(row, 0, view->rootIndex());
                    file.flags() & Qt::ItemIsEnabled) // not greyed out
                    choosable << file.data().toString();
            auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
            typeInto(name, "歌.mp3"); // and 打开
            QTest::keyClick(name, Qt::Key_Return);
        });
        QCOMPARE_TEXT(w->run("open"), "");
        w->whenModal([&](QWidget *shown) {
            for (QPushButton *button : shown->findChildren<QPushButton *>())
                cancel += button->text();
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        QCOMPARE_TEXT(w->run("open"), "");
        QCOMPARE_TEXT(choosable.join(", "), "歌.mp3");
        QCOMPARE_TEXT(real.FileName(), dir.filePath("歌.mp3"));
        QVERIFY2(cancel.contains("取消"), qPrintable(cancel));
    }
};

QTEST_MAIN(tst_player)
#include "tst_player.moc"
