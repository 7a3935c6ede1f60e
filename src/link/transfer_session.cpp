// The transfer threads: a TransferSession runs one upload or download worker on
// a thread of its own, holds the link busy for as long as the worker touches
// it, and carries the user's cancel to it.
#include "link/transfer_session.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "link/exchanges.h"

namespace vornex::link {

TransferSession::TransferSession(CalculatorLink& link, NoticeSink sink) : link_(link), sink_(std::move(sink)) {}

void TransferSession::notify(const TransferNotice& n) {
    // The worker aborts on the calculator itself: only its thread uses the link.
    if ((n.code == kNoticeCancelled || n.code == kNoticeFailed) && !abortSent_.exchange(true)) AbortTransfer(link_);
    if (sink_) sink_(n);
}

void TransferSession::start(std::function<void(TransferSession&)> worker, std::shared_ptr<void> keepAlive) {
    launch(std::move(worker), {}, -1, std::move(keepAlive));
}

void TransferSession::startWhenFree(std::function<void(TransferSession&)> worker, std::function<void()> busy,
                                    int waitMs, std::shared_ptr<void> keepAlive) {
    launch(std::move(worker), std::move(busy), std::max(waitMs, 0), std::move(keepAlive));
}

void TransferSession::launch(std::function<void(TransferSession&)> worker, std::function<void()> busy, int waitMs,
                             std::shared_ptr<void> keepAlive) {
    cancel_.reset();
    {
        std::lock_guard lock(mutex_);
        ++runs_;
        cancelRequested_ = false;
        workerActive_ = true;
    }
    abortSent_ = false;
    // Counted at once, so the link is busy (and outlives the worker, for whoever
    // waits until it is free) from here to the worker's last touch of it.
    link_.beginTransfer();
    std::thread([this, waitMs, worker = std::move(worker), busy = std::move(busy), keep = std::move(keepAlive)] {
        const bool claimed = waitMs < 0 || link_.waitUntilAlone(waitMs);
        if (claimed)
            worker(*this);
        else if (busy)
            busy();
        bool cancelled;
        {
            std::lock_guard lock(mutex_);
            cancelled = cancelRequested_;
            workerActive_ = false;
        }
        // A cancel that came after the worker's last look at the event: the
        // transfer ended anyway, and the dialog that asked for it is gone or closed.
        if (claimed && cancelled) {
            if (!abortSent_.exchange(true)) AbortTransfer(link_);
            link_.CloseLink();
        }
        link_.endTransfer();  // the last touch of the link
        {
            std::lock_guard lock(mutex_);
            --runs_;
        }
        if (endHook_) endHook_();
        ended_.notify_all();
        // `keep` goes with this thread: the owner may end here, on the worker's thread.
    }).detach();
}

bool TransferSession::requestCancel() {
    std::lock_guard lock(mutex_);
    if (!workerActive_) return runs_ > 0 && cancelRequested_;  // a cancelled worker still closing the link
    cancelRequested_ = true;
    cancel_.set();
    return true;
}

bool TransferSession::cancelRequested() const {
    std::lock_guard lock(mutex_);
    return cancelRequested_;
}

bool TransferSession::running() const {
    std::lock_guard lock(mutex_);
    return runs_ > 0;
}

bool TransferSession::waitForEnd(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] { return runs_ == 0; });
}

}  // namespace vornex::link
