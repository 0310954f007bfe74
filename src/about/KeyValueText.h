#pragma once

#include <QByteArrayView>
#include <QString>

// The text that GetKeyValue hands back for a value read from the registry: a string
// without its terminator, a DWORD as "&h" and eight hex digits, and for any other type
// the caller's text unchanged.
QString keyValueText(quint32 type, QByteArrayView data, const QString &passed);
