#include "player/Mp3Play.h"

#include "player/GainDevice.h"
#include "player/Mp3Decoder.h"
#include "player/PlayerRules.h"

#include <algorithm>
#include <limits>

Mp3Play::Mp3Play(SoundOutputFactory makeOutput, Options options, QObject *parent)
    : Mp3Player(parent)
    , m_makeOutput(std::move(makeOutput))
    , m_options(options) {
    m_positionTimer.setInterval(m_options.positionIntervalMs);
    connect(&m_positionTimer, &QTimer::timeout, this, &Mp3Play::tick);
    m_endTimer.setSingleShot(true);
    m_endTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_endTimer, &QTimer::timeout, this, &Mp3Play::checkEnd);
    connect(&m_scanner, &LengthScanner::scanned, this, &Mp3Play::onScanned);
}

Mp3Play::Mp3Play(SoundOutputFactory makeOutput, QObject *parent)
    : Mp3Play(std::move(makeOutput), Options{}, parent) {
}

Mp3Play::~Mp3Play() {
    // Not inside any handler here, and no event loop may follow: release at once, telling
    // no one, since those who listen may be going too.
    blockSignals(true);
    m_positionTimer.stop();
    m_endTimer.stop();
    if (m_output) {
        m_output->stop();
        delete m_output.data();
    }
}

int Mp3Play::Open(const QString &path, const QString &) {
    OpenResult opened = openForReading(path);
    // The file that is paused stays where it is, so the next Play resumes it.
    if (m_state == State::Paused && opened.status == PlayerStatus::Ok && opened.identity == m_file)
        return int(PlayerStatus::Ok);
    releaseOutput();
    m_source.reset();
    auto decoder = std::make_unique<Mp3Decoder>();
    PlayerStatus status = opened.status;
    if (status == PlayerStatus::Ok)
        status = decoder->open(opened.file);
    // A file scanned before is known whole or broken; any other starts its scan here.
    const Mp3Decoder::Scan *scan =
        status == PlayerStatus::Ok
            ? m_scanner.lookUp(opened.identity, opened.file, decoder->openFlags())
            : nullptr;
    if (scan)
        status = scan->status;
    if (status != PlayerStatus::Ok) {
        m_rate = 0;
        m_lengthFrames = 0;
        m_lengthExact = false;
        setState(State::Empty);
        return int(status);
    }
    m_file = opened.identity;
    m_rate = decoder->sampleRate();
    m_lengthFrames = scan ? scan->lengthFrames : decoder->lengthFrames();
    m_lengthExact = scan != nullptr;
    m_source = std::move(decoder);
    m_startFrame = 0;
    m_heardUSecs = 0;
    setState(State::Opened);
    return int(PlayerStatus::Ok);
}

// A scan that ends while its file is open gives the exact length, or stops a file that
// turns out broken or unreadable.
void Mp3Play::onScanned(const FileIdentity &file, const Mp3Decoder::Scan &result) {
    if (file != m_file || m_state == State::Empty)
        return;
    if (result.status == PlayerStatus::Ok) {
        m_lengthFrames = result.lengthFrames;
        m_lengthExact = true;
    } else {
        releaseOutput();
        m_source.reset();
        setState(State::Empty);
    }
    Q_EMIT FileChecked(file.path, int(result.status));
}

// From the start, or from the sample heard last before a pause, on the default device as it
// is now.
int Mp3Play::Play() {
    if (m_state != State::Opened && m_state != State::Paused)
        return int(PlayerStatus::Ok);
    if (!startOutput()) {
        m_source.reset();
        setState(State::Empty);
        return int(PlayerStatus::NoSoundDevice);
    }
    setState(State::Playing);
    return int(PlayerStatus::Ok);
}

// A paused track holds no output: whatever happens to the sound devices meanwhile, Play
// starts afresh.
void Mp3Play::Pause() {
    if (m_state != State::Playing)
        return;
    takeBackSource();
    setState(State::Paused);
}

void Mp3Play::Stop() {
    releaseOutput();
    m_source.reset();
    setState(State::Empty);
}

qint32 Mp3Play::Length() const {
    return lengthMs(m_lengthFrames, m_rate);
}

qint32 Mp3Play::PositionRange() const {
    return std::max(Length(), 1);
}

