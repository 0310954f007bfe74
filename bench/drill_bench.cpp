// In-process figures of the drill on a real window: from a key press in the answer box
// to the picture painted, and the CPU spent during the free test's 600 ms pause.
#include "about/AboutServices.h"
#include "app/AppSetup.h"
#include "app/Form1.h"
#include "support/Fakes.h"
#include "ui_Form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    installChineseFonts(app);
    QueuedRandom random;
    SystemClock clock;
    FakePlayer player;
    ScriptedDialog dialog;
    auto about = makeSystemAboutServices();
    Form1 w({&random, &clock, qtTimers(), &player, &dialog, about.get()},
            QStringLiteral(QUENZO_ASSETS_DIR));
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;
    auto &ui = w.ui();
    PaintWatch watch;
    ui.Picture1->installEventFilter(&watch);

    // Before any question the drill judges against 0 + 0, so "0" is a right answer.
    std::vector<double> latency;
    for (int i = 0; i < 41; ++i) {
        ui.Text2->clear();
        settle();
        watch.painted = false;
        QElapsedTimer t;
        t.start();
        QTest::keyClick(ui.Text2, i % 2 ? Qt::Key_0 : Qt::Key_5);
        while (!watch.painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        latency.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("key_to_picture_ms %.2f\n", median(latency));

    std::vector<double> pauseCpu;
    random.queueQuestion(3, 4, 0);
    ui.Command5->click(); // a free test, showing 3+4=
    for (int i = 0; i < 5; ++i) {
        random.queueQuestion(3, 4, 0); // the question after this pause
        settle();
        const double before = cpuMs();
        QTest::keyClick(ui.Text2, Qt::Key_7); // right: the pause begins
        while (!ui.Text2->text().isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        pauseCpu.push_back(cpuMs() - before);
    }
    ui.Command5->click();
    std::printf("pause_cpu_ms %.2f\n", median(pauseCpu));
    return 0;
}
