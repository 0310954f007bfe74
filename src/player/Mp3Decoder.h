#pragma once

#include "player/PcmSource.h"
#include "player/PlayerStatus.h"

#include <QString>

struct mpg123_handle_struct;

// One MP3 file decoded by libmpg123 into 16-bit stereo at the file's own rate (mono
// comes out on both channels). open() checks the file well enough that a failure shows
// up there and not in the middle of playback; bad data later on simply ends the stream.
class Mp3Decoder final : public PcmSource {
public:
    Mp3Decoder();
    ~Mp3Decoder() override;
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    PlayerStatus open(const QString &path);
    int sampleRate() const { return m_rate; }
    // Exact, from a scan of every frame, with encoder delay and padding removed.
    qint64 lengthFrames() const { return m_lengthFrames; }

    qint64 readFrames(qint16 *dst, qint64 frames) override;

private:
    void close();

    mpg123_handle_struct *m_handle = nullptr;
    int m_rate = 0;
    qint64 m_lengthFrames = 0;
    bool m_ended = false;
};
