#include "app/FontStandIns.h"

// Chinese Windows has SimSun (宋体), SimHei (黑体) and, since Vista, KaiTi (楷体) in place of
// KaiTi_GB2312; every Windows since Vista has Microsoft YaHei. Last come the Debian fonts
// that Wine lends its programs from the host, as on Linux.
QList<FontStandIn> chineseFontStandIns() {
    const QStringList yaHei{QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑")};
    return {
        {QStringLiteral("宋体"),
         QStringList{QStringLiteral("SimSun"), QStringLiteral("NSimSun")} + yaHei +
             QStringList{QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")}},
        {QStringLiteral("黑体"), QStringList{QStringLiteral("SimHei")} + yaHei +
                                     QStringList{QStringLiteral("WenQuanYi Zen Hei")}},
        {QStringLiteral("楷体_GB2312"),
         QStringList{QStringLiteral("楷体"), QStringLiteral("KaiTi")} + yaHei +
             QStringList{QStringLiteral("AR PL UKai CN"), QStringLiteral("AR PL UMing CN")}},
    };
}
