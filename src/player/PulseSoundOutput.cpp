#include "player/PulseSoundOutput.h"

#include "player/PcmSource.h"

#include <QIODevice>

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

// Any server that answers at all has a stream ready long before; one that does not is
// treated as no sound device, never waited for.
constexpr int ReadyWithinMs = 2000;
// What the server holds ahead of what is heard: a volume change is heard this much later,
// and the window may stall about this long before the sound breaks up.
constexpr pa_usec_t BufferUSecs = 150'000;

// libpulse's objects are touched only with the lock of the thread that runs them.
class Locked {
public:
    explicit Locked(pa_threaded_mainloop *loop)
        : m_loop(loop) {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~Locked() { pa_threaded_mainloop_unlock(m_loop); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

bool isReady(pa_stream *stream) {
    return stream && pa_stream_get_state(stream) == PA_STREAM_READY;
}

} // namespace

SoundOutput *makeSystemSoundOutput(int sampleRate) {
    return new PulseSoundOutput(sampleRate);
}

PulseSoundOutput::PulseSoundOutput(int sampleRate, QObject *parent)
    : SoundOutput(parent)
    , m_sampleRate(sampleRate) {
    m_readyDeadline.setSingleShot(true);
    m_readyDeadline.setInterval(ReadyWithinMs);
    connect(&m_readyDeadline, &QTimer::timeout, this, &PulseSoundOutput::lose);
}

PulseSoundOutput::~PulseSoundOutput() {
    stop();
}

bool PulseSoundOutput::start(QIODevice *source) {
    m_source = source;
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop)
        return false;
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "org.quenzo.quenzo");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "org.quenzo.quenzo");
    m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(m_loop), "Quenzo", props);
    pa_proplist_free(props);
    if (!m_context) {
        stop();
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseSoundOutput::onContextState, this);
    m_readyDeadline.start();
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(m_loop) < 0) {
        stop();
        return false;
    }
    return true;
}

void PulseSoundOutput::stop() {
    m_readyDeadline.stop();
    if (!m_loop)
        return;
    {
        Locked lock(m_loop);
        if (m_stream) {
            pa_stream_set_state_callback(m_stream, nullptr, nullptr);
            pa_stream_set_write_callback(m_stream, nullptr, nullptr);
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
            m_stream = nullptr;
        }
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    // No callback can come after this: the thread has ended.
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
    m_source = nullptr;
}

qint64 PulseSoundOutput::processedUSecs() const {
    if (!m_loop)
        return m_heardUSecs;
    Locked lock(m_loop);
    pa_usec_t usecs = 0;
    if (isReady(m_stream) && pa_stream_get_time(m_stream, &usecs) == 0)
        m_heardUSecs = std::max(m_heardUSecs, qint64(usecs));
    return m_heardUSecs;
}

void PulseSoundOutput::onContextState(pa_context *context, void *self) {
    auto *out = static_cast<PulseSoundOutput *>(self);
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        out->openStream();
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        out->post(&PulseSoundOutput::lose);
        break;
    default:
        break;
    }
}

// On the default sink, with no device named: the server chooses, and moves the stream later.
void PulseSoundOutput::openStream() {
    const pa_sample_spec format{PA_SAMPLE_S16NE, uint32_t(m_sampleRate), PcmSource::Channels};
    m_stream = pa_stream_new(m_context, "音乐", &format, nullptr);
    pa_buffer_attr attr{};
    attr.maxlength = attr.prebuf = attr.minreq = attr.fragsize = uint32_t(-1);
    attr.tlength = uint32_t(pa_usec_to_bytes(BufferUSecs, &format));
    const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING |
                                         PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (m_stream) {
        pa_stream_set_state_callback(m_stream, &PulseSoundOutput::onStreamState, this);
        pa_stream_set_write_callback(m_stream, &PulseSoundOutput::onWritable, this);
    }
    if (!m_stream ||
        pa_stream_connect_playback(m_stream, nullptr, &attr, flags, nullptr, nullptr) < 0)
        post(&PulseSoundOutput::lose);
}

void PulseSoundOutput::onStreamState(pa_stream *stream, void *self) {
    auto *out = static_cast<PulseSoundOutput *>(self);
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        out->post(&PulseSoundOutput::onReady);
        break;
    case PA_STREAM_FAILED:
    case PA_STREAM_TERMINATED:
        out->post(&PulseSoundOutput::lose);
        break;
    default:
        break;
    }
}

// One feed is posted at a time; it writes all the server asks for by then.
void PulseSoundOutput::onWritable(pa_stream *, size_t, void *self) {
    auto *out = static_cast<PulseSoundOutput *>(self);
    if (!out->m_feedPosted.exchange(true))
        out->post(&PulseSoundOutput::feed);
}

// The samples are pulled without the lock, so decoding never holds up libpulse's thread.
void PulseSoundOutput::feed() {
    m_feedPosted = false;
    if (!m_loop)
        return;
    size_t bytes = 0;
    {
        Locked lock(m_loop);
        if (isReady(m_stream))
            bytes = pa_stream_writable_size(m_stream);
    }
    if (bytes == size_t(-1))
        return;
    bytes -= bytes % PcmSource::BytesPerFrame;
    if (bytes == 0)
        return;
    m_buffer.resize(qsizetype(bytes));
    const qint64 got = m_source->read(m_buffer.data(), qint64(bytes));
    if (got <= 0)
        return;
    Locked lock(m_loop);
    if (isReady(m_stream))
        pa_stream_write(m_stream, m_buffer.constData(), size_t(got), nullptr, 0, PA_SEEK_RELATIVE);
}

void PulseSoundOutput::post(void (PulseSoundOutput::*handler)()) {
    QMetaObject::invokeMethod(this, handler, Qt::QueuedConnection);
}

void PulseSoundOutput::onReady() {
    m_readyDeadline.stop();
}

void PulseSoundOutput::lose() {
    if (!m_loop || m_lost)
        return;
    m_lost = true;
    m_readyDeadline.stop();
    Q_EMIT deviceLost();
}
