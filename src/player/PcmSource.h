#pragma once

#include <QtGlobal>

// Interleaved 16-bit stereo frames, pulled in order until the source runs dry.
class PcmSource {
public:
    static constexpr int Channels = 2;
    static constexpr int BytesPerFrame = Channels * int(sizeof(qint16));

    virtual ~PcmSource() = default;
    // Fills `frames` frames, or fewer only when the source has ended for good.
    virtual qint64 readFrames(qint16 *dst, qint64 frames) = 0;
};
