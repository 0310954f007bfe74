#include "player/OpenedFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

#include <windows.h>

namespace {

// ReadFile at an offset given in OVERLAPPED reads there whatever the handle's own file
// pointer says, so the two readers never move each other.
class WindowsFile final : public OpenedFile {
public:
    WindowsFile(HANDLE handle, qint64 size)
        : m_handle(handle)
        , m_size(size) {}
    ~WindowsFile() override { CloseHandle(m_handle); }

    qint64 size() const override { return m_size; }
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override {
        qint64 done = 0;
        while (done < maxSize) {
            OVERLAPPED at{};
            const quint64 position = quint64(offset + done);
            at.Offset = DWORD(position);
            at.OffsetHigh = DWORD(position >> 32);
            const DWORD chunk = DWORD(qMin<qint64>(maxSize - done, 1 << 20));
            DWORD got = 0;
            if (!ReadFile(m_handle, data + done, chunk, &got, &at))
                return GetLastError() == ERROR_HANDLE_EOF ? done : -1;
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

private:
    HANDLE m_handle;
    qint64 m_size;
};

PlayerStatus statusOfOpenError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                   error == ERROR_INVALID_NAME
               ? PlayerStatus::FileMissing
               : PlayerStatus::Unreadable;
}

QDateTime fromFileTime(const FILETIME &time) {
    // 100 ns steps since 1601-01-01.
    const qint64 ticks = (qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return QDateTime::fromMSecsSinceEpoch(ticks / 10000 - 11644473600000LL, QTimeZone::utc());
}

} // namespace

OpenResult openForReading(const QString &path) {
    if (path.isEmpty())
        return OpenResult::refused(PlayerStatus::NoFileChosen);
    const std::wstring name = longPathForm(QFileInfo(path).absoluteFilePath()).toStdWString();
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return OpenResult::refused(statusOfOpenError(GetLastError()));
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return OpenResult::refused(PlayerStatus::IsFolder);
    // Others may go on reading, writing, renaming and deleting the file, as they could if
    // it were not open: what plays is what was opened.
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return OpenResult::refused(statusOfOpenError(GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    PlayerStatus status = PlayerStatus::Ok;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info))
        status = PlayerStatus::Unreadable; // a pipe or a device holds no track
    const qint64 size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (status == PlayerStatus::Ok && size == 0)
        status = PlayerStatus::EmptyFile;
    if (status != PlayerStatus::Ok) {
        CloseHandle(handle);
        return OpenResult::refused(status);
    }
    const quint64 index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return {PlayerStatus::Ok, std::make_shared<WindowsFile>(handle, size),
            FileIdentity{path, info.dwVolumeSerialNumber, index, size,
                         fromFileTime(info.ftLastWriteTime)}};
}
