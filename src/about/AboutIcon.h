#pragma once

#include <QPixmap>

// The 32 x 32 picture beside the title, drawn in the 16 colours of the classic palette.
QPixmap aboutIcon();
