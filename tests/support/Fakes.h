#pragma once
// Fakes for what varies, and the whole window on them, driven by steps a reader knows.

#include "about/AboutServices.h"
#include "app/Form1.h"
#include "drill/Drill.h"
#include "player/Mp3Play.h"
#include "player/OpenDialog.h"
#include "player/PlayerStatus.h"
#include "timing/Clock.h"
#include "ui_Form1.h"

#include <QtTest>
#include <QtWidgets>

// QCOMPARE and QTEST for texts: when they differ both are printed as they read, where QTest would
// write each Chinese character as a \u escape.
inline bool sameText(const QString &seen, const QString &expected, const char *what,
                     const char *file, int line) {
    if (seen != expected)
        QTest::qFail(qPrintable(QString("%1: \"%2\", not \"%3\"").arg(what, seen, expected)), file,
                     line);
    return seen == expected;
}
#define QCOMPARE_TEXT(seen, expected)                                                              \
    do {                                                                                           \
        if (!sameText(seen, expected, #seen, __FILE__, __LINE__))                                  \
            return;                                                                                \
    } while (false)
#define QTEST_TEXT(seen, column)                                                                   \
    QCOMPARE_TEXT(seen,                                                                            \
                  *static_cast<const QString *>(QTest::qElementData(column, QMetaType::QString)))

// A _data function's rows as a table, one row a line: the first line names the columns, the
// first cell of each row names the row, cells are split at "|" and trimmed; every column is a
// QString, whose values are compared as they are written.
inline void addTable(const char *table) {
    const QStringList lines = QString::fromUtf8(table).trimmed().split('\n');
    static QList<QByteArray> names; // Qt keeps the column names' pointers
    for (const QString &column : lines[0].split('|').mid(1))
        QTest::addColumn<QString>((names << column.trimmed().toUtf8()).last().constData());
    for (const QString &line : lines.mid(1)) {
        const QStringList cells = line.split('|');
        QTestData &row = QTest::newRow(cells[0].trimmed().toUtf8().constData());
        for (const QString &cell : cells.mid(1))
            row << cell.trimmed();
    }
}

// Time that passes only when a test says so: the wall clock (to the second) and the timers.
struct FakeTime final : Clock {
    struct FakeTimer final : Timer {
        FakeTimer(FakeTime &time, QObject *parent)
            : Timer(parent)
            , time(time) {}
        void start() override { due = time.ms + ms; }
        void stop() override { due = -1; }
        bool isActive() const override { return due >= 0; }
        void setInterval(int interval) override {
            ms = interval;
            if (isActive())
                start();
        }
        int interval() const override { return ms; }
        void setSingleShot(bool s) override { single = s; }
        FakeTime &time;
        qint64 due = -1;
        int ms = 0;
        bool single = false;
    };

    QDateTime now() const override { return start.addSecs(ms / 1000); }
    TimerFactory timers() {
        return [this](QObject *parent) { return all.emplaceBack(new FakeTimer(*this, parent)); };
    }
    // Lets ms pass, each timer ticking when it is due.
    void advance(qint64 by) {
        for (const qint64 end = ms + by;;) {
            FakeTimer *next = nullptr;
            for (FakeTimer *t : std::as_const(all))
                if (t && t->isActive() && t->due <= end && (!next || t->due < next->due))
                    next = t;
            if (!next) {
                ms = end;
                return;
            }
            ms = next->due;
            next->due = next->single ? -1 : ms + next->ms;
            Q_EMIT next->timeout();
        }
    }
    QDateTime start{QDate(2026, 1, 5), QTime(9, 0, 0)};
    qint64 ms = 0;
    QList<QPointer<FakeTimer>> all;
};

// Draws exactly the values queued, then 0; a question takes three: a, b, the operation.
struct QueuedRandom final : RandomSource {
    void seed(quint64) override {}
    float draw() override {
        ++drawn;
        return draws.isEmpty() ? 0.0f : draws.takeFirst();
    }
    void queueQuestion(int a, int b, int operation) {
        for (const int digit : {a, b, operation})
            draws << digit / 10.0f + 0.01f;
    }
    QList<float> draws;
    int drawn = 0;
};

// Plays nothing, but keeps what a listener notices: which file plays, whether it is paused,
// each channel's volume. Its readings stay as set; Stop ends the track, as a component may.
struct FakePlayer final : Mp3Player {
    int Open(const QString &path, const QString &) override {
        opened = path;
        return open;
    }
    int Play() override {
        if (play == 0) {
            playing = opened;
            setState(PlayState::Playing);
        }
        return play;
    }
    void Pause() override { setState(PlayState::Paused); }
    void Stop() override {
        setState(PlayState::Stopped);
        Q_EMIT TrackEnded();
    }
    qint32 Length() const override { return length; }
    qint32 PositionRange() const override { return range; }
    qint32 LeftVolume() const override { return left; }
    qint32 RightVolume() const override { return right; }
    int SetVolume(qint32 l, qint32 r) override {
        heard = QString("%1 %2").arg(l).arg(r);
        return 0;
    }
    PlayState state() const override { return now; }
    void setState(PlayState state) { Q_EMIT StateChanged(now = state); }
    QString opened, playing, heard; // heard: the volumes set, left and right
    int open = 0, play = 0;         // what Open and Play answer
    qint32 length = 185000, range = 1000, left = 1000, right = 1000;
    PlayState now = PlayState::Stopped;
};

// Holds the file a test chooses; shows nothing.
struct ScriptedDialog final : OpenDialog {
    void setFilter(const QString &) override {}
    void ShowOpen() override {}
    QString FileName() const override { return fileName; }
    QString fileName;
};

// Played by hand: play() pulls that much audio (an odd number of bytes) and counts it heard.
struct FakeOutput final : SoundOutput {
    bool start(QIODevice *s) override { return device && (source = s); }
    void stop() override { source = nullptr; }
    qint64 processedUSecs() const override { return heard * 1000000 / rate; }
    void play(int ms) {
        if (!source)
            return;
        const QByteArray pcm = source->read(qint64(rate) * ms / 1000 * 4 + 3);
        const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
        for (qsizetype i = 0; i < pcm.size() / 2; ++i)
            loudness[i % 2] += double(s[i]) * s[i];
        heard += pcm.size() / 4;
        pulled += pcm;
    }
    FakeOutput(qint64 rate, bool device)
        : rate(rate)
        , device(device) {}
    QIODevice *source = nullptr;
    qint64 heard = 0, rate;
    bool device; // there is one to start on
    double loudness[2] = {0, 0};
    QByteArray pulled;
};

// The real component, its sound output played by hand.
struct HandPlayed {
    HandPlayed() {
        QObject::connect(&player, &Mp3Player::PositionChanged, &player,
                         [this](qint32 v) { positions << v; });
        QObject::connect(&player, &Mp3Player::TrackEnded, &player, [this] {
            ++ends;
            heardAtEnd = output()->heard;
        });
    }
    FakeOutput *output() { return outputs.isEmpty() ? nullptr : outputs.last().data(); }
    bool playToEnd() { // a step at a time, each seen by the component's position timer
        const int before = ends;
        for (int step = 0; step < 600 && ends == before && output(); ++step) {
            const qsizetype seen = positions.size();
            output()->play(100);
            if (!QTest::qWaitFor([&] { return positions.size() > seen || ends > before; }, 5000))
                return false;
        }
        return ends == before + 1;
    }
    QList<QPointer<FakeOutput>> outputs;
    QList<qint32> positions;
    int ends = 0;
    qint64 heardAtEnd = 0; // frames, by the output that played the end
    bool devices = true;   // whether a new output finds a sound device
    Mp3Play player{[this](int rate) {
                       return outputs.emplaceBack(new FakeOutput{rate, devices});
                   },
                   Mp3Play::Options{5}};
};

inline QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether this process still holds the file open, where the system tells (Linux); a player that
// has failed must let it go.
inline bool heldOpen(const QString &path) {
    return std::ranges::any_of(QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System),
                               [file = QFileInfo(path).canonicalFilePath()](const QFileInfo &fd) {
                                   return fd.symLinkTarget() == file;
                               });
}

inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Any characters, each as a key press that types it, as from an input method.
inline void typeInto(QWidget *widget, const QString &text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
}

// Each message box as it is shown, its text noted and the box closed with its OK button.
struct MessageBoxes : QObject {
    MessageBoxes() { qApp->installEventFilter(this); }
    bool eventFilter(QObject *object, QEvent *event) override {
        auto *box = qobject_cast<QMessageBox *>(object);
        if (box && event->type() == QEvent::Show) {
            texts << box->text();
            QMetaObject::invokeMethod(box, &QMessageBox::accept, Qt::QueuedConnection);
        }
        return false;
    }
    QStringList texts;
};

// What a child sees in a picture box: the green tick, the red cross, or nothing.
inline QString pictureSeen(QWidget *box) {
    const QImage image = box->grab().toImage();
    int green = 0, red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            green += c.green() > 120 && c.red() < 80 && c.blue() < 80;
            red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
        }
    return green > 200 ? "tick" : red > 200 ? "cross" : "none";
}

