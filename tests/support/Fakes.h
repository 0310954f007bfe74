#pragma once
// Fakes for what varies (randomness, time, the player component, its sound output, the
// file dialog) and the whole window on them, driven by steps a reader knows.

#include "about/AboutServices.h"
#include "app/Form1.h"
#include "drill/Drill.h"
#include "player/Mp3Play.h"
#include "player/OpenDialog.h"
#include "player/PlayerPanel.h"
#include "timing/Clock.h"
#include "ui_Form1.h"

#include <QtTest>

#include <deque>

// Draws exactly the values queued, then 0; counts every draw.
struct QueuedRandom final : RandomSource {
    void seed(quint64) override {}
    float draw() override {
        ++drawn;
        if (draws.empty())
            return 0.0f;
        const float r = draws.front();
        draws.pop_front();
        return r;
    }
    void queueQuestion(int a, int b, int operation) {
        for (const int digit : {a, b, operation})
            draws.push_back(digit / 10.0f + 0.01f);
    }
    std::deque<float> draws;
    int drawn = 0;
};

struct SetClock final : Clock {
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 1, 5), QTime(9, 0, 0)};
};

// Plays nothing and logs every call, reads included; its readings stay as set.
struct RecordingPlayer final : Mp3Player {
    int Open(const QString &path, const QString &) override { return log("Open " + path), open; }
    int Play() override { return log("Play"), play; }
    void Pause() override { log("Pause"); }
    void Stop() override { log("Stop"), Q_EMIT TrackEnded(); } // as a real component may
    qint32 Length() const override { return log("Length"), length; }
    qint32 PositionRange() const override { return log("PositionRange"), range; }
    qint32 LeftVolume() const override { return log("LeftVolume"), left; }
    qint32 RightVolume() const override { return log("RightVolume"), right; }
    int SetVolume(qint32 l, qint32 r) override {
        return log(QString("SetVolume %1 %2").arg(l).arg(r)), 0;
    }
    PlayState state() const override { return PlayState::Stopped; }
    void log(const QString &call) const { calls += (calls.isEmpty() ? "" : ", ") + call; }
    mutable QString calls;
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
    bool start(QIODevice *s) override { return source = s, true; }
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
    }
    QIODevice *source = nullptr;
    qint64 heard = 0, rate = 0;
    bool suspended = false;
    double loudness[2] = {0, 0};
};

// The real component, its sound output played by hand.
struct HandPlayed {
    HandPlayed() {
        QObject::connect(&player, &Mp3Player::PositionChanged, &player,
                         [this](qint32 v) { positions << v; });
        QObject::connect(&player, &Mp3Player::TrackEnded, &player,
                         [this] { ++ends, heardAtEnd = output()->heard; });
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
    qint64 heardAtEnd = 0;
    FileOpener opener = openForReading; // how the component opens the chosen file
    Mp3Play player{
        [this](int rate) { return outputs << new FakeOutput, output()->rate = rate, output(); },
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
        : window({&random, &clock, realPlayer ? realPlayer : &player, &dialog, about.get()},
                 pictures) {
        window.findChild<PlayerPanel *>()->setShowMessage(
            [this](const QString &m) { messages += m; });
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        shown.start();
    }
    Ui::Form1 &ui() { return window.ui(); }
    int asked() const { return random.drawn / 3; } // questions drawn so far
    bool pausing() { // the free test's pause after a right answer is a timer of the drill's
        const auto timers = window.findChild<Drill *>()->findChildren<QTimer *>();
        return std::any_of(timers.begin(), timers.end(), [](QTimer *t) { return t->isActive(); });
    }
    // Steps: "next 3+4" (drawn now), "queue 3+4", "type 12", "key 5", "clear", "paced", "free",
    // "level 2", "pass 30 s", "tick clock", "wait [ms]" (until all queued are drawn and no pause).
    void run(const QString &steps) {
        const QMap<QString, QString> buttons{
            {"clear", "Command6"}, {"paced", "Command4"}, {"free", "Command5"}};
        for (const QString &step : steps.split(", ", Qt::SkipEmptyParts)) {
            const QString verb = step.section(' ', 0, 0), arg = step.section(' ', 1);
            if (verb == "next" || verb == "queue") {
                const qsizetype op = arg.indexOf(QRegularExpression("[-+]"));
                const int left = arg.left(op).toInt(), b = arg.mid(op + 1).toInt();
                random.queueQuestion(arg[op] == '+' ? left : left - b, b, arg[op] == '-');
            }
            if (verb == "next")
                QMetaObject::invokeMethod(&window.Timer1(), "timeout");
            if (step == "tick clock")
                QMetaObject::invokeMethod(&window.Timer2(), "timeout");
            if (verb == "type")
                typeText(ui().Text2, arg);
            if (verb == "key" || buttons.contains(verb))
                QTest::mouseClick(verb == "key"
                                      ? ui().Command3->button(arg.toInt())
                                      : window.findChild<QAbstractButton *>(buttons[verb]),
                                  Qt::LeftButton);
            if (verb == "level")
                ui().Option1->button(arg.toInt())->click();
            if (verb == "pass")
                clock.time = clock.time.addSecs(arg.section(' ', 0, 0).toInt());
            if (verb == "wait") {
                QTRY_VERIFY_WITH_TIMEOUT(random.draws.empty() && !pausing(), 10000);
                QVERIFY(shown.elapsed() >= (arg.isEmpty() ? 600 : arg.toInt()));
            }
        }
    }
    // Idle, Paced or Free, when the timers, the free test's flag and the two buttons agree.
    QString tests() {
        static const QMap<QString, QString> states{{"000 匀速测试1 自由测试1", "Idle"},
                                                   {"110 停止1 自由测试0", "Paced"},
                                                   {"011 匀速测试0 停止1", "Free"}};
        const QString seen =
            QString::asprintf("%d%d%d %s%d %s%d", window.Timer1().isActive(),
                              window.Timer2().isActive(), window.state().FreeTestRunning,
                              qUtf8Printable(ui().Command4->text()), ui().Command4->isEnabled(),
                              qUtf8Printable(ui().Command5->text()), ui().Command5->isEnabled());
        return states.value(seen, seen);
    }

    QueuedRandom random;
    SetClock clock;
    RecordingPlayer player;
    ScriptedDialog dialog;
    std::unique_ptr<AboutServices> about = makeSystemAboutServices();
    QString messages;
    QElapsedTimer shown;
    Form1 window;
};
