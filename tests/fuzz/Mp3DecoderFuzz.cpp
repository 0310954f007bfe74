// Any bytes as the file the user picked: Open refuses it with a reason, or it decodes in
// reads of uneven sizes to exactly the length Open gave; anything else aborts.
#include "player/Mp3Decoder.h"
#include "player/Mp3Play.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

static void require(bool ok, const char *what) {
    if (!ok)
        std::fprintf(stderr, "Mp3DecoderFuzz: %s\n", what), std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static QTemporaryDir dir;
    static const QString path = dir.filePath("input.mp3");
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size) &&
                file.flush(),
            "cannot write the input");

    Mp3Decoder decoder;
    const PlayerStatus status = decoder.open(path);
    Mp3Play player([](int) -> SoundOutput * { return nullptr; });
    require(player.Open(path, {}) == int(status), "the player and its decoder disagree");
    require(status == PlayerStatus::Ok ||
                (player.Length() == 0 && (size == 0 || status != PlayerStatus::EmptyFile)),
            "a refused file with a length, or a full file called empty");
    if (status != PlayerStatus::Ok)
        return 0;
    const qint64 length = decoder.lengthFrames();
    const QList rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    require(rates.contains(decoder.sampleRate()) && length > 0, "no frames, or no MP3 rate");

    // Sizes that split MP3 frames (1152 or 576 samples) everywhere; a guard just past them.
    const qint64 reads[] = {1, 3, 577, 1152, 4095, 7};
    qint16 buffer[2 * 4095 + 2];
    qint64 total = 0;
    bool ended = false;
    for (int i = 0, afterEnd = 0; afterEnd < 6; ++i) {
        afterEnd += ended;
        const qint64 want = reads[i % 6];
        buffer[2 * want] = 0x5a5a;
        const qint64 got = decoder.readFrames(buffer, want);
        require(got >= 0 && got <= want && buffer[2 * want] == 0x5a5a, "read too far");
        require(!ended || got == 0, "samples after the end");
        ended = ended || got < want;
        require((total += got) <= length, "more samples than the scan counted");
    }
    // The player's length and position range are what is heard, to the sample.
    require(total == length && player.PositionRange() == total &&
                qAbs(player.Length() - double(total) * 1000 / decoder.sampleRate()) <= 0.5,
            "fewer samples than the scan counted, or Length or PositionRange differ");
    return 0;
}