int Mp3Play::SetVolume(qint32 left, qint32 right) {
    m_left = std::clamp(left, 0, GainDevice::MaxVolume);
    m_right = std::clamp(right, 0, GainDevice::MaxVolume);
    if (m_device)
        m_device->setVolume(m_left, m_right);
    return 0;
}

PlayState Mp3Play::state() const {
    switch (m_state) {
    case State::Playing:
        return PlayState::Playing;
    case State::Paused:
        return PlayState::Paused;
    default:
        return PlayState::Stopped;
    }
}

void Mp3Play::setState(State state) {
    const PlayState before = this->state();
    m_state = state;
    if (this->state() != before)
        Q_EMIT StateChanged(this->state());
}

void Mp3Play::tick() {
    if (m_state != State::Playing)
        return;
    Q_EMIT PositionChanged(heardMs());
    checkEnd();
}

void Mp3Play::checkEnd() {
    if (m_state != State::Playing || !m_device || !m_device->sourceEnded())
        return;
    const qint64 endUSecs = m_device->framesFromSource() * 1000000 / m_rate;
    const qint64 remaining = endUSecs - heardUSecs();
    if (remaining <= 0)
        finishTrack();
    else if (remaining < qint64(m_options.positionIntervalMs) * 1000)
        m_endTimer.start(int(remaining / 1000) + 1);
}

void Mp3Play::finishTrack() {
    if (m_state != State::Playing)
        return;
    Q_EMIT PositionChanged(heardMs());
    releaseOutput();
    setState(State::Empty);
    // Last: the handler may open and play the next track from inside this call.
    Q_EMIT TrackEnded();
}

// Hands the source to a new output on the system's default device; false when there is none.
bool Mp3Play::startOutput() {
    m_output = m_makeOutput(m_rate);
    m_device = new GainDevice(std::move(m_source), m_startFrame, m_output);
    m_device->setVolume(m_left, m_right);
    m_device->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    connect(m_output, &SoundOutput::deviceLost, this, &Mp3Play::onDeviceLost);
    connect(m_output, &SoundOutput::defaultDeviceChanged, this, &Mp3Play::moveToDefaultDevice);
    m_outputHeard = false;
    if (!m_output->start(m_device)) {
        m_source = m_device->takeSource();
        releaseOutput();
        return false;
    }
    m_positionTimer.start();
    return true;
}

// What the output took but never played is decoded again: the source goes back to the last
// sample heard.
void Mp3Play::takeBackSource() {
    const qint64 heardFrames = heardUSecs() * m_rate / 1000000;
    const qint64 pulled = m_device->framesFromSource();
    m_source = m_device->takeSource();
    releaseOutput();
    m_startFrame = m_source->seekFrame(heardFrames) ? heardFrames : pulled;
}

// An output that was heard and then lost its device is followed by one on the default
// device; one lost before it was ever heard means there is nothing to play on.
void Mp3Play::onDeviceLost() {
    heardUSecs();
    if (m_outputHeard)
        return moveToDefaultDevice();
    takeBackSource();
    fail();
}

void Mp3Play::moveToDefaultDevice() {
    takeBackSource();
    if (!startOutput())
        fail();
}

// Stopped, with what was heard kept; never the end of the track, so nothing starts it again.
void Mp3Play::fail() {
    m_source.reset();
    setState(State::Empty);
    Q_EMIT Failed(m_file.path, int(PlayerStatus::NoSoundDevice));
}

void Mp3Play::releaseOutput() {
    m_positionTimer.stop();
    m_endTimer.stop();
    if (m_output) {
        disconnect(m_output, nullptr, this, nullptr);
        m_output->stop();
        m_output->deleteLater(); // the device goes with it
    }
    m_output = nullptr;
    m_device = nullptr;
}

// Never back: an output that has failed may read 0.
qint64 Mp3Play::heardUSecs() {
    if (m_state == State::Playing && m_output) {
        const qint64 played = m_output->processedUSecs();
        m_outputHeard = m_outputHeard || played > 0;
        m_heardUSecs = std::max(m_heardUSecs, m_startFrame * 1000000 / m_rate + played);
    }
    return m_heardUSecs;
}

// While the length is an estimate, which may be far short, the position runs on past it.
qint32 Mp3Play::heardMs() {
    const qint64 cap = m_lengthExact ? Length() : std::numeric_limits<qint32>::max();
    return qint32(std::clamp<qint64>(heardUSecs() / 1000, 0, cap));
}
