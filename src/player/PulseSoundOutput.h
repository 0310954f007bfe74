#pragma once

#include "player/SoundOutput.h"

#include <QByteArray>
#include <QTimer>

#include <atomic>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// Linux: a stream on the sound server's default sink (PulseAudio, or PipeWire's pulse
// server), named nowhere, so that the server moves it when the default changes or its
// device goes. Each start connects afresh, so a server restarted meanwhile is found.
//
// libpulse runs its own thread and calls back there, with its lock held. Those callbacks
// only post to this object's thread; the samples are pulled from the source here, on the
// window's thread, and written under the lock. What is heard comes from the server's
// timing of the stream.
class PulseSoundOutput final : public SoundOutput {
    Q_OBJECT
public:
    explicit PulseSoundOutput(int sampleRate, QObject *parent = nullptr);
    ~PulseSoundOutput() override;

    bool start(QIODevice *source) override;
    void stop() override;
    qint64 processedUSecs() const override;

private:
    // On libpulse's thread.
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onWritable(pa_stream *stream, size_t bytes, void *self);
    void openStream();

    // Runs handler on this object's thread; safe from any thread.
    void post(void (PulseSoundOutput::*handler)());

    // On this object's thread.
    void feed();
    void onReady();
    void lose();

    int m_sampleRate;
    QIODevice *m_source = nullptr;
    pa_threaded_mainloop *m_loop = nullptr; // while started
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    QTimer m_readyDeadline;
    QByteArray m_buffer;
    std::atomic_bool m_feedPosted = false;
    bool m_lost = false;
    mutable qint64 m_heardUSecs = 0; // kept for when the server can no longer tell
};
