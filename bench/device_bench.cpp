// Usage: bench_device FILE.mp3 -- plays the file on the default of two null sinks of a
// PulseAudio server of its own, takes that sink away after a second and prints how long it
// took until the music was heard on the other ("move_ms N").

#include "player/Mp3Player.h"
#include "player/RealPlayer.h"
#include "support/SoundServer.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

// Whether the sink's monitor has carried more than silence since recording began.
struct Recording {
    Recording(SoundServer &server, const QString &sink) {
        parec.setProcessEnvironment(server.env);
        QObject::connect(&parec, &QProcess::readyReadStandardOutput, &parec, [this] {
            const QByteArray pcm = parec.readAllStandardOutput();
            const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
            for (qsizetype i = 0; i < pcm.size() / 2 && !heard; ++i)
                heard = std::abs(s[i]) > 100;
        });
        parec.start("parec", {"--latency-msec=20", "-d", sink + ".monitor"});
    }
    ~Recording() {
        parec.kill();
        parec.waitForFinished();
    }
    QProcess parec;
    bool heard = false;
};

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 2) {
        out << "usage: bench_device FILE.mp3\n";
        return 2;
    }
    SoundServer server;
    if (!server.start({"speakers", "headphones"})) {
        out << "no sound server\n";
        return 1;
    }
    Recording speakers(server, "speakers"), headphones(server, "headphones");
    std::unique_ptr<Mp3Player> player = makeMp3Play();
    player->SetVolume(32000, 32000);
    if (player->Open(QString::fromLocal8Bit(argv[1]), {}) != 0 || player->Play() != 0) {
        out << "the file does not play\n";
        return 1;
    }
    if (!QTest::qWaitFor([&] { return speakers.heard; }, 10000) ||
        QTest::qWaitFor([&] { return headphones.heard; }, 1000)) {
        out << "not heard on the first sink alone\n";
        return 1;
    }
    QElapsedTimer since;
    since.start();
    server.removeSink("speakers");
    if (!QTest::qWaitFor([&] { return headphones.heard; }, 10000)) {
        out << "never heard on the other sink\n";
        return 1;
    }
    out << "move_ms " << since.elapsed() << '\n';
    return 0;
}
