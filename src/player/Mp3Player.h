#pragma once

#include <QObject>
#include <QString>

enum class PlayState { Stopped, Playing, Paused };

// The MP3 player component the panel drives. Events arrive on the window's thread.
class Mp3Player : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Open and Play return 0 on success, otherwise a PlayerStatus the panel explains to
    // the user. Open of the file that is paused keeps its place, so Play resumes it; any
    // other Open starts from the beginning.
    virtual int Open(const QString &path, const QString &unused) = 0;
    virtual int Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    // Milliseconds; until FileChecked, an estimate where the file states no length.
    virtual qint32 Length() const = 0;
    // PositionChanged's value divided by this is the fraction of the track heard: both are
    // milliseconds. Until FileChecked the position may run past an estimated length.
    virtual qint32 PositionRange() const = 0;
    // Volumes run from 0 (silent) to 32000 (as recorded).
    virtual qint32 LeftVolume() const = 0;
    virtual qint32 RightVolume() const = 0;
    virtual int SetVolume(qint32 left, qint32 right) = 0;
    // What the component's face shows.
    virtual PlayState state() const = 0;

Q_SIGNALS:
    void PositionChanged(qint32 position);
    // Once per track, after its last sample has been heard.
    void TrackEnded();
    // The opened file has been read to its end: with status 0 Length() is now exact;
    // otherwise the file is broken, playing it has stopped and status says why.
    void FileChecked(const QString &path, int status);
    // Playing the file stopped on its own for the reason status gives (no sound device left
    // to play on); never an end of the track.
    void Failed(const QString &path, int status);
    void StateChanged(PlayState state);
};
