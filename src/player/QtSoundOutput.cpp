#include "player/QtSoundOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

QtSoundOutput::QtSoundOutput(int sampleRate, QObject *parent)
    : SoundOutput(parent)
    , m_sampleRate(sampleRate) {
}

// The sink's destructor handles pending events, so it must not run inside a handler:
// the sink is stopped at once but deleted only with this object, which the player
// releases with deleteLater. Deleting the sink on its own deferred event crashed when
// that event came up while the application's event loop was ending.
QtSoundOutput::~QtSoundOutput() {
    if (m_sink) {
        m_stopping = true;
        m_sink->stop();
        delete m_sink;
    }
}

bool QtSoundOutput::start(QIODevice *source) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(m_sampleRate);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = new QAudioSink(device, format, this);
    // Connected before start(): the sink reports Active from inside start().
    connect(m_sink, &QAudioSink::stateChanged, this, &QtSoundOutput::onStateChanged);
    m_sink->start(source);
    if (m_sink->state() == QAudio::StoppedState) {
        stop();
        return false;
    }
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
    if (!m_sink)
        return;
    m_stopping = true;
    m_sink->stop();
}

qint64 QtSoundOutput::processedUSecs() const {
    return m_sink ? m_sink->processedUSecs() : 0;
}

void QtSoundOutput::onStateChanged(QAudio::State state) {
    if (!m_stopping && m_sink && state == QAudio::StoppedState &&
        m_sink->error() != QAudio::NoError)
        Q_EMIT failed();
}
