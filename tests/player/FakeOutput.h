#pragma once

#include "player/SoundOutput.h"

#include <QIODevice>
#include <QTest>

// A sound output the test plays by hand: play() pulls that much audio, an odd number of
// bytes, and counts it heard, with each channel's loudness.
struct FakeOutput final : SoundOutput {
    inline static bool available = true; // false: there is no sound device
    bool start(QIODevice *s) override { return source = available ? s : nullptr, available; }
    void suspend() override { suspended = true; }
    void resume() override { suspended = false; }
    void stop() override { source = nullptr; }
    qint64 processedUSecs() const override { return heard * 1000000 / rate; }
    void play(int ms) {
        if (!source || suspended)
            return;
        const QByteArray pcm = source->read(qint64(rate) * ms / 1000 * 4 + 3);
        QCOMPARE(pcm.size() % 4, 0); // whole frames only: half a frame swaps the channels
        const auto *s = reinterpret_cast<const qint16 *>(pcm.constData());
        for (qsizetype i = 0; i < pcm.size() / 2; ++i)
            loudness[i % 2] += double(s[i]) * s[i];
        heard += pcm.size() / 4;
    }
    QIODevice *source = nullptr;
    qint64 heard = 0, rate = 0;
    bool suspended = false;
    double loudness[2] = {0, 0};
};
