#include "player/OpenedFile.h"

#include <QDir>

QString longPathForm(const QString &absolutePath) {
    QString path = QString(absolutePath).replace(u'\\', u'/');
    if (path.startsWith(QStringLiteral("//?/"))) // in that form already
        return path.replace(u'/', u'\\');
    const bool shared = path.startsWith(QStringLiteral("//")); // //server/share/...
    path = QDir::cleanPath(path.mid(shared ? 2 : 0)).replace(u'/', u'\\');
    return (shared ? QStringLiteral("\\\\?\\UNC\\") : QStringLiteral("\\\\?\\")) + path;
}
