#pragma once

#include <QPixmap>
#include <QString>

enum class Feedback { Right, Wrong };

// "dui.bmp" or "cuo.bmp".
QString feedbackFileName(Feedback feedback);

// What a screen reader says for the picture on show: "对" or "错".
QString feedbackAccessibleName(Feedback feedback);

// The picture from its file in dir, read afresh each call; when the file is missing or
// unreadable, a tick or a cross drawn here, so the child still sees the verdict.
QPixmap loadFeedbackPicture(const QString &dir, Feedback feedback);

QPixmap drawFeedbackStandIn(Feedback feedback);
