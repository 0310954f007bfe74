#include "player/LengthScanner.h"

#include <mutex>
#include <thread>

struct LengthScanner::Job {
    FileIdentity identity;
    std::atomic_bool cancel = false;
};

// Where a scan's thread leaves its result. The scanner may be gone by then, and a thread
// stuck in a slow read must not hold up its destruction: the thread posts only while the
// scanner is there, and the scanner signs off under the same lock.
struct LengthScanner::Mailbox {
    std::mutex lock;
    LengthScanner *scanner = nullptr;

    void post(const std::shared_ptr<Job> &job, const Mp3Decoder::Scan &result) {
        const std::lock_guard held(lock);
        if (!scanner || job->cancel)
            return;
        QMetaObject::invokeMethod(
            scanner, [scanner = scanner, job, result] { scanner->finish(job, result); },
            Qt::QueuedConnection);
    }
};

LengthScanner::LengthScanner(QObject *parent)
    : QObject(parent)
    , m_mailbox(std::make_shared<Mailbox>()) {
    m_mailbox->scanner = this;
}

LengthScanner::~LengthScanner() {
    if (m_current)
        m_current->cancel = true;
    const std::lock_guard held(m_mailbox->lock);
    m_mailbox->scanner = nullptr; // a call already posted goes with this object
}

const Mp3Decoder::Scan *LengthScanner::lookUp(const FileIdentity &identity,
                                              std::shared_ptr<OpenedFile> file, long decoderFlags) {
    if (const auto done = m_done.constFind(identity); done != m_done.cend())
        return &*done;
    if (m_current && m_current->identity == identity)
        return nullptr;
    if (m_current)
        m_current->cancel = true;
    m_current = std::make_shared<Job>();
    m_current->identity = identity;
    // A thread of its own for each scan: one cancelled while stuck in a slow read ends when
    // the read returns, and nothing waits for it meanwhile.
    std::thread([job = m_current, mailbox = m_mailbox, file = std::move(file), decoderFlags] {
        mailbox->post(job, Mp3Decoder::scan(file, decoderFlags, job->cancel));
    }).detach();
    return nullptr;
}

void LengthScanner::finish(const std::shared_ptr<Job> &job, const Mp3Decoder::Scan &result) {
    if (job != m_current)
        return; // cancelled after its result was posted
    m_current.reset();
    if (result.settled)
        m_done.insert(job->identity, result);
    Q_EMIT scanned(job->identity, result);
}
