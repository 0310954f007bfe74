// Any bytes as the chosen file: refused with a reason, or decoded in reads that split frames,
// never past the end, to the length a scan finds. The fuzzer aborts on anything else; the
// tests replay its finds and name what went wrong.
#include "player/Mp3Decoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

const char *decodingFault(const std::uint8_t *data, std::size_t size) {
    static QTemporaryDir dir;
    QFile file(dir.filePath("input.mp3"));
    if (!(file.open(QIODevice::WriteOnly) &&
          file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size)))
        return "cannot write the input";
    file.close();
    const OpenResult opened = openForReading(file.fileName());
    if ((size == 0) != (opened.status == PlayerStatus::EmptyFile))
        return "an empty file missed, or a full one called empty";
    if (opened.status != PlayerStatus::Ok)
        return nullptr;
    Mp3Decoder decoder;
    if (decoder.open(opened.file) != PlayerStatus::Ok)
        return decoder.sampleRate() == 0 ? nullptr : "a refused file has a rate";
    if (!(QList{8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000}.contains(
            decoder.sampleRate())))
        return "no MP3 rate";
    qint16 buffer[2 * 577 + 2];
    qint64 total = 0, got = 0;
    do { // 577 splits frames of 1152 and 576 samples everywhere; a guard just past the buffer
        buffer[2 * 577] = 0x5a5a;
        total += got = decoder.readFrames(buffer, 577);
        if (!(got >= 0 && got <= 577 && buffer[2 * 577] == 0x5a5a))
            return "read too far";
    } while (got == 577);
    if (decoder.readFrames(buffer, 577) != 0)
        return "samples after the end";
    const std::atomic_bool keepGoing = false;
    const Mp3Decoder::Scan scan = Mp3Decoder::scan(opened.file, decoder.openFlags(), keepGoing);
    if (scan.status == PlayerStatus::Ok && scan.lengthFrames != total)
        return "the scan's length is not what decodes";
    return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (const char *fault = decodingFault(data, size)) {
        std::fprintf(stderr, "Mp3DecoderFuzz: %s\n", fault);
        std::abort();
    }
    return 0;
}
