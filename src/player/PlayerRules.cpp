#include "player/PlayerRules.h"

#include "player/PlayerStatus.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// nearbyint rounds by the current mode: to nearest, halves to even, which this program
// never changes.
double roundHalfEven(double x) {
    return std::nearbyint(x);
}

constexpr int SliderMin = 1;
constexpr int SliderMax = 320;
constexpr qint32 VolumeMax = 32000;
constexpr int SliderFactor = 100;

} // namespace

std::optional<QString> FormatMinSec(double milliseconds) {
    const double t = roundHalfEven(milliseconds);
    if (!std::isfinite(t) || t < std::numeric_limits<qint32>::min() ||
        t > std::numeric_limits<qint32>::max())
        return std::nullopt;
    const auto whole = static_cast<qint32>(t);
    const qint32 minutes = whole / 60000;
    const qint32 rest = whole % 60000;
    const auto seconds = static_cast<qint32>(std::floor(rest / 1000.0));
    return QStringLiteral("%1分%2秒").arg(minutes).arg(seconds);
}

qint32 lengthMs(qint64 frames, int sampleRate) {
    if (sampleRate <= 0)
        return 0;
    const qint64 ms = (frames * 1000 + sampleRate / 2) / sampleRate;
    return qint32(std::min<qint64>(ms, std::numeric_limits<qint32>::max()));
}

qint32 sliderToVolume(int sliderValue) {
    return std::clamp(sliderValue * SliderFactor, 0, VolumeMax);
}

int volumeToSlider(qint32 volume) {
    const double slider = roundHalfEven(double(volume) / SliderFactor);
    return int(std::clamp(slider, double(SliderMin), double(SliderMax)));
}

std::optional<double> positionMs(qint32 value, qint32 positionRange, qint32 length) {
    if (positionRange == 0)
        return std::nullopt;
    return double(value) / double(positionRange) * double(length) + 1000.0;
}

QString playerStatusMessage(int status, const QString &path) {
    QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        name = path;
    const auto because = [&name](const char *reason) {
        return QStringLiteral("无法播放“%1”：%2").arg(name, QString::fromUtf8(reason));
    };
    switch (PlayerStatus(status)) {
    case PlayerStatus::Ok:
        return {};
    case PlayerStatus::NoFileChosen:
        return QStringLiteral("还没有选择文件：请先点“打开”选一个 MP3 文件。");
    case PlayerStatus::FileMissing:
        return because("文件不存在。");
    case PlayerStatus::IsFolder:
        return because("这是一个文件夹，不是文件。");
    case PlayerStatus::Unreadable:
        return because("文件无法读取。");
    case PlayerStatus::EmptyFile:
        return because("文件是空的。");
    case PlayerStatus::NotMp3:
        return because("这不是 MP3 文件。");
    case PlayerStatus::Truncated:
        return because("文件不完整或已损坏。");
    case PlayerStatus::Corrupt:
        return because("文件已损坏。");
    case PlayerStatus::NoSoundDevice:
        return QStringLiteral("无法播放：没有找到声音设备。");
    }
    return because("未知错误。");
}
