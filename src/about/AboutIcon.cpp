#include "about/AboutIcon.h"

#include <QPainter>

QPixmap aboutIcon() {
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    // A slate with a plus and a minus on it, like the drill's two kinds of question.
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::darkGreen);
    painter.drawRect(1, 3, 29, 25);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::yellow);
    painter.drawRect(6, 13, 10, 2);
    painter.drawRect(10, 9, 2, 10);
    painter.setBrush(Qt::white);
    painter.drawRect(18, 13, 8, 2);
    painter.setBrush(Qt::darkYellow);
    painter.drawRect(4, 23, 24, 3);
    return icon;
}
