#pragma once

#include "player/SoundOutput.h"

#include <QAudio>

class QAudioSink;

// The system's default sound output through Qt Multimedia, in pull mode.
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

    int m_sampleRate;
    QAudioSink *m_sink = nullptr;
    bool m_stopping = false;
};
