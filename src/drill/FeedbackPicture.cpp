#include "drill/FeedbackPicture.h"

#include <QDir>
#include <QPainter>
#include <QPen>

QString feedbackFileName(Feedback feedback) {
    return feedback == Feedback::Right ? QStringLiteral("dui.bmp") : QStringLiteral("cuo.bmp");
}

QString feedbackAccessibleName(Feedback feedback) {
    return feedback == Feedback::Right ? QStringLiteral("对") : QStringLiteral("错");
}

QPixmap loadFeedbackPicture(const QString &dir, Feedback feedback) {
    QPixmap picture;
    if (picture.load(QDir(dir).filePath(feedbackFileName(feedback))))
        return picture;
    return drawFeedbackStandIn(feedback);
}

QPixmap drawFeedbackStandIn(Feedback feedback) {
    // The size of the picture box's inside, like the shipped pictures.
    QPixmap picture(109, 77);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (feedback == Feedback::Right) {
        painter.setPen(QPen(QColor(0, 160, 0), 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const QPointF tick[] = {{28, 40}, {48, 60}, {82, 16}};
        painter.drawPolyline(tick, 3);
    } else {
        painter.setPen(QPen(QColor(220, 0, 0), 12, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(32, 14), QPointF(77, 63));
        painter.drawLine(QPointF(77, 14), QPointF(32, 63));
    }
    return picture;
}
