#include "player/RealPlayer.h"

#include "player/Mp3Player.h"
#include "player/OpenDialog.h"

namespace {
class SilentPlayer final : public Mp3Player {
public:
    int Open(const QString &, const QString &) override { return 1; }
    void Play() override {}
    void Pause() override {}
    void Stop() override {}
    qint32 Length() const override { return 0; }
    qint32 PositionRange() const override { return 1; }
    qint32 LeftVolume() const override { return 1000; }
    qint32 RightVolume() const override { return 1000; }
    int SetVolume(qint32, qint32) override { return 0; }
};
class NoDialog final : public OpenDialog {
public:
    void setFilter(const QString &) override {}
    void ShowOpen() override {}
    QString FileName() const override { return {}; }
};
} // namespace

std::unique_ptr<Mp3Player> makeMp3Play() {
    return std::make_unique<SilentPlayer>();
}
std::unique_ptr<OpenDialog> makeFileOpenDialog(QWidget *) {
    return std::make_unique<NoDialog>();
}
