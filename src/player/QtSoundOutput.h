#pragma once

#include "player/SoundOutput.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QTimer>

class QAudioSink;

// Windows: the system's default sound output through Qt Multimedia, in pull mode.
//
// Qt does not say when a device goes: Windows' sink goes idle and stops pulling. So while
// playing, the output looks four times a second whether its device is still listed, whether
// the sink has stood idle (the source never runs dry, so idle means nothing is pulled any
// more) and whether the default device is still this one.
class QtSoundOutput final : public SoundOutput {
    Q_OBJECT
public:
    explicit QtSoundOutput(int sampleRate, QObject *parent = nullptr);
    ~QtSoundOutput() override;

    bool start(QIODevice *source) override;
    void stop() override;
    qint64 processedUSecs() const override;

private:
    void checkDevice();
    void lose();

    int m_sampleRate;
    QAudioDevice m_device;
    QAudioSink *m_sink = nullptr;
    QTimer m_watch;
    QElapsedTimer m_idleSince; // valid while the checks have found the sink idle
    bool m_playing = false;    // started, not stopped, and no loss told yet
};
