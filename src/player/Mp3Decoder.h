#pragma once

#include "player/OpenedFile.h"
#include "player/PcmSource.h"
#include "player/PlayerStatus.h"

#include <atomic>
#include <memory>

struct mpg123_handle_struct;

// One MP3 file decoded by libmpg123 into 16-bit stereo at the file's own rate (mono
// comes out on both channels). open() reads only the start of the file, so it is quick
// whatever the file's size: it refuses what is not an MP3 stream and estimates the
// length. The exact length, and whether frames are missing, take a pass over the whole
// file: scan(), which a worker thread runs on the same opened file.
class Mp3Decoder final : public PcmSource {
public:
    Mp3Decoder();
    ~Mp3Decoder() override;
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    // NotMp3 when libmpg123 finds no MPEG audio in the file.
    PlayerStatus open(std::shared_ptr<OpenedFile> file);
    int sampleRate() const { return m_rate; }
    // The length an encoder's tag states, else an estimate from the file's size.
    qint64 lengthFrames() const { return m_lengthFrames; }
    // The libmpg123 flags open() needed, which scan() must use too.
    long openFlags() const { return m_flags; }

    qint64 readFrames(qint16 *dst, qint64 frames) override;
    bool seekFrame(qint64 frame) override;

    struct Scan {
        PlayerStatus status = PlayerStatus::Corrupt;
        qint64 lengthFrames = 0; // exact, with encoder delay and padding removed
        // The verdict rests on the file's contents, so it holds as long as the file is
        // unchanged; a scan cut short by a failed read or a cancel does not.
        bool settled = false;
    };
    // Reads every frame of a file that open() accepted. Thread-safe; gives up as soon as
    // cancel is set.
    static Scan scan(std::shared_ptr<OpenedFile> file, long flags, const std::atomic_bool &cancel);

private:
    struct Reader; // libmpg123's view of an OpenedFile
    void close();

    std::unique_ptr<Reader> m_reader;
    mpg123_handle_struct *m_handle = nullptr;
    int m_rate = 0;
    qint64 m_lengthFrames = 0;
    long m_flags = 0;
    bool m_ended = false;
};
