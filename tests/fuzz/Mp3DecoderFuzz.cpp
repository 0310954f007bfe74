// Any bytes as the file the user picked: the decoder refuses it with a reason, or it
// decodes in reads of uneven sizes, never past the end, and a scan that accepts the file
// counts exactly what decodes; anything else aborts.
#include "player/Mp3Decoder.h"

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
    file.close();

    Mp3Decoder decoder;
    const PlayerStatus status = decoder.open(path);
    require((size == 0) == (status == PlayerStatus::EmptyFile),
            "an empty file missed, or a full one called empty");
    if (status != PlayerStatus::Ok)
        return 0;
    const QList rates{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    require(rates.contains(decoder.sampleRate()), "no MP3 rate");
    const std::atomic_bool keepGoing = false;
    const Mp3Decoder::Scan scan = Mp3Decoder::scan(path, decoder.openFlags(), keepGoing);

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
        total += got;
    }
    require(scan.status != PlayerStatus::Ok || scan.lengthFrames == total,
            "the scan's length is not what decodes");
    return 0;
}
