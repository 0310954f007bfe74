#include "about/GetKeyValue.h"

#include "about/KeyValueText.h"

namespace {
constexpr quint32 BufferSize = 1024;
}

bool GetKeyValue(Registry &registry, RegKey KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal) {
    bool result = false;
    RegKey key = 0;
    // Read rights only: ordinary users are refused write rights below HKEY_LOCAL_MACHINE.
    if (registry.openKey(KeyRoot, KeyName.toLocal8Bit(), 0, Reg::QueryValue | Reg::ReadControl,
                         key) != Reg::Success) {
        KeyVal.clear();
    } else {
        QByteArray buffer(BufferSize, '\0');
        quint32 type = 0;
        quint32 length = BufferSize;
        if (registry.queryValue(key, SubKeyRef.toLocal8Bit(), type, buffer.data(), length) !=
            Reg::Success) {
            KeyVal.clear();
        } else {
            KeyVal =
                keyValueText(type, QByteArrayView(buffer).first(qMin(length, BufferSize)), KeyVal);
            result = true;
        }
    }
    registry.closeKey(key);
    return result;
}
