#include "about/LinuxRegistry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr quint32 ReadRights =
    Reg::QueryValue | 0x0008 /* enumerate */ | 0x0010 /* notify */ | Reg::ReadControl;
const QByteArray ToolKey = QByteArrayLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QByteArray ToolValue = QByteArrayLiteral("PATH");

// Registry names compare without regard to case.
bool sameName(const QByteArray &a, const QByteArray &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The tool the MSINFO key points at now, or an empty text when none is installed.
QString findSystemInfoTool() {
    for (const auto &name : {QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return QFileInfo(found).absoluteFilePath();
    }
    return {};
}
} // namespace

RegStatus LinuxRegistry::openKey(RegKey root, const QByteArray &subKey, quint32, quint32 access,
                                 RegKey &result) {
    result = 0;
    if (root != Reg::LocalMachine || !sameName(subKey, ToolKey))
        return Reg::FileNotFound;
    if (access & ~ReadRights)
        return Reg::AccessDenied;
    const QString tool = findSystemInfoTool();
    if (tool.isEmpty())
        return Reg::FileNotFound;
    result = ++m_lastHandle;
    m_openToolKeys.insert(result, tool);
    return Reg::Success;
}

RegStatus LinuxRegistry::queryValue(RegKey key, const QByteArray &valueName, quint32 &type,
                                    char *data, quint32 &dataLength) {
    const auto open = m_openToolKeys.constFind(key);
    if (open == m_openToolKeys.cend())
        return Reg::InvalidHandle;
    if (!sameName(valueName, ToolValue))
        return Reg::FileNotFound;
    QByteArray value = QFile::encodeName(*open);
    value.append('\0');
    const auto size = quint32(value.size());
    type = Reg::Sz;
    if (size > dataLength) {
        dataLength = size;
        return Reg::MoreData;
    }
    std::copy(value.cbegin(), value.cend(), data);
    dataLength = size;
    return Reg::Success;
}

RegStatus LinuxRegistry::closeKey(RegKey key) {
    return m_openToolKeys.remove(key) > 0 ? Reg::Success : Reg::InvalidHandle;
}

std::unique_ptr<Registry> makeSystemRegistry() {
    return std::make_unique<LinuxRegistry>();
}
