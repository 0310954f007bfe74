#include "app/FontStandIns.h"

// Debian's fonts-arphic-uming, fonts-wqy-zenhei and fonts-arphic-ukai.
QList<FontStandIn> chineseFontStandIns() {
    return {
        {QStringLiteral("宋体"),
         {QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW"),
          QStringLiteral("WenQuanYi Zen Hei")}},
        {QStringLiteral("黑体"),
         {QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")}},
        {QStringLiteral("楷体_GB2312"),
         {QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UKai TW"),
          QStringLiteral("AR PL UMing CN")}},
    };
}
