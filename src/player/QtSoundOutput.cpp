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
    // Connected before start(): the sink reports Active from inside start().
    connect(m_sink, &QAudioSink::stateChanged, this, &QtSoundOutput::onStateChanged);
    m_sink->start(source);
    if (m_sink->state() == QAudio::StoppedState) {
        stop();
        return false;
    }
    m_playing = true;
    m_devices = new QMediaDevices(this);
    connect(m_devices, &QMediaDevices::audioOutputsChanged, this, &QtSoundOutput::checkDevice);
    m_watch.start();
    return true;
}

void QtSoundOutput::suspend() {
    if (m_sink)
        m_sink->suspend();
}

void QtSoundOutput::resume() {
    if (m_sink)
        m_sink->resume();
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

void QtSoundOutput::onStateChanged(QAudio::State state) {
    if (state == QAudio::IdleState)
        m_idleSince.start();
    else
        m_idleSince.invalidate();
    if (m_playing && state == QAudio::StoppedState && m_sink->error() != QAudio::NoError)
        lose();
}

// Suspended, the sink stands idle on purpose, and a device that goes meanwhile is found at
// the next check after resume().
void QtSoundOutput::checkDevice() {
    if (!m_playing || m_sink->state() == QAudio::SuspendedState)
        return;
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    const bool listed =
        std::any_of(outputs.cbegin(), outputs.cend(),
                    [this](const QAudioDevice &d) { return d.id() == m_device.id(); });
    if (!listed || (m_idleSince.isValid() && m_idleSince.elapsed() >= IdleIsLostMs))
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
