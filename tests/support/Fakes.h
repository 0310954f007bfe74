#pragma once
// Fakes for what varies, and the whole window on them, driven by steps a reader knows.

#include "about/AboutServices.h"
#include "app/Form1.h"
#include "drill/Drill.h"
#include "player/Mp3Play.h"
#include "player/OpenDialog.h"
#include "player/PlayerPanel.h"
#include "player/PlayerStatus.h"
#include "timing/Clock.h"
#include "ui_Form1.h"

#include <QtTest>

// Draws exactly the values queued, then 0; notes when each question was drawn.
struct QueuedRandom final : RandomSource {
    void seed(quint64) override {}
    float draw() override {
        if (++drawn % 3 == 1) // a question takes three draws: a, b, the operation
            questionAt << since.elapsed();
        return draws.isEmpty() ? 0.0f : draws.takeFirst();
    }
    void queueQuestion(int a, int b, int operation) {
        for (const int digit : {a, b, operation})
            draws << digit / 10.0f + 0.01f;
    }
    QList<float> draws;
    int drawn = 0;
    QElapsedTimer since;
    QList<qint64> questionAt; // ms
    QueuedRandom() { since.start(); }
};

struct SetClock final : Clock {
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 1, 5), QTime(9, 0, 0)};
};

// Plays nothing and notes every call, reads included; its readings stay as set.
struct RecordingPlayer final : Mp3Player {
    int Open(const QString &path, const QString &) override { return note("Open " + path, open); }
    int Play() override { return note("Play", play); }
    void Pause() override { note("Pause"); }
    void Stop() override {
        note("Stop");
        Q_EMIT TrackEnded(); // as a real component may
    }
    qint32 Length() const override { return note("Length", length); }
    qint32 PositionRange() const override { return note("PositionRange", range); }
    qint32 LeftVolume() const override { return note("LeftVolume", left); }
    qint32 RightVolume() const override { return note("RightVolume", right); }
    int SetVolume(qint32 l, qint32 r) override {
        return note(QString("SetVolume %1 %2").arg(l).arg(r));
    }
    PlayState state() const override { return PlayState::Stopped; }
    int note(const QString &call, int answer = 0) const { // the call, then what it answers
        calls << call;
        return answer;
    }
    mutable QStringList calls;
    int open = 0, play = 0;
    qint32 length = 185000, range = 1000, left = 1000, right = 1000;
};

struct ScriptedDialog final : OpenDialog {
    void setFilter(const QString &f) override { filter = f; }
    void ShowOpen() override { ++shown; }
    QString FileName() const override { return fileName; }
    QString filter, fileName;
    int shown = 0;
};

// Played by hand: play() pulls that much audio (an odd number of bytes) and counts it heard.
struct FakeOutput final : SoundOutput {
    bool start(QIODevice *s) override { return device && (source = s); }
    void suspend() override { suspended = true; }
    void resume() override { suspended = false; }
    void stop() override { source = nullptr; }
    qint64 processedUSecs() const override { return heard * 1000000 / rate; }
    void play(int ms) {
        if (!source || suspended)
            return;
        const QByteArray pcm = source->read(qint64(rate) * ms / 1000 * 4 + 3);
        QCOMPARE(pcm.size() % 4, 0); // whole frames only: half a frame swaps the channels
        const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
        for (qsizetype i = 0; i < pcm.size() / 2; ++i)
            loudness[i % 2] += double(s[i]) * s[i];
        heard += pcm.size() / 4;
        pulled += pcm;
    }
    QIODevice *source = nullptr;
    qint64 heard = 0, rate = 0;
    bool suspended = false, device = true; // device: there is one to start on
    QByteArray pulled;
    double loudness[2] = {0, 0};
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
    FakeOutput *newOutput(int rate) {
        outputs << new FakeOutput;
        outputs.last()->rate = rate;
        outputs.last()->device = devices;
        return outputs.last();
    }
    bool devices = true; // whether a new output finds a sound device
    QList<QPointer<FakeOutput>> outputs;
    QList<qint32> positions;
    int ends = 0;
    qint64 heardAtEnd = 0;
    FileOpener opener = openForReading; // how the component opens the chosen file
    Mp3Play player{[this](int rate) { return newOutput(rate); },
                   Mp3Play::Options{5, [this](const QString &path) { return opener(path); }}};
};

inline QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}
// Any characters, each as a key press that types it, as from an input method.
inline void typeText(QWidget *box, const QString &text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), {});
}

