#pragma once

#include <QIODevice>

#include <memory>
#include <vector>

class PcmSource;

// The sound output pulls its samples from here; each channel is scaled by its own
// volume as the samples pass, so a slider move is heard as soon as the output's buffer
// has played out. Only whole frames are handed out: half a frame would swap left and
// right for the rest of the track. Once the source has ended the device hands out
// silence and never reports its end, so the output keeps running until everything
// decoded has been heard; the player decides when the track is over.
class GainDevice final : public QIODevice {
    Q_OBJECT
public:
    // firstFrame: where in the track the source stands, so framesFromSource counts from the
    // track's start also when playing goes on at another sound device.
    GainDevice(std::unique_ptr<PcmSource> source, qint64 firstFrame, QObject *parent = nullptr);
    ~GainDevice() override;

    // 0 (silent) to MaxVolume (unchanged) per channel; values outside are clamped. The
    // gain is linear in the volume: the sliders' numbers then compare the way the two
    // channels' amplitudes do, and the gain stays a single multiply per sample.
    void setVolume(qint32 left, qint32 right);
    static constexpr qint32 MaxVolume = 32000;

    bool sourceEnded() const { return m_sourceEnded; }
    qint64 framesFromSource() const { return m_framesFromSource; }
    // Gives the source back to go on elsewhere; from then on this device hands out silence.
    std::unique_ptr<PcmSource> takeSource();

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    std::unique_ptr<PcmSource> m_source;
    qint32 m_left = MaxVolume;
    qint32 m_right = MaxVolume;
    bool m_sourceEnded = false;
    qint64 m_framesFromSource = 0;
    std::vector<qint16> m_buffer;
};
