#pragma once

#include "player/Mp3Decoder.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <atomic>

// A file as it is on disk: the same path, size and modification time is the same file.
struct FileIdentity {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    bool operator==(const FileIdentity &) const = default;

    static FileIdentity of(const QString &path);
};
size_t qHash(const FileIdentity &file, size_t seed = 0);

// Finds the exact length of MP3 files on a worker thread, each unchanged file once in a
// run: a scan reads the whole file, which takes seconds for a large one and must not
// stall the window. Results arrive on the thread that owns the scanner.
class LengthScanner : public QObject {
    Q_OBJECT
public:
    explicit LengthScanner(QObject *parent = nullptr);
    ~LengthScanner() override; // stops scans still running

    // The result for file, when a scan has finished; otherwise starts one, unless one
    // runs already, and answers nullptr.
    const Mp3Decoder::Scan *lookUp(const FileIdentity &file, long decoderFlags);

Q_SIGNALS:
    void scanned(const FileIdentity &file, const Mp3Decoder::Scan &result);

private:
    QHash<FileIdentity, Mp3Decoder::Scan> m_done;
    QSet<FileIdentity> m_running;
    std::atomic_bool m_cancel = false;
    QThreadPool m_pool;
};
