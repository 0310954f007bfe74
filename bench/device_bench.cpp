// Usage: bench_device FILE.mp3 default|removed|restarted -- plays the file on the default of
// two null sinks of a PulseAudio server of its own, then after a second:
//   default    makes the other sink the default,
//   removed    takes the sink that plays away,
//   restarted  ends the server, starts it again with the other sink alone and plays again,
// and prints how long it took from then until the music was heard on the other sink ("ms N").

#include "player/Mp3Player.h"
#include "player/RealPlayer.h"
#include "support/SoundServer.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString change = argc == 3 ? argv[2] : "";
    if (change != "default" && change != "removed" && change != "restarted") {
        out << "usage: bench_device FILE.mp3 default|removed|restarted\n";
        return 2;
    }
    SoundServer server;
    if (!server.start({"speakers", "headphones"})) {
        out << "no sound server\n";
        return 1;
    }
    auto speakers = std::make_unique<Listening>(server, "speakers");
    std::unique_ptr<Mp3Player> player = makeMp3Play();
    player->SetVolume(32000, 32000);
    const QString file = QString::fromLocal8Bit(argv[1]);
    if (player->Open(file, {}) != 0 || player->Play() != 0) {
        out << "the file does not play\n";
        return 1;
    }
    if (!QTest::qWaitFor([&] { return speakers->heard; }, 10000)) {
        out << "not heard on the first sink\n";
        return 1;
    }
    QTest::qWait(1000);
    if (change == "restarted") {
        speakers.reset();
        server.stop();
        if (!QTest::qWaitFor([&] { return player->state() == PlayState::Stopped; }, 10000) ||
            !server.start({"headphones"})) {
            out << "the player did not stop, or the server did not start again\n";
            return 1;
        }
    }
    Listening other(server, "headphones");
    if (!QTest::qWaitFor([&] { return other.recording; }, 10000)) {
        out << "the other sink is not recorded\n";
        return 1;
    }
    QElapsedTimer since;
    since.start();
    if (change == "default")
        server.setDefault("headphones");
    else if (change == "removed")
        server.removeSink("speakers");
    else if (player->Open(file, {}) != 0 || player->Play() != 0)
        return 1;
    if (!QTest::qWaitFor([&] { return other.heard; }, 10000)) {
        out << "never heard on the other sink\n";
        return 1;
    }
    out << "ms " << since.elapsed() << '\n';
    return 0;
}
