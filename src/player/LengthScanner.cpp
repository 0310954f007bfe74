#include "player/LengthScanner.h"

#include <QFileInfo>

FileIdentity FileIdentity::of(const QString &path) {
    const QFileInfo info(path);
    return {info.absoluteFilePath(), info.size(), info.lastModified()};
}

size_t qHash(const FileIdentity &file, size_t seed) {
    return qHashMulti(seed, file.path, file.size, file.modified);
}

LengthScanner::LengthScanner(QObject *parent)
    : QObject(parent) {
    m_pool.setMaxThreadCount(1); // one file read at a time keeps the disk's pace
}

LengthScanner::~LengthScanner() {
    m_cancel = true;
    m_pool.clear();
    m_pool.waitForDone();
}

const Mp3Decoder::Scan *LengthScanner::lookUp(const FileIdentity &file, long decoderFlags) {
    if (const auto done = m_done.constFind(file); done != m_done.cend())
        return &*done;
    if (m_running.contains(file))
        return nullptr;
    m_running.insert(file);
    m_pool.start([this, file, decoderFlags] {
        const Mp3Decoder::Scan result = Mp3Decoder::scan(file.path, decoderFlags, m_cancel);
        if (m_cancel)
            return;
        // The scanner outlives every task (its destructor waits for them), and a call
        // still queued when it goes is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, file, result] {
                m_running.remove(file);
                m_done.insert(file, result);
                Q_EMIT scanned(file, result);
            },
            Qt::QueuedConnection);
    });
    return nullptr;
}
