#include "player/Mp3Decoder.h"

#include <mpg123.h>

namespace {

// mpg123_init() is a no-op since 1.27 but still required by older builds.
bool initLibrary() {
    static const bool ok = mpg123_init() == MPG123_OK;
    return ok;
}

// Playback and scan parse the file alike. Tags are skipped by seeking past them, so a
// large cover picture costs nothing; every rate comes out as 16-bit stereo.
mpg123_handle *newHandle(long flags) {
    mpg123_handle *handle = initLibrary() ? mpg123_new(nullptr, nullptr) : nullptr;
    if (!handle)
        return nullptr;
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2 | flags, 0);
    // A seek decodes this many frames before the one sought: a low bit rate's frames borrow
    // from up to six before them, and with libmpg123's default of four the first second or
    // so after a seek comes out silent.
    mpg123_param(handle, MPG123_PREFRAMES, 8, 0);
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return handle;
}

// The rate of the first frame; 0 when libmpg123 finds no MPEG audio.
long firstFrameRate(mpg123_handle *handle) {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    return mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK ? rate : 0;
}

// libmpg123 trusts a first frame only once it has found the next one, so a file that
// holds one frame alone is refused. Without that check any bytes that look like a frame
// header pass, so it is dropped only when the frame found fills the file to its end.
bool holdsOneWholeFrame(mpg123_handle *handle, qint64 fileSize) {
    mpg123_frameinfo2 info{};
    return mpg123_info2(handle, &info) == MPG123_OK &&
           qint64(mpg123_framepos(handle)) + info.framesize == fileSize;
}

// The length an encoder's tag states, or -1 when there is none. Only LAME's tag gives
// its encoder delay; without a tag libmpg123's length is a guess from the file's size.
qint64 claimedFrames(mpg123_handle *handle) {
    long delay = -1;
    mpg123_getstate(handle, MPG123_ENC_DELAY, &delay, nullptr);
    return delay >= 0 ? qint64(mpg123_length(handle)) : -1;
}

} // namespace

// Reads at an offset of its own in a file that others may read too. A scan's reader fails
// every read once cancel is set, so a scan of a large file stops within one read.
struct Mp3Decoder::Reader {
    std::shared_ptr<OpenedFile> file;
    const std::atomic_bool *cancel = nullptr;
    qint64 position = 0;
    bool failed = false; // a read failed: what was decoded says nothing about the contents

    static mpg123_ssize_t read(void *self, void *buffer, size_t size) {
        auto *in = static_cast<Reader *>(self);
        if (in->cancel && *in->cancel)
            return -1;
        const qint64 n = in->file->readAt(in->position, static_cast<char *>(buffer), qint64(size));
        if (n < 0) {
            in->failed = true;
            return -1;
        }
        in->position += n;
        return mpg123_ssize_t(n);
    }
    static off_t seek(void *self, off_t offset, int whence) {
        auto *in = static_cast<Reader *>(self);
        const qint64 base = whence == SEEK_CUR   ? in->position
                            : whence == SEEK_END ? in->file->size()
                                                 : 0;
        if (base + offset < 0)
            return off_t(-1);
        in->position = base + offset;
        return off_t(in->position);
    }
    // Hands this reader to a new handle; false when libmpg123 finds no MPEG audio.
    bool openIn(mpg123_handle *handle) {
        return mpg123_replace_reader_handle(handle, &Reader::read, &Reader::seek, nullptr) ==
                   MPG123_OK &&
               mpg123_open_handle(handle, this) == MPG123_OK && firstFrameRate(handle) > 0;
    }
};

Mp3Decoder::Mp3Decoder() = default;

Mp3Decoder::~Mp3Decoder() {
    close();
}

void Mp3Decoder::close() {
    mpg123_delete(m_handle); // accepts a null handle
    m_handle = nullptr;
    m_reader.reset();
    m_rate = 0;
    m_lengthFrames = 0;
    m_flags = 0;
    m_ended = true;
}

PlayerStatus Mp3Decoder::open(std::shared_ptr<OpenedFile> file) {
    close();
    const qint64 size = file->size();
    for (const long flags : {0L, long(MPG123_NO_READAHEAD)}) {
        m_reader = std::make_unique<Reader>(Reader{file});
        m_handle = newHandle(flags);
        if (!m_handle)
            return PlayerStatus::Unreadable;
        m_flags = flags;
        if (m_reader->openIn(m_handle) && (flags == 0 || holdsOneWholeFrame(m_handle, size)))
            break;
        const bool failed = m_reader->failed;
        close();
        if (failed)
            return PlayerStatus::Unreadable;
    }
    if (!m_handle)
        return PlayerStatus::NotMp3;
    m_rate = int(firstFrameRate(m_handle));
    m_lengthFrames = qMax<qint64>(mpg123_length(m_handle), 0);
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
            // A stream that changes its rate midway cannot go on through the same output.
            if (firstFrameRate(m_handle) != m_rate)
                m_ended = true;
        } else if (err != MPG123_OK) {
            m_ended = true; // the end of the data, or data that no longer decodes
        } else if (done == 0) {
            m_ended = true;
        }
    }
    return got;
}

// libmpg123 counts in samples per channel, which are our frames, and seeks to the exact one
// (without its fuzzy mode), also back after the end of the data.
bool Mp3Decoder::seekFrame(qint64 frame) {
    if (!m_handle || mpg123_seek(m_handle, off_t(frame), SEEK_SET) < 0)
        return false;
    m_ended = false;
    return true;
}

Mp3Decoder::Scan Mp3Decoder::scan(std::shared_ptr<OpenedFile> file, long flags,
                                  const std::atomic_bool &cancel) {
    Reader in{std::move(file), &cancel};
    mpg123_handle *handle = newHandle(flags);
    if (!handle)
        return {};
    Scan result;
    if (in.openIn(handle)) {
        // A file cut short (or gone bad after its first frames) still claims its tag's
        // length, so a scan that finds less means frames are missing.
        const qint64 claimed = claimedFrames(handle);
        const qint64 oneFrame = mpg123_spf(handle) > 0 ? mpg123_spf(handle) : 1152;
        const bool scanned = mpg123_scan(handle) == MPG123_OK && !cancel;
        result.lengthFrames = scanned ? qMax<qint64>(mpg123_length(handle), 0) : 0;
        if (result.lengthFrames > 0)
            result.status = claimed > 0 && result.lengthFrames + oneFrame < claimed
                                ? PlayerStatus::Truncated
                                : PlayerStatus::Ok;
    }
    mpg123_delete(handle);
    if (in.failed)
        result = Scan{PlayerStatus::Unreadable, 0, false};
    result.settled = !in.failed && !cancel;
    return result;
}
