#pragma once

#include "about/Registry.h"

#include <QMap>
#include <QString>

// Linux has no registry. This one knows the single value the About dialog asks for
// first, the path of the system-information tool, and answers it with an installed
// tool found on PATH (hardinfo, else kinfocenter). Every other key is missing, and
// like HKEY_LOCAL_MACHINE for an ordinary user it refuses to open keys for writing.
class LinuxRegistry : public Registry {
public:
    RegStatus openKey(RegKey root, const QByteArray &subKey, quint32 options, quint32 access,
                      RegKey &result) override;
    RegStatus queryValue(RegKey key, const QByteArray &valueName, quint32 &type, char *data,
                         quint32 &dataLength) override;
    RegStatus closeKey(RegKey key) override;

private:
    QMap<RegKey, QString> m_openToolKeys; // handle -> tool path found at the open
    RegKey m_lastHandle = 0;
};
