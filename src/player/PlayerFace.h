#pragma once

#include "player/Mp3Player.h"

#include <QPixmap>
#include <QString>

// The player component's face in the panel: a flat picture of what the player is doing,
// the usual stop, play and pause symbols, and the same in words for a screen reader.
QPixmap playerFacePicture(PlayState state, QSize size);
QString playerFaceName(PlayState state);
