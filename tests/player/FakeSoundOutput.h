#pragma once

#include "player/SoundOutput.h"

#include <QByteArray>
#include <QIODevice>

// A sound output the test plays by hand: play() pulls that much audio from the source
// and counts it as heard at once.
class FakeSoundOutput final : public SoundOutput {
    Q_OBJECT
public:
    FakeSoundOutput(int rate, bool deviceAvailable)
        : m_rate(rate)
        , m_available(deviceAvailable) {}

    bool start(QIODevice *source) override {
        m_source = m_available ? source : nullptr;
        return m_available;
    }
    void suspend() override { m_suspended = true; }
    void resume() override { m_suspended = false; }
    void stop() override {
        m_source = nullptr;
        m_stopped = true;
    }
    qint64 processedUSecs() const override { return m_heardFrames * 1000000 / m_rate; }

    QByteArray play(int ms) {
        if (!m_source || m_suspended)
            return {};
        const QByteArray bytes = m_source->read(qint64(m_rate) * ms / 1000 * 4);
        m_heardFrames += bytes.size() / 4;
        return bytes;
    }
    void loseDevice() { Q_EMIT failed(); }

    int rate() const { return m_rate; }
    qint64 heardFrames() const { return m_heardFrames; }
    bool stopped() const { return m_stopped; }
    bool suspended() const { return m_suspended; }

private:
    int m_rate;
    bool m_available;
    QIODevice *m_source = nullptr;
    qint64 m_heardFrames = 0;
    bool m_suspended = false;
    bool m_stopped = false;
};
