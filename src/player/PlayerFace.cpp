#include "player/PlayerFace.h"

#include <QPainter>

QPixmap playerFacePicture(PlayState state, QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal side = qMin(size.width(), size.height()) * 0.6;
    const QRectF box(QPointF((size.width() - side) / 2, (size.height() - side) / 2),
                     QSizeF(side, side));
    switch (state) {
    case PlayState::Stopped:
        painter.setBrush(QColor(96, 96, 96));
        painter.drawRect(box);
        break;
    case PlayState::Playing: {
        painter.setBrush(QColor(0, 150, 0));
        const QPointF triangle[] = {
            box.topLeft(), box.bottomLeft(), {box.right(), box.center().y()}};
        painter.drawPolygon(triangle, 3);
        break;
    }
    case PlayState::Paused:
        painter.setBrush(QColor(220, 130, 0));
        painter.drawRect(QRectF(box.topLeft(), QSizeF(side * 0.35, side)));
        painter.drawRect(QRectF(box.right() - side * 0.35, box.top(), side * 0.35, side));
        break;
    }
    return picture;
}

QString playerFaceName(PlayState state) {
    switch (state) {
    case PlayState::Playing:
        return QStringLiteral("音乐播放器：正在播放");
    case PlayState::Paused:
        return QStringLiteral("音乐播放器：暂停");
    case PlayState::Stopped:
        break;
    }
    return QStringLiteral("音乐播放器：停止");
}
