// Usage: bench_stall FILE.mp3 PRESSES [THEN.mp3 LENGTH] -- the longest time the window's
// event loop did not run while 播放 was pressed PRESSES times, 30 ms apart, on the real
// window and player. A 5 ms timer on the window's thread notes its own lateness from just
// before the first press until 3 s after the last one, and until the length shown has held
// for 2 s. With THEN.mp3, 200 ms after the last press that file is chosen and played, and
// the time until the length shown reads LENGTH (its exact length) is printed too.
#include "about/AboutServices.h"
#include "app/AppSetup.h"
#include "app/Form1.h"
#include "drill/RandomSource.h"
#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "player/RealPlayer.h"
#include "support/Fakes.h"
#include "timing/Clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

struct ChosenFile final : OpenDialog {
    QString path;
    void setFilter(const QString &) override {}
    void ShowOpen() override {}
    QString FileName() const override { return path; }
};

constexpr qint64 Ms = 1000000;

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const int presses = argc == 3 || argc == 5 ? std::atoi(argv[2]) : 0;
    if (presses <= 0) {
        std::fprintf(stderr, "usage: bench_stall FILE.mp3 PRESSES [THEN.mp3 LENGTH]\n");
        return 2;
    }
    const QString then = argc == 5 ? QString::fromLocal8Bit(argv[3]) : QString();
    const QString thenLength = argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString();
    installChineseFonts(app);
    SeededRandomSource random;
    SystemClock clock;
    auto player = makeMp3Play();
    ChosenFile dialog;
    dialog.path = QString::fromLocal8Bit(argv[1]);
    auto about = makeSystemAboutServices();
    Form1 w({&random, &clock, qtTimers(), player.get(), &dialog, about.get()},
            QStringLiteral(QUENZO_ASSETS_DIR));
    // A failure ends the run instead of waiting in a modal box.
    MessageBoxes boxes;
    const QStringList &messages = boxes.texts;
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;
    auto *play = w.findChild<QPushButton *>(QStringLiteral("Command9"));
    auto *length = w.findChild<QLineEdit *>(QStringLiteral("Text6"));

    QElapsedTimer elapsed;
    elapsed.start();
    qint64 lastTick = 0, stall = 0, frozen = 0, lastPress = 0, lengthShown = -1;
    qint64 thenPressed = -1, thenShown = -1;
    int pressed = 0;
    QObject::connect(length, &QLineEdit::textChanged, &app, [&](const QString &text) {
        lengthShown = elapsed.nsecsElapsed();
        if (thenPressed >= 0 && text == thenLength && thenShown < 0)
            thenShown = lengthShown;
    });
    QTimer presser, ticker;
    presser.setTimerType(Qt::PreciseTimer);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&presser, &QTimer::timeout, &app, [&] {
        if (++pressed == presses)
            presser.stop();
        lastPress = elapsed.nsecsElapsed();
        play->click();
    });
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        const qint64 now = elapsed.nsecsElapsed();
        const qint64 late = now - lastTick - 5 * Ms;
        stall = std::max(stall, late);
        if (late > 50 * Ms) // the stalls a user would notice, added up
            frozen += late;
        lastTick = now;
        if (!then.isEmpty() && pressed == presses && thenPressed < 0 &&
            now - lastPress > 200 * Ms) {
            dialog.path = then;
            thenPressed = elapsed.nsecsElapsed();
            play->click();
        }
        const bool settled =
            then.isEmpty() ? lengthShown >= 0 && now - lengthShown > 2000 * Ms : thenShown >= 0;
        if (pressed == presses && now - lastPress > 3000 * Ms && (settled || !messages.empty()))
            app.exit(messages.empty() ? 0 : 1);
        else if (now > 600000 * Ms)
            app.exit(1);
    });
    ticker.start(5);
    presser.start(30);
    if (app.exec() != 0) {
        for (const QString &text : messages)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        std::fprintf(stderr, "no track length shown, or the player failed\n");
        return 1;
    }
    std::printf("stall_ms %.1f\nfrozen_ms %.0f\nlength_settled_ms %.0f\nlength_shown %s\n",
                stall / 1e6, frozen / 1e6, lengthShown / 1e6, qPrintable(length->text()));
    if (!then.isEmpty())
        std::printf("then_exact_length_ms %.0f\n", (thenShown - thenPressed) / 1e6);
    return 0;
}
