// The transfer threads of the calculator's storage memory: the notices a
// worker reports and the TransferSession that runs one upload or download
// worker on a thread of its own, holds the link busy while the worker touches
// it, and carries the user's cancel to it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "link/calculator_link.h"

namespace vornex::link {

enum NoticeCode {
    kNoticeProgress = 2,   // value: percent
    kNoticeCancelled = 3,  // value 0
    kNoticeFinished = 4,   // value 1 done, 0 nothing was sent
    kNoticeFailed = 5,     // value 0
};

struct TransferNotice {
    int code = 0;
    int value = 0;
    std::string message;  // what the worker has to tell the user first (failures), UTF-8
};

using NoticeSink = std::function<void(const TransferNotice&)>;

// How long a new calculator command waits for a finishing transfer worker.
inline constexpr int kLinkBusyWaitMs = 3000;

// One transfer: the link, the cancel event, the PC file and the worker thread.
//
// The worker owns the link while it runs: it alone writes and reads, and on a
// cancel it sends the abort packets and closes the link itself. Nobody joins it:
// the thread is detached and keeps the object that owns the session (the
// `keepAlive` of start()) until it has ended, so the session outlives a dialog
// that was closed meanwhile. While the worker runs, the link counts as busy
// (CalculatorLink::busy()).
class TransferSession {
public:
    explicit TransferSession(CalculatorLink& link, NoticeSink sink = {});
    ~TransferSession() = default;  // never waits: a running worker holds its owner alive
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    CalculatorLink& link() { return link_; }
    CancelEvent& cancelEvent() { return cancel_; }
    TransferFile& file() { return file_; }
    // Set before start(); called on the worker thread.
    void setNoticeSink(NoticeSink sink) { sink_ = std::move(sink); }
    // Called on the worker thread after the worker has ended (the link is then free).
    void setEndHook(std::function<void()> hook) { endHook_ = std::move(hook); }
    // Delivers a notice. A cancelled or failed transfer first sends the abort
    // packets (terminate "01" and command 00) from the worker's own thread.
    void notify(const TransferNotice& n);

    // Resets the cancel event and runs `worker` on its own (detached) thread,
    // which holds `keepAlive` (the owner of this session) until it has ended.
    // A worker that ends after a cancel leaves the link closed.
    void start(std::function<void(TransferSession&)> worker, std::shared_ptr<void> keepAlive);
    // As start(), but the thread first waits up to waitMs for an earlier worker
    // to let go of the link (CalculatorLink::claimForTransfer). When it does not,
    // `busy` runs instead of `worker` and the link is left alone.
    void startWhenFree(std::function<void(TransferSession&)> worker, std::function<void()> busy, int waitMs,
                       std::shared_ptr<void> keepAlive);
    // Asks a running worker to stop (sets the cancel event) and returns at once;
    // true when the worker will then abort and close the link; false when no
    // worker runs (or it is past that point), so the caller does it itself.
    bool requestCancel();
    bool running() const;
    // True once requestCancel() reached the running worker (the worker's own test
    // between its steps; the data phase polls the cancel event).
    bool cancelRequested() const;
    // Waits up to timeoutMs for the worker to end; true when none runs.
    bool waitForEnd(int timeoutMs);

private:
    void launch(std::function<void(TransferSession&)> worker, std::function<void()> busy, int waitMs,
                std::shared_ptr<void> keepAlive);

    CalculatorLink& link_;
    NoticeSink sink_;
    std::function<void()> endHook_;
    CancelEvent cancel_;
    TransferFile file_;
    mutable std::mutex mutex_;  // runs_ and cancelRequested_ change together
    std::condition_variable ended_;
    int runs_ = 0;  // worker threads not yet ended (a new run may start while the last one says goodbye)
    bool cancelRequested_ = false;
    bool workerActive_ = false;  // the worker has not yet taken its last look at cancelRequested_
    std::atomic<bool> abortSent_{false};
};

}  // namespace vornex::link