// The whole window on the fakes (or on the given player), shown, its messages collected.
struct TestWindow {
    explicit TestWindow(Mp3Player *realPlayer = nullptr, const QString &pictures = {})
        : form(std::make_unique<Form1>(Form1Services{&random, &clock,
                                                     realPlayer ? realPlayer : &player, &dialog,
                                                     about.get()},
                                       pictures)) {
        form->findChild<PlayerPanel *>()->setShowMessage(
            [this](const QString &m) { messages << m; });
        // A right answer adds to the count: the free test's pause runs from here.
        QObject::connect(ui().Text5, &QLineEdit::textChanged, form.get(),
                         [this] { rightAt = random.since.elapsed(); });
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    Form1 &window() { return *form; }
    Ui::Form1 &ui() { return form->ui(); }
    void closeWindow() { form.reset(); } // the fakes stay
    QList<QPointer<QTimer>> pauses() {   // the free test's pause is a timer of the drill's
        QList<QPointer<QTimer>> active;
        for (QTimer *timer : form->findChild<Drill *>()->findChildren<QTimer *>())
            if (timer->isActive())
                active << timer;
        return active;
    }

    // Runs steps a child, the test's clock or the player takes ("next 3+4": drawn now, "queue
    // 3+4": drawn next; "wait": the next question, no sooner than 600 ms after the right answer,
    // "wait 2500": than 2500 ms after the one before); answers the first that is unknown or
    // whose check fails, with why.
    QString run(const QString &steps) {
        const QMap<QString, QAbstractButton *> buttons{
            {"clear", ui().Command6}, {"paced", ui().Command4}, {"free", ui().Command5},
            {"open", ui().Command8},  {"play", ui().Command9},  {"pause", ui().Command10},
            {"stop", ui().Command11}, {"loop", ui().Command12}};
        const QMap<QString, qint32 *> reads{
            {"left reads", &player.left}, {"right reads", &player.right}, {"range", &player.range}};
        const QMap<QString, QScrollBar *> sliders{{"left slider", ui().HScroll1},
                                                  {"right slider", ui().HScroll2}};
        for (const QString &step : steps.split(", ", Qt::SkipEmptyParts)) {
            const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
            const QString head = step.section(' ', 0, -2), last = step.section(' ', -1);
            if (verb == "next" || verb == "queue") {
                const qsizetype op = arg.indexOf(QRegularExpression("[-+]"));
                const int left = arg.left(op).toInt(), b = arg.mid(op + 1).toInt();
                random.queueQuestion(arg[op] == '+' ? left : left - b, b, arg[op] == '-');
                if (verb == "next")
                    QMetaObject::invokeMethod(&window().Timer1(), "timeout");
            } else if (step == "tick clock") {
                QMetaObject::invokeMethod(&window().Timer2(), "timeout");
            } else if (verb == "type") {
                typeText(ui().Text2, arg);
            } else if (verb == "key") {
                QTest::mouseClick(ui().Command3->button(arg.toInt()), Qt::LeftButton);
            } else if (buttons.contains(step)) {
                QTest::mouseClick(buttons[step], Qt::LeftButton);
            } else if (reads.contains(head)) {
                *reads[head] = last.toInt();
            } else if (sliders.contains(head)) {
                sliders[head]->setValue(last.toInt());
            } else if (verb == "length") { // minutes:seconds
                player.length = QTime::fromString(arg, "m:ss").msecsSinceStartOfDay();
            } else if (verb == "position") {
                Q_EMIT player.PositionChanged(arg.toInt());
            } else if (verb == "choose") {
                dialog.fileName = arg;
            } else if (step == "no sound device") {
                player.play = int(PlayerStatus::NoSoundDevice);
            } else if (step == "file missing") {
                player.open = int(PlayerStatus::FileMissing);
            } else if (step == "track ends") {
                Q_EMIT player.TrackEnded();
            } else if (step == "file checked" || step == "file broken") {
                Q_EMIT player.FileChecked(
                    "/music/a.mp3", step == "file checked" ? 0 : int(PlayerStatus::Truncated));
            } else if (verb == "level") {
                ui().Option1->button(arg.toInt())->click();
            } else if (verb == "pass") {
                clock.time = clock.time.addSecs(arg.section(' ', 0, 0).toInt());
            } else if (verb == "wait") {
                if (!QTest::qWaitFor([&] { return random.draws.isEmpty() && pauses().isEmpty(); },
                                     10000))
                    return step + ": no next question within 10 s";
                const QList<qint64> &at = random.questionAt;
                const qint64 from = arg.isEmpty() ? rightAt : at.value(at.size() - 2, -1);
                const qint64 gap = at.isEmpty() || from < 0 ? -1 : at.last() - from;
                if (gap < (arg.isEmpty() ? 600 : arg.toInt()))
                    return QString("%1: the next question came %2 ms after").arg(step).arg(gap);
            } else {
                return "unknown step: " + step;
            }
        }
        return {};
    }

    // "none", "paced" or "free" when the two timers, the free test's flag and the two test
    // buttons agree on it; otherwise what they show.
    QString runningTest() {
        const auto button = [](QPushButton *b) {
            return b->text() + (b->isEnabled() ? "" : " off");
        };
        const QString shown = QString("Timer1 %1, Timer2 %2, free %3, %4, %5")
                                  .arg(window().Timer1().isActive())
                                  .arg(window().Timer2().isActive())
                                  .arg(window().state().FreeTestRunning)
                                  .arg(button(ui().Command4), button(ui().Command5));
        const QMap<QString, QString> known{
            {"Timer1 0, Timer2 0, free 0, 匀速测试, 自由测试", "none"},
            {"Timer1 1, Timer2 1, free 0, 停止, 自由测试 off", "paced"},
            {"Timer1 0, Timer2 1, free 1, 匀速测试 off, 停止", "free"}};
        return known.value(shown, shown);
    }

    QueuedRandom random;
    SetClock clock;
    RecordingPlayer player;
    ScriptedDialog dialog;
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
    QStringList messages;
    qint64 rightAt = -1;
    std::unique_ptr<Form1> form;
};
