#include "player/PlayerPanel.h"

#include "player/Mp3Player.h"
#include "player/OpenDialog.h"

PlayerPanel::PlayerPanel(const PlayerWidgets &widgets, qint16 &loopPlayback, Mp3Player &player,
                         OpenDialog &dialog, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
    , m_loopPlayback(loopPlayback)
    , m_player(player)
    , m_dialog(dialog) {
}