// The whole window on the fakes (or on the given player and open dialog), with the shipped
// pictures.
struct TestWindow {
    explicit TestWindow(Mp3Player *realPlayer = nullptr, OpenDialog *realDialog = nullptr)
        : form(std::make_unique<Form1>(
              Form1Services{&random, &time, time.timers(), realPlayer ? realPlayer : &player,
                            realDialog ? realDialog : &dialog, about.get()},
              QUENZO_ASSETS_DIR)) {
        form->show();
        shown = QTest::qWaitForWindowActive(form.get());
    }
    Form1 &window() { return *form; }
    Ui::Form1 &ui() { return form->ui(); }
    QStringList &messages() { return boxes.texts; }
    QWidget *focus() { return QApplication::focusWidget(); }
    // A button of the keypad or of the levels, found by its caption as a child finds it.
    QAbstractButton *button(QWidget *group, const QString &caption) {
        for (QAbstractButton *b : group->findChildren<QAbstractButton *>())
            if (b->text() == caption)
                return b;
        return nullptr;
    }

    // Runs steps a child, the clock or the player takes, and answers the first that is unknown
    // or whose check fails, with why: "next 3+4" (the pace's tick draws it), "queue 3+4" (drawn
    // next), "wait 600" (no question for 599 ms, then one), "pass 65 s", "type 7" (keys to
    // whatever has the focus) and the keys of pressKey, "key 7" (the keypad's), "level 高级"
    // and the panel's steps.
    QString run(const QString &steps) {
        const QMap<QString, QAbstractButton *> buttons{
            {"clear", ui().Command6}, {"paced", ui().Command4}, {"free", ui().Command5},
            {"open", ui().Command8},  {"play", ui().Command9},  {"pause", ui().Command10},
            {"stop", ui().Command11}, {"loop", ui().Command12}};
        const QMap<QString, qint32 *> reads{
            {"left reads", &player.left}, {"right reads", &player.right}, {"range", &player.range}};
        const QMap<QString, QScrollBar *> sliders{{"left slider", ui().HScroll1},
                                                  {"right slider", ui().HScroll2}};
        const QMap<QString, std::function<void()>> player_{
            {"track ends", [this] { Q_EMIT player.TrackEnded(); }},
            {"file checked", [this] { Q_EMIT player.FileChecked(player.opened, 0); }},
            {"file broken",
             [this] { Q_EMIT player.FileChecked(player.opened, int(PlayerStatus::Truncated)); }},
            {"no sound device", [this] { player.play = int(PlayerStatus::NoSoundDevice); }},
            {"file missing", [this] { player.open = int(PlayerStatus::FileMissing); }},
            {"sound fails", [this] {
                 player.setState(PlayState::Stopped);
                 Q_EMIT player.Failed(player.opened, int(PlayerStatus::NoSoundDevice));
             }}};
        for (const QString &step : steps.split(", ", Qt::SkipEmptyParts)) {
            form->activateWindow(); // as the window system does when a dialog has closed
            if (!QTest::qWaitForWindowActive(form.get()))
                return step + ": the window is not active";
            const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
            const QString head = step.section(' ', 0, -2), last = step.section(' ', -1);
            QAbstractButton *key = verb == "key"     ? button(ui().Frame1, arg)
                                   : verb == "level" ? button(ui().Frame2, arg)
                                                     : buttons.value(step);
            if (verb == "next" || verb == "queue") {
                const qsizetype op = arg.indexOf(QRegularExpression("[-+]"));
                const int left = arg.left(op).toInt(), b = arg.mid(op + 1).toInt();
                random.queueQuestion(arg[op] == '+' ? left : left - b, b, arg[op] == '-');
                if (verb == "next")
                    Q_EMIT window().Timer1().timeout();
            } else if (verb == "type" || verb == "press" || verb == "numpad" || verb == "hold") {
                if (!focus())
                    return step + ": nothing has the keyboard focus";
                if (verb == "type")
                    typeInto(focus(), arg);
                else if (!pressKey(verb, arg))
                    return "unknown key: " + step;
            } else if (key) {
                QTest::mouseClick(key, Qt::LeftButton);
            } else if (step == "about") { // opened from the window, its texts noted, 确定
                whenModal([this](QWidget *dialog) {
                    aboutSeen = QStringList{dialog->windowTitle()};
                    for (const char *name :
                         {"lblTitle", "lblVersion", "lblDescription", "lblDisclaimer"})
                        aboutSeen << dialog->findChild<QLabel *>(name)->text();
                    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
                    if (dialog->isVisible()) { // 确定 left it open: nothing seen counts
                        aboutSeen.clear();
                        QTest::keyClick(dialog, Qt::Key_Escape);
                    }
                });
                QTest::mouseClick(ui().Command7, Qt::LeftButton);
            } else if (verb == "key" || verb == "level") {
                return "no button captioned " + arg;
            } else if (verb == "pass") { // "pass 65 s", "pass 200 ms"
                time.advance(arg.section(' ', 0, 0).toInt() * (arg.endsWith(" ms") ? 1 : 1000));
            } else if (verb == "wait") {
                const int before = random.drawn;
                time.advance(arg.toInt() - 1);
                if (random.drawn != before)
                    return step + ": a question came sooner";
                time.advance(1);
                if (random.drawn != before + 3)
                    return step + ": no question came then";
            } else if (reads.contains(head)) {
                *reads[head] = last.toInt();
            } else if (sliders.contains(head)) {
                sliders[head]->setValue(last.toInt());
            } else if (verb == "length") { // minutes:seconds
                player.length =
                    (arg.section(':', 0, 0).toInt() * 60 + arg.section(':', 1).toInt()) * 1000;
            } else if (verb == "position") {
                Q_EMIT player.PositionChanged(arg.toInt());
            } else if (verb == "choose") {
                dialog.fileName = arg;
            } else if (player_.contains(step)) {
                player_[step]();
            } else {
                return "unknown step: " + step;
            }
        }
        return {};
    }

