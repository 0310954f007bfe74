#pragma once

#include "player/Mp3Decoder.h"
#include "player/OpenedFile.h"

#include <QHash>
#include <QObject>

#include <atomic>
#include <memory>

// Finds the exact length of the MP3 file that is open, on a thread of its own: a scan
// reads the whole file, which takes seconds for a large one and must not stall the window.
// Only the file on show is scanned: opening another cancels the scan of the one before,
// so the new file never waits behind it. What a scan decided from a file's contents is
// remembered for the run; an unchanged file is not read again.
class LengthScanner : public QObject {
    Q_OBJECT
public:
    explicit LengthScanner(QObject *parent = nullptr);
    ~LengthScanner() override; // cancels the scan and does not wait for it

    // The result for the file, when it was scanned before; otherwise starts a scan of it
    // (unless its scan runs already), cancels any other, and answers nullptr.
    const Mp3Decoder::Scan *lookUp(const FileIdentity &identity, std::shared_ptr<OpenedFile> file,
                                   long decoderFlags);

Q_SIGNALS:
    // On the scanner's thread, for the file it was last asked about.
    void scanned(const FileIdentity &identity, const Mp3Decoder::Scan &result);

private:
    struct Job;
    struct Mailbox;
    void finish(const std::shared_ptr<Job> &job, const Mp3Decoder::Scan &result);

    QHash<FileIdentity, Mp3Decoder::Scan> m_done;
    std::shared_ptr<Job> m_current;
    std::shared_ptr<Mailbox> m_mailbox;
};
