#pragma once

#include "player/SoundOutput.h"

#include <QAudio>
#include <QAudioDevice>
#include <QElapsedTimer>
#include <QTimer>

class QAudioSink;
class QMediaDevices;

// The system's default sound output through Qt Multimedia, in pull mode.
//
// Qt does not say when a device goes: PulseAudio kills the stream of a sink that is removed
// and Qt only prints a warning; Windows' sink goes idle and stops pulling. So while playing,
// the output looks four times a second whether its device is still listed, whether the sink
// has stood idle (the source never runs dry, so idle means nothing is pulled any more) and
// whether the default device is still this one; Windows also reports changes at once.
class QtSoundOutput final : public SoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(int sampleRate, QObject *parent = nullptr);
    ~QtSoundOutput() override;

    bool start(QIODevice *source) override;
    void suspend() override;
    void resume() override;
    void stop() override;
    qint64 processedUSecs() const override;

private:
    void onStateChanged(QAudio::State state);
    void checkDevice();
    void lose();

    int m_sampleRate;
    QAudioDevice m_device;
    QAudioSink *m_sink = nullptr;
    QMediaDevices *m_devices = nullptr;
    QTimer m_watch;
    QElapsedTimer m_idleSince; // valid while the sink stands idle
    bool m_playing = false;    // started, not stopped, and no loss told yet
};
