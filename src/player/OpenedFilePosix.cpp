#include "player/OpenedFile.h"

#include <QFile>
#include <QTimeZone>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// pread keeps no offset in the descriptor, so the two readers never move each other.
class PosixFile final : public OpenedFile {
public:
    PosixFile(int fd, qint64 size)
        : m_fd(fd)
        , m_size(size) {}
    ~PosixFile() override { ::close(m_fd); }

    qint64 size() const override { return m_size; }
    qint64 readAt(qint64 offset, char *data, qint64 maxSize) override {
        qint64 done = 0;
        while (done < maxSize) {
            const ssize_t n =
                ::pread(m_fd, data + done, size_t(maxSize - done), off_t(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return -1;
            if (n == 0)
                break;
            done += n;
        }
        return done;
    }

private:
    int m_fd;
    qint64 m_size;
};

PlayerStatus statusOfOpenError(int error) {
    return error == ENOENT || error == ENOTDIR ? PlayerStatus::FileMissing
                                               : PlayerStatus::Unreadable;
}

} // namespace

OpenResult openForReading(const QString &path) {
    if (path.isEmpty())
        return OpenResult::refused(PlayerStatus::NoFileChosen);
    // O_NONBLOCK: opening a named pipe would otherwise wait for a writer, with the window
    // frozen meanwhile. It changes nothing for the reads of an ordinary file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A folder opens for reading; only what cannot be opened at all lands here.
        return OpenResult::refused(statusOfOpenError(errno));
    }
    struct stat info {};
    PlayerStatus status = PlayerStatus::Ok;
    if (::fstat(fd, &info) != 0)
        status = PlayerStatus::Unreadable;
    else if (S_ISDIR(info.st_mode))
        status = PlayerStatus::IsFolder;
    else if (!S_ISREG(info.st_mode)) // no pipe, device or socket holds a track
        status = PlayerStatus::Unreadable;
    else if (info.st_size == 0)
        status = PlayerStatus::EmptyFile;
    if (status != PlayerStatus::Ok) {
        ::close(fd);
        return OpenResult::refused(status);
    }
    const QDateTime modified = QDateTime::fromMSecsSinceEpoch(
        qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000, QTimeZone::utc());
    return {PlayerStatus::Ok, std::make_shared<PosixFile>(fd, qint64(info.st_size)),
            FileIdentity{path, quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
                         modified}};
}
