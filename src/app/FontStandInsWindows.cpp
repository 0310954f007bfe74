#include "app/FontStandIns.h"

// Chinese Windows has SimSun (宋体), SimHei (黑体) and, since Vista, KaiTi (楷体) in place of
// KaiTi_GB2312; every Windows since Vista has Microsoft YaHei. Last come the Linux fonts that
// Wine lends its programs from the host.
QList<FontStandIn> chineseFontStandIns() {
    const QStringList everywhere{QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                                 QStringLiteral("AR PL UMing CN"),
                                 QStringLiteral("WenQuanYi Zen Hei")};
    return {
        {QStringLiteral("宋体"), QStringList{QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                                             QStringLiteral("新宋体")} +
                                     everywhere},
        {QStringLiteral("黑体"), QStringList{QStringLiteral("SimHei")} + everywhere},
        {QStringLiteral("楷体_GB2312"),
         QStringList{QStringLiteral("楷体"), QStringLiteral("KaiTi"),
                     QStringLiteral("KaiTi_GB2312"), QStringLiteral("AR PL UKai CN")} +
             everywhere},
    };
}
