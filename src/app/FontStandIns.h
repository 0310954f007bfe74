#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The fonts that stand in for a font name of the design, best first. The design names
// GB2312 families ("宋体", "黑体", "楷体_GB2312") that few systems have under these names.
struct FontStandIn {
    QString family;
    QStringList standIns;
};

// This system's stand-ins for the design's three families, and the family of the default
// user-interface font.
QList<FontStandIn> chineseFontStandIns();
