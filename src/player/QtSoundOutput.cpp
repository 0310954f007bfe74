#include "player/QtSoundOutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <algorithm>

namespace {
constexpr int WatchIntervalMs = 250;
// Longer than any underrun a busy machine causes, after which the sink pulls again.
constexpr int IdleIsLostMs = 1000;
} // namespace

SoundOutput *makeSystemSoundOutput(int sampleRate) {
    return new QtSoundOutput(sampleRate);
}

QtSoundOutput::QtSoundOutput(int sampleRate, QObject *parent)
    : SoundOutput(parent)
    , m_sampleRate(sampleRate) {
    m_watch.setInterval(WatchIntervalMs);
    connect(&m_watch, &QTimer::timeout, this, &QtSoundOutput::checkDevice);
}

// The sink's destructor handles pending events, so it must not run inside a handler:
// the sink is stopped at once but deleted only with this object, which the player
// releases with deleteLater. Deleting the sink on its own deferred event crashed when
// that event came up while the application's event loop was ending.
QtSoundOutput::~QtSoundOutput() {
    if (m_sink) {
        m_playing = false;
        m_sink->stop();
        delete m_sink;
    }
}

bool QtSoundOutput::start(QIODevice *source) {
    m_device = QMediaDevices::defaultAudioOutput();
    if (m_device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(m_sampleRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = new QAudioSink(m_device, format, this);
    m_sink->start(source);
    if (m_sink->state() == QAudio::StoppedState) {
        stop();
        return false;
    }
    m_playing = true;
    m_watch.start();
    return true;
}

void QtSoundOutput::stop() {
    m_playing = false;
    m_watch.stop();
    if (m_sink)
        m_sink->stop();
}

qint64 QtSoundOutput::processedUSecs() const {
    return m_sink ? m_sink->processedUSecs() : 0;
}

// The sink's state is read here rather than followed through its notices: an idle notice
// can come after the sink is active again. Qt's own list of devices is read, not watched:
// it calls its listeners from a thread of its own while the list may be changing.
void QtSoundOutput::checkDevice() {
    if (!m_playing)
        return;
    const QAudio::State state = m_sink->state();
    if (state != QAudio::IdleState)
        m_idleSince.invalidate();
    else if (!m_idleSince.isValid())
        m_idleSince.start();
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const bool listed =
        std::any_of(outputs.cbegin(), outputs.cend(),
                    [this](const QAudioDevice &d) { return d.id() == m_device.id(); });
    const bool failed = state == QAudio::StoppedState && m_sink->error() != QAudio::NoError;
    if (!listed || failed || (m_idleSince.isValid() && m_idleSince.elapsed() >= IdleIsLostMs))
        return lose();
    const QAudioDevice preferred = QMediaDevices::defaultAudioOutput();
    if (!preferred.isNull() && preferred.id() != m_device.id()) {
        m_playing = false; // told once; the player moves elsewhere
        m_watch.stop();
        Q_EMIT defaultDeviceChanged();
    }
}

void QtSoundOutput::lose() {
    m_playing = false;
    m_watch.stop();
    Q_EMIT deviceLost();
}
