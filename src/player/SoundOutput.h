#pragma once

#include <QObject>

#include <functional>

class QIODevice;

// Where the player's samples are heard: 16-bit stereo at a given rate, pulled from a
// device, on the system's default sound device as it was at start(). The real one is the
// system's sound output; tests hand in one they drive.
class SoundOutput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts pulling from source; false when there is no sound device to play on.
    virtual bool start(QIODevice *source) = 0;
    virtual void suspend() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    // Microseconds of audio played so far: what has been heard, not what was pulled.
    virtual qint64 processedUSecs() const = 0;

Q_SIGNALS:
    // The device went away, or failed, while playing: nothing more will be heard from here.
    void deviceLost();
    // The system's default sound device is now another one than this output plays on.
    void defaultDeviceChanged();
};

// Makes an output for the given sample rate; the caller owns it.
using SoundOutputFactory = std::function<SoundOutput *(int sampleRate)>;
