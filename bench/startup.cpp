// Start-up to first paint: the program's own set-up and window (or, with "bare", a bare
// window with the same fonts), then the time from the exec to the end of the first paint
// and the peak resident memory so far. bench/run sets QUENZO_BENCH_T0_NS, a
// CLOCK_MONOTONIC reading taken just before it started this process.
#include "app/AppSetup.h"
#include "app/Form1.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QByteArray peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').value(0);
    return "?";
}

class FirstPaint : public QObject {
public:
    explicit FirstPaint(qint64 t0)
        : m_t0(t0) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Runs once the paint and the flush to the screen are done.
            QTimer::singleShot(0, this, [this] {
                std::printf("first_paint_ms %.1f\npeak_rss_kb %s\n", (monotonicNs() - m_t0) / 1e6,
                            peakResidentKb().constData());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_t0;
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[]) {
    const qint64 t0 = qEnvironmentVariableIsSet("QUENZO_BENCH_T0_NS")
                          ? qgetenv("QUENZO_BENCH_T0_NS").toLongLong()
                          : monotonicNs();
    QApplication app(argc, argv);
    installChineseFonts(app);
    installQtTranslations(app);

    std::unique_ptr<QWidget> window;
    if (argc > 1 && qstrcmp(argv[1], "bare") == 0) {
        window = std::make_unique<QWidget>();
        window->resize(546, 409);
        auto *label = new QLabel(QStringLiteral("匀速测试 自由测试 清除 退出"), window.get());
        label->setFont(QFont(QStringLiteral("宋体"), 18, QFont::Bold));
        label->move(20, 20);
    } else {
        window = std::make_unique<Form1>();
    }
    FirstPaint probe(t0);
    window->installEventFilter(&probe);
    window->show();
    return app.exec();
}
