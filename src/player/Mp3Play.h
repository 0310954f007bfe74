#pragma once

#include "player/LengthScanner.h"
#include "player/Mp3Player.h"
#include "player/SoundOutput.h"

#include <QPointer>
#include <QTimer>

#include <memory>

class GainDevice;
class Mp3Decoder;
class PcmSource;

// The real player component: libmpg123 decodes, GainDevice applies the channel
// volumes, a SoundOutput plays. Positions are the milliseconds heard (the output's played
// time), so PositionRange is the track's length in milliseconds: 32 bits hold every length
// there is, where frames overflow after about 13 hours.
//
// A track ends when everything decoded has been heard, not when decoding stops: the
// output is fed silence meanwhile, so its last buffer is not cut off.
//
// Open opens the file once and reads only its start; the exact length comes from a scan of
// that same opened file on a thread of its own (LengthScanner), once per unchanged file,
// and FileChecked says when it is known.
//
// When the sound device goes away, or the system's default device changes, playing goes on
// at the default device from the sample last heard; with no device left it stops and says so
// with Failed. A pause lets its output go, and Play takes a new one.
class Mp3Play final : public Mp3Player {
    Q_OBJECT
public:
    struct Options {
        int positionIntervalMs = 250;
    };

    Mp3Play(SoundOutputFactory makeOutput, Options options, QObject *parent = nullptr);
    explicit Mp3Play(SoundOutputFactory makeOutput, QObject *parent = nullptr);
    ~Mp3Play() override;

    int Open(const QString &path, const QString &unused) override;
    int Play() override;
    void Pause() override;
    void Stop() override;
    qint32 Length() const override;
    qint32 PositionRange() const override;
    qint32 LeftVolume() const override { return m_left; }
    qint32 RightVolume() const override { return m_right; }
    int SetVolume(qint32 left, qint32 right) override;
    PlayState state() const override;

private:
    enum class State { Empty, Opened, Playing, Paused };

    void setState(State state);
    void onScanned(const FileIdentity &file, const Mp3Decoder::Scan &result);
    void tick();
    void checkEnd();
    void finishTrack();
    bool startOutput();
    void takeBackSource();
    void onDeviceLost();
    void moveToDefaultDevice();
    void fail();
    void releaseOutput();
    qint64 heardUSecs();
    qint32 heardMs();

    SoundOutputFactory m_makeOutput;
    Options m_options;
    State m_state = State::Empty;
    FileIdentity m_file;
    std::unique_ptr<PcmSource> m_source; // the decoder, while no output has it
    qint64 m_startFrame = 0;             // where m_source stands in the track
    QPointer<SoundOutput> m_output;
    QPointer<GainDevice> m_device;
    int m_rate = 0;
    qint64 m_lengthFrames = 0;
    bool m_lengthExact = false; // the scan has answered; until then an estimate
    // Heard of this track so far. Kept, not read back, where an output can no longer tell:
    // paused, or after its device went.
    qint64 m_heardUSecs = 0;
    bool m_outputHeard = false; // the output now playing has told of sound heard
    // A quiet start, what the volume sliders stand at by design (10 x 100).
    qint32 m_left = 1000;
    qint32 m_right = 1000;
    QTimer m_positionTimer;
    QTimer m_endTimer;
    LengthScanner m_scanner;
};
