// Usage: quenzo_bench_player FILE.mp3 -- plays the file at full volume, exits at its end.

#include "player/Mp3Player.h"
#include "player/PlayerRules.h"
#include "player/RealPlayer.h"

#include <QCoreApplication>
#include <QTextStream>

#include <memory>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: quenzo_bench_player FILE.mp3\n";
        return 2;
    }
    std::unique_ptr<Mp3Player> player = makeMp3Play();
    const QString path = QString::fromLocal8Bit(argv[1]);
    int status = player->Open(path, {});
    if (status == 0)
        status = player->Play();
    if (status != 0) {
        err << playerStatusMessage(status, path) << '\n';
        return 1;
    }
    player->SetVolume(32000, 32000);
    QObject::connect(player.get(), &Mp3Player::TrackEnded, &app, &QCoreApplication::quit);
    return app.exec();
}
