#pragma once

#include <QObject>
#include <QString>

// The MP3 player component the panel drives. Events arrive on the window's thread.
class Mp3Player : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Returns 0 on success, otherwise a status the panel explains to the user.
    virtual int Open(const QString &path, const QString &unused) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual qint32 Length() const = 0; // milliseconds
    virtual qint32 PositionRange() const = 0;
    virtual qint32 LeftVolume() const = 0;
    virtual qint32 RightVolume() const = 0;
    virtual int SetVolume(qint32 left, qint32 right) = 0;

Q_SIGNALS:
    void PositionChanged(qint32 position);
    void TrackEnded();
};
