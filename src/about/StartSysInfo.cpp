#include "about/StartSysInfo.h"

#include "about/AboutServices.h"
#include "about/AppIdentity.h"
#include "about/GetKeyValue.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isOrdinaryFile(const QString &path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

// Looks the tool up and starts it; false when it is not found or will not start.
bool findAndStart(AboutServices &services) {
    QString path;
    if (!GetKeyValue(*services.registry, Reg::LocalMachine,
                     QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                     QStringLiteral("PATH"), path)) {
        if (!GetKeyValue(*services.registry, Reg::LocalMachine,
                         QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                         QStringLiteral("MSINFO"), path))
            return false;
        // The value names the tool's folder; the separator is the system's own.
        const QString exe = path + QDir::separator() + QStringLiteral("MSINFO32.EXE");
        if (!isOrdinaryFile(exe))
            return false;
        path = exe;
    }
    return services.startProgram(path);
}

} // namespace

void StartSysInfo(AboutServices &services, QWidget *parent) {
    bool started = false;
    try {
        started = findAndStart(services);
    } catch (...) {
        started = false;
    }
    if (!started)
        services.showMessage(parent, AppIdentity::title(), QStringLiteral("此时系统信息不可用"));
}