    // "press Backspace" (or any key by Qt's name: Del, Return, Esc, Home); "numpad 7", a digit of
    // the numeric keypad with NumLock on; "hold 7", the key held down until it has repeated twice.
    bool pressKey(const QString &how, const QString &name) {
        const Qt::Key key = QKeySequence(name)[0].key();
        if (how == "press" && key)
            QTest::keyClick(focus(), key);
        else if (how == "numpad" && name[0].isDigit())
            QTest::keyClick(focus(), key, Qt::KeypadModifier);
        else if (how == "hold" && name[0].isDigit())
            for (const bool repeat : {false, true, true}) {
                QKeyEvent press(QEvent::KeyPress, key, {}, name, repeat);
                QApplication::sendEvent(focus(), &press);
            }
        return how == "press" ? bool(key) : name[0].isDigit();
    }

    // Runs then on the modal dialog once one is shown, from inside its event loop.
    void whenModal(const std::function<void(QWidget *)> &then) {
        QTimer::singleShot(10, form.get(), [this, then] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                return then(dialog);
            whenModal(then);
        });
    }

    // "none", "paced" or "free" when the test buttons, the two timers and the free test's flag
    // agree on it; otherwise what they show.
    QString runningTest() {
        const auto face = [](QPushButton *b) { return b->text() + (b->isEnabled() ? "" : " off"); };
        const QString shown = QString("%1, %2, %3%4%5")
                                  .arg(face(ui().Command4), face(ui().Command5))
                                  .arg(window().Timer1().isActive())
                                  .arg(window().Timer2().isActive())
                                  .arg(window().state().FreeTestRunning);
        return QMap<QString, QString>{{"匀速测试, 自由测试, 000", "none"},
                                      {"停止, 自由测试 off, 110", "paced"},
                                      {"匀速测试 off, 停止, 011", "free"}}
            .value(shown, shown);
    }

    FakeTime time;
    QueuedRandom random;
    FakePlayer player;
    ScriptedDialog dialog;
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
    MessageBoxes boxes;
    std::unique_ptr<Form1> form;
    bool shown = false;    // the window came up active
    QStringList aboutSeen; // the About dialog's title and labels, as last opened
};
