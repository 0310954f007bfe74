// Any bytes at all, as the file the user picked: open it the way Play does, then decode
// it to the end in reads of uneven sizes. Whatever the bytes, open either refuses with
// a reason or gives a track whose length and reads add up; anything else aborts.
#include "player/Mp3Decoder.h"
#include "player/Mp3Play.h"

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

void require(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "Mp3DecoderFuzz: %s\n", what);
        std::abort();
    }
}

bool isMpegRate(int rate) {
    for (int r : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
        if (rate == r)
            return true;
    return false;
}

const QString &inputPath() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("input.mp3"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString &path = inputPath();
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input");
        require(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
                "short write of the input");
    }

    Mp3Decoder decoder;
    const PlayerStatus status = decoder.open(path);
    Mp3Play player([](int) -> SoundOutput * { return nullptr; });
    require(player.Open(path, {}) == int(status), "the player and its decoder disagree");
    if (status != PlayerStatus::Ok) {
        require(size == 0 || status != PlayerStatus::EmptyFile, "a full file called empty");
        require(player.Length() == 0, "a refused file has a length");
        return 0;
    }
    require(isMpegRate(decoder.sampleRate()), "a sample rate no MP3 has");
    const qint64 length = decoder.lengthFrames();
    require(length > 0, "an open track without frames");
    require(player.Length() >= 0 && player.PositionRange() >= 1, "a negative length or range");

    // Sizes that split MP3 frames (1152 or 576 samples) everywhere.
    constexpr std::array<qint64, 6> reads = {1, 3, 577, 1152, 4095, 7};
    std::vector<qint16> buffer(2 * 4095 + 2);
    qint64 total = 0;
    bool ended = false;
    for (std::size_t i = 0;; ++i) {
        const qint64 want = reads[i % reads.size()];
        buffer[size_t(2 * want)] = 0x5a5a; // a guard just past the frames asked for
        const qint64 got = decoder.readFrames(buffer.data(), want);
        require(got >= 0 && got <= want, "a read outside what was asked");
        require(buffer[size_t(2 * want)] == 0x5a5a, "a read wrote past what was asked");
        require(!ended || got == 0, "samples after the end");
        ended = ended || got < want;
        total += got;
        if (ended && got == 0 && i % reads.size() == reads.size() - 1)
            break;
        require(total <= length, "more samples than the scan counted");
    }
    // The player's length and position range are what is heard, to the sample.
    require(total == length, "fewer samples than the scan counted");
    const double ms = double(total) * 1000 / decoder.sampleRate();
    require(qAbs(player.Length() - ms) <= 0.5 && player.PositionRange() == total,
            "Length or PositionRange differ from the samples decoded");
    return 0;
}
