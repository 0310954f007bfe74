#pragma once

#include "player/PlayerStatus.h"

#include <QDateTime>
#include <QHashFunctions>
#include <QString>

#include <memory>

// A file as Open found it: the same file (by its device and file number), of the same size
// and modification time, is unchanged, whatever path it was reached by.
struct FileIdentity {
    QString path;
    quint64 device = 0;
    quint64 fileNumber = 0;
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileIdentity &other) const {
        return device == other.device && fileNumber == other.fileNumber && size == other.size &&
               modified == other.modified;
    }
};
inline size_t qHash(const FileIdentity &file, size_t seed = 0) {
    return qHashMulti(seed, file.device, file.fileNumber, file.size, file.modified);
}

// A file opened once by Open and read by everyone who needs it: the decoder that plays it
// and the scan that measures it, each at its own offsets, from two threads at once. What
// is read is the file that was opened, even once its path has been moved, deleted or
// replaced on disk.
class OpenedFile {
public:
    virtual ~OpenedFile() = default;
    virtual qint64 size() const = 0;
    // Up to maxSize bytes from offset: fewer only at the end, -1 when the read fails.
    virtual qint64 readAt(qint64 offset, char *data, qint64 maxSize) = 0;
};

struct OpenResult {
    PlayerStatus status = PlayerStatus::Unreadable;
    std::shared_ptr<OpenedFile> file; // set when status is Ok
    FileIdentity identity;

    static OpenResult refused(PlayerStatus why) {
        OpenResult result;
        result.status = why;
        return result;
    }
};

// Opens path for reading with the system's own calls, without ever waiting: a folder, a
// pipe, a device or a missing, unreadable or empty file answers its status instead.
OpenResult openForReading(const QString &path);

// Windows' file calls refuse a path of MAX_PATH (260) characters or more unless it comes in its
// \\?\ form, and the open dialog hands out paths of up to 32 767. That form is taken as it
// stands, so it is made here from an absolute path: backslashes, no "." or "..".
QString longPathForm(const QString &absolutePath);
