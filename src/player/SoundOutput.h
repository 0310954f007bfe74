#pragma once

#include <QObject>

#include <functional>

class QIODevice;

// Where the player's samples are heard: 16-bit stereo at a given rate, pulled from a
// device. One output plays one stretch of a track, from start() to stop(): a pause, or a
// move to another sound device, takes a new one. The real one is the system's sound
// output; tests hand in one they drive.
class SoundOutput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts pulling from source; false when it is already plain that nothing can play.
    virtual bool start(QIODevice *source) = 0;
    virtual void stop() = 0;
    // Microseconds of audio played so far: what has been heard, not what was pulled.
    virtual qint64 processedUSecs() const = 0;

Q_SIGNALS:
    // Nothing more will be heard from here: the device went, or the sound server did, or
    // the output never got going.
    void deviceLost();
    // The system's default sound device is now another one than this output plays on
    // (where the system leaves that move to the program).
    void defaultDeviceChanged();
};

// Makes an output for the given sample rate; the caller owns it.
using SoundOutputFactory = std::function<SoundOutput *(int sampleRate)>;

// The system's own: the sound server on Linux, Qt Multimedia on Windows.
SoundOutput *makeSystemSoundOutput(int sampleRate);
