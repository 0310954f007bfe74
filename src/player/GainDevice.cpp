#include "player/GainDevice.h"

#include "player/PcmSource.h"

#include <algorithm>
#include <cstring>

namespace {

// Within 0..MaxVolume the product of a sample and a volume stays inside 32 bits and
// the result inside 16, so no clipping is needed.
inline qint16 scaled(qint16 sample, qint32 volume) {
    return qint16(qint32(sample) * volume / GainDevice::MaxVolume);
}

} // namespace

GainDevice::GainDevice(std::unique_ptr<PcmSource> source, qint64 firstFrame, QObject *parent)
    : QIODevice(parent)
    , m_source(std::move(source))
    , m_framesFromSource(firstFrame) {
}

GainDevice::~GainDevice() = default;

std::unique_ptr<PcmSource> GainDevice::takeSource() {
    m_sourceEnded = true;
    return std::move(m_source);
}

void GainDevice::setVolume(qint32 left, qint32 right) {
    m_left = std::clamp(left, 0, MaxVolume);
    m_right = std::clamp(right, 0, MaxVolume);
}

qint64 GainDevice::bytesAvailable() const {
    // Endless: decoded audio first, then silence.
    return QIODevice::bytesAvailable() + (qint64(1) << 20) * PcmSource::BytesPerFrame;
}

qint64 GainDevice::readData(char *data, qint64 maxSize) {
    const qint64 frames = maxSize / PcmSource::BytesPerFrame;
    if (frames <= 0)
        return 0;
    // The caller's buffer need not be aligned for 16-bit access: work in our own.
    m_buffer.assign(size_t(frames) * PcmSource::Channels, 0);
    qint64 got = 0;
    if (!m_sourceEnded) {
        got = m_source->readFrames(m_buffer.data(), frames);
        m_framesFromSource += got;
        if (got < frames)
            m_sourceEnded = true;
    }
    for (qint64 i = 0; i < got; ++i) {
        m_buffer[size_t(2 * i)] = scaled(m_buffer[size_t(2 * i)], m_left);
        m_buffer[size_t(2 * i + 1)] = scaled(m_buffer[size_t(2 * i + 1)], m_right);
    }
    const qint64 bytes = frames * PcmSource::BytesPerFrame;
    std::memcpy(data, m_buffer.data(), size_t(bytes));
    return bytes;
}

qint64 GainDevice::writeData(const char *, qint64) {
    return -1;
}
