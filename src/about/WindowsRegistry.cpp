#include "about/Registry.h"

#include <windows.h>

namespace {

// advapi32's ANSI calls, one to one: names and data in the system's ANSI code page.
class WindowsRegistry final : public Registry {
public:
    RegStatus openKey(RegKey root, const QByteArray &subKey, quint32 options, quint32 access,
                      RegKey &result) override {
        HKEY key = nullptr;
        const LSTATUS status = RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey.constData(),
                                             options, REGSAM(access), &key);
        result = reinterpret_cast<RegKey>(key);
        return RegStatus(status);
    }
    RegStatus queryValue(RegKey key, const QByteArray &valueName, quint32 &type, char *data,
                         quint32 &dataLength) override {
        DWORD valueType = 0;
        DWORD length = dataLength;
        const LSTATUS status =
            RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(), nullptr,
                             &valueType, reinterpret_cast<BYTE *>(data), &length);
        type = valueType;
        dataLength = length;
        return RegStatus(status);
    }
    RegStatus closeKey(RegKey key) override {
        return RegStatus(RegCloseKey(reinterpret_cast<HKEY>(key)));
    }
};

} // namespace

std::unique_ptr<Registry> makeSystemRegistry() {
    return std::make_unique<WindowsRegistry>();
}
