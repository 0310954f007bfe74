// Usage: bench_device FILE.mp3 -- plays the file on the default of two null sinks of a
// PulseAudio server of its own, takes that sink away after a second and prints how long it
// took until the music was heard on the other ("move_ms N").

#include "player/Mp3Player.h"
#include "player/RealPlayer.h"
#include "support/SoundServer.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc != 2) {
        out << "usage: bench_device FILE.mp3\n";
        return 2;
    }
    SoundServer server;
    if (!server.start({"speakers", "headphones"}) || !server.record("speakers") ||
        !server.record("headphones")) {
        out << "no sound server\n";
        return 1;
    }
    std::unique_ptr<Mp3Player> player = makeMp3Play();
    player->SetVolume(32000, 32000);
    if (player->Open(QString::fromLocal8Bit(argv[1]), {}) != 0 || player->Play() != 0) {
        out << "the file does not play\n";
        return 1;
    }
    const auto heard = [&server](const char *sink) { return firstSound(server.heard[sink]) >= 0; };
    if (!QTest::qWaitFor([&] { return heard("speakers"); }, 10000) ||
        QTest::qWaitFor([&] { return heard("headphones"); }, 1000)) {
        out << "not heard on the first sink alone\n";
        return 1;
    }
    QElapsedTimer since;
    since.start();
    server.removeSink("speakers");
    if (!QTest::qWaitFor([&] { return heard("headphones"); }, 10000)) {
        out << "never heard on the other sink\n";
        return 1;
    }
    out << "move_ms " << since.elapsed() << '\n';
    return 0;
}
