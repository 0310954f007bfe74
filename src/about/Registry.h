#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <memory>

// A small registry in the shape of advapi32's ANSI calls (RegOpenKeyExA,
// RegQueryValueExA, RegCloseKey): names are bytes in the system's 8-bit encoding,
// handles are plain numbers with 0 for "no key", and every call answers a Win32
// error code. On Windows it is advapi32 itself; Linux has a stand-in (LinuxRegistry).
//
// The constants live in a namespace of their own because windows.h defines the
// Windows names (HKEY_LOCAL_MACHINE, REG_SZ, ...) as macros.
using RegKey = quintptr;
using RegStatus = qint32;

namespace Reg {
inline constexpr RegKey LocalMachine = 0x80000002;

inline constexpr RegStatus Success = 0;
inline constexpr RegStatus FileNotFound = 2;
inline constexpr RegStatus AccessDenied = 5;
inline constexpr RegStatus InvalidHandle = 6;
inline constexpr RegStatus MoreData = 234;

inline constexpr quint32 QueryValue = 0x0001;
inline constexpr quint32 ReadControl = 0x20000;

inline constexpr quint32 Sz = 1;
inline constexpr quint32 ExpandSz = 2;
inline constexpr quint32 Binary = 3;
inline constexpr quint32 Dword = 4;
} // namespace Reg

class Registry {
public:
    virtual ~Registry() = default;

    virtual RegStatus openKey(RegKey root, const QByteArray &subKey, quint32 options,
                              quint32 access, RegKey &result) = 0;
    // dataLength holds the buffer's size on the way in and the value's size on the way
    // out; a value larger than the buffer answers MoreData and copies nothing.
    virtual RegStatus queryValue(RegKey key, const QByteArray &valueName, quint32 &type, char *data,
                                 quint32 &dataLength) = 0;
    virtual RegStatus closeKey(RegKey key) = 0;
};

// The system's registry: advapi32 on Windows, the stand-in elsewhere.
std::unique_ptr<Registry> makeSystemRegistry();
