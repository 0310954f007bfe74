#include "player/Mp3Decoder.h"

#include <QFile>
#include <QFileInfo>

#include <mpg123.h>

namespace {

// mpg123_init() is a no-op since 1.27 but still required by older builds.
bool initLibrary() {
    static const bool ok = mpg123_init() == MPG123_OK;
    return ok;
}

} // namespace

Mp3Decoder::Mp3Decoder() = default;

Mp3Decoder::~Mp3Decoder() {
    close();
}

void Mp3Decoder::close() {
    if (m_handle) {
        mpg123_close(m_handle);
        mpg123_delete(m_handle);
        m_handle = nullptr;
    }
    m_rate = 0;
    m_lengthFrames = 0;
    m_ended = true;
}

PlayerStatus Mp3Decoder::open(const QString &path) {
    close();
    if (path.isEmpty())
        return PlayerStatus::NoFileChosen;
    // libmpg123 opens folders, empty files and text alike, so tell those apart first.
    const QFileInfo info(path);
    if (!info.exists())
        return PlayerStatus::FileMissing;
    if (info.isDir())
        return PlayerStatus::IsFolder;
    // Opening a named pipe waits for a writer, with the window frozen meanwhile; no
    // device or socket holds a track either.
    if (!info.isFile())
        return PlayerStatus::Unreadable;
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return PlayerStatus::Unreadable;
    if (info.size() == 0)
        return PlayerStatus::EmptyFile;
    if (!initLibrary())
        return PlayerStatus::Unreadable;

    m_handle = mpg123_new(nullptr, nullptr);
    if (!m_handle)
        return PlayerStatus::Unreadable;
    mpg123_param(m_handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // The file was readable a moment ago, so a failure here means data libmpg123 refuses.
    if (mpg123_open_fixed(m_handle, QFile::encodeName(path).constData(), MPG123_STEREO,
                          MPG123_ENC_SIGNED_16) != MPG123_OK) {
        close();
        return PlayerStatus::NotMp3;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        close();
        return PlayerStatus::NotMp3;
    }
    // A Xing header states the length before any scan; a file cut short (or gone bad
    // after its first frames) still claims it, so a scan that finds less means frames are
    // missing. Without the header the length is only an estimate and proves nothing.
    long accurate = 0;
    mpg123_getstate(m_handle, MPG123_ACCURATE, &accurate, nullptr);
    const off_t claimed = accurate ? mpg123_length(m_handle) : -1;
    if (mpg123_scan(m_handle) != MPG123_OK) {
        close();
        return PlayerStatus::Corrupt;
    }
    const off_t length = mpg123_length(m_handle);
    if (length <= 0) {
        close();
        return PlayerStatus::Corrupt;
    }
    const off_t oneFrame = mpg123_spf(m_handle) > 0 ? mpg123_spf(m_handle) : 1152;
    if (claimed > 0 && length + oneFrame < claimed) {
        close();
        return PlayerStatus::Truncated;
    }
    m_rate = int(rate);
    m_lengthFrames = length;
    m_ended = false;
    return PlayerStatus::Ok;
}

qint64 Mp3Decoder::readFrames(qint16 *dst, qint64 frames) {
    qint64 got = 0;
    while (!m_ended && got < frames) {
        size_t done = 0;
        const int err =
            mpg123_read(m_handle, reinterpret_cast<unsigned char *>(dst + got * Channels),
                        size_t(frames - got) * BytesPerFrame, &done);
        got += qint64(done) / BytesPerFrame;
        if (err == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            // A stream that changes its rate midway cannot go on through the same output.
            if (mpg123_getformat(m_handle, &rate, &channels, &encoding) != MPG123_OK ||
                rate != m_rate)
                m_ended = true;
        } else if (err != MPG123_OK) {
            m_ended = true; // the end of the data, or data that no longer decodes
        } else if (done == 0) {
            m_ended = true;
        }
    }
    return got;
}
