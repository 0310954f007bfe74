#pragma once

#include "drill/RandomSource.h"
#include "player/Mp3Player.h"
#include "player/OpenDialog.h"
#include "timing/Clock.h"

#include <QString>

#include <deque>

// Draws exactly the values queued, then 0.
class QueuedRandom final : public RandomSource {
public:
    void seed(quint64) override {}
    float draw() override {
        if (draws.empty())
            return 0.0f;
        float r = draws.front();
        draws.pop_front();
        return r;
    }
    // Queues the three draws that make the question a (op) b.
    void queueQuestion(int a, int b, int operation) {
        draws.push_back(a / 10.0f + 0.01f);
        draws.push_back(b / 10.0f + 0.01f);
        draws.push_back(operation / 10.0f + 0.01f);
    }
    std::deque<float> draws;
};

// The real generator on the test's own seed: the window's seed from the wall clock is
// ignored, so a seed gives the same questions in every run.
class FixedSeedRandom final : public RandomSource {
public:
    explicit FixedSeedRandom(quint64 seed) { source.seed(seed); }
    void seed(quint64) override {}
    float draw() override { return source.draw(); }
    SeededRandomSource source;
};

class SetClock final : public Clock {
public:
    QDateTime now() const override { return time; }
    QDateTime time{QDate(2026, 1, 5), QTime(9, 0, 0)};
};

// A player that plays nothing and logs every call it gets, reads included, so a test
// can check their order. Its readings stay as set; its Stop ends the track at once, as
// a real component may.
class RecordingPlayer final : public Mp3Player {
public:
    int Open(const QString &path, const QString &) override {
        return log("Open " + path), openStatus;
    }
    int Play() override { return log("Play"), playStatus; }
    void Pause() override { log("Pause"); }
    void Stop() override { log("Stop"), Q_EMIT TrackEnded(); }
    qint32 Length() const override { return log("Length"), length; }
    qint32 PositionRange() const override { return log("PositionRange"), range; }
    qint32 LeftVolume() const override { return log("LeftVolume"), left; }
    qint32 RightVolume() const override { return log("RightVolume"), right; }
    int SetVolume(qint32 l, qint32 r) override {
        return log(QStringLiteral("SetVolume %1 %2").arg(l).arg(r)), 0;
    }
    void log(const QString &call) const {
        calls += (calls.isEmpty() ? QString() : QStringLiteral(", ")) + call;
    }

    mutable QString calls;
    int openStatus = 0;
    int playStatus = 0;
    qint32 length = 185000;
    qint32 range = 1000;
    qint32 left = 1000;
    qint32 right = 1000;
};

class ScriptedDialog final : public OpenDialog {
public:
    void setFilter(const QString &f) override { filter = f; }
    void ShowOpen() override { ++shown; }
    QString FileName() const override { return fileName; }

    QString filter;
    QString fileName;
    int shown = 0;
};
