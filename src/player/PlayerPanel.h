#pragma once

#include "player/Mp3Player.h"

#include <QObject>

class OpenDialog;
class QLabel;
class QPushButton;
class QScrollBar;
class ReadOut;

struct PlayerWidgets {
    QLabel *Mp3Play1 = nullptr;       // the component's face
    QPushButton *Command8 = nullptr;  // open
    QPushButton *Command9 = nullptr;  // play
    QPushButton *Command10 = nullptr; // pause
    QPushButton *Command11 = nullptr; // stop
    QPushButton *Command12 = nullptr; // loop
    ReadOut *Text6 = nullptr;         // track length
    ReadOut *Text7 = nullptr;         // position
    QScrollBar *HScroll1 = nullptr;   // left volume
    QScrollBar *HScroll2 = nullptr;   // right volume
};

// The music panel: buttons, read-outs and volume sliders over the player component.
// It keeps no playback state of its own: the component has it, and the dialog holds
// the chosen file, read afresh at every Play.
class PlayerPanel : public QObject {
    Q_OBJECT
public:
    // loopPlayback is the window's loop switch (0 off, -1 on), shared with nothing else.
    PlayerPanel(const PlayerWidgets &widgets, qint16 &loopPlayback, Mp3Player &player,
                OpenDialog &dialog, QObject *parent = nullptr);

private:
    void onOpenClicked();
    void onPlayClicked();
    void onPauseClicked();
    void onStopClicked();
    void onLoopClicked();
    void onVolumeChanged();
    void onPositionChanged(qint32 value);
    void onTrackEnded();
    void onFileChecked(const QString &path, int status);

    void showFace(PlayState state);
    void reportFailure(const QString &path, int status);
    static void readBackVolume(QScrollBar *slider, qint32 volume);

    PlayerWidgets m_ui;
    qint16 &m_loopPlayback;
    Mp3Player &m_player;
    OpenDialog &m_dialog;
};
