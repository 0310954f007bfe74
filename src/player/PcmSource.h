#pragma once

#include <QtGlobal>

// Interleaved 16-bit stereo frames, pulled in order until the source runs dry; a source can go
// back (or ahead) to a frame, as when playing moves to another sound device.
class PcmSource {
public:
    static constexpr int Channels = 2;
    static constexpr int BytesPerFrame = Channels * int(sizeof(qint16));

    virtual ~PcmSource() = default;
    // Fills `frames` frames, or fewer only when the source has ended for good.
    virtual qint64 readFrames(qint16 *dst, qint64 frames) = 0;
    // The next read starts at this frame from the start; false when the source cannot get there.
    virtual bool seekFrame(qint64 frame) = 0;
};
