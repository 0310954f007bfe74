#pragma once

#include <QObject>

class Mp3Player;
class OpenDialog;
class QLineEdit;
class QPushButton;
class QScrollBar;

struct PlayerWidgets {
    QPushButton *Command8 = nullptr;  // open
    QPushButton *Command9 = nullptr;  // play
    QPushButton *Command10 = nullptr; // pause
    QPushButton *Command11 = nullptr; // stop
    QPushButton *Command12 = nullptr; // loop
    QLineEdit *Text6 = nullptr;       // track length
    QLineEdit *Text7 = nullptr;       // position
    QScrollBar *HScroll1 = nullptr;   // left volume
    QScrollBar *HScroll2 = nullptr;   // right volume
};

// The music panel: buttons, read-outs and volume sliders over the player component.
class PlayerPanel : public QObject {
    Q_OBJECT
public:
    // loopPlayback is the window's loop switch (0 off, -1 on), shared with nothing else.
    PlayerPanel(const PlayerWidgets &widgets, qint16 &loopPlayback, Mp3Player &player,
                OpenDialog &dialog, QObject *parent = nullptr);

private:
    PlayerWidgets m_ui;
    qint16 &m_loopPlayback;
    Mp3Player &m_player;
    OpenDialog &m_dialog;
};
