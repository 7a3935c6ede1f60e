// The transfer dialog's model: starts the set-up and the worker, carries their
// messages, questions and notices to the dialog's thread, and keeps the
// dialog's state (progress, buttons, texts) for any front end to show.
#include "link/transfer_dialog.h"

#include <algorithm>
#include <chrono>

#include "link/exchanges.h"
#include "link/storage.h"
#include "text/text.h"

namespace vornex::link {

const char* const TransferDialogModel::kRestartText =
    "传输没有完成。\n请重新启动计算器（按[AC]键，或按计算器背面的复位按钮），然后按“开始”重试。";

const char* const TransferDialogModel::kBusyText = "计算器正忙：上一次传输正在结束，请稍后再试。";

// The set-up's messages and questions, asked on the worker thread and shown
// with the dialog's prompter on the dialog's thread. Once the dialog has gone
// (cancelled or closed) nothing is shown and every question is answered no.
class TransferDialogModel::WindowPrompter : public Prompter {
public:
    explicit WindowPrompter(Shared& shared) : shared_(shared) {}
    void message(std::string_view utf8Text, PromptIcon kind = PromptIcon::Warning) override {
        Item item;
        item.prompt = [text = std::string(utf8Text), kind](Prompter& p) { p.message(text, kind); };
        shared_.post(std::move(item));
    }
    bool askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon icon) override {
        auto answer = std::make_shared<bool>(false);
        Item item;
        item.prompt = [answer, text = std::string(utf8Text), defaultYes, icon](Prompter& p) {
            *answer = p.askYesNo(text, defaultYes, icon);
        };
        shared_.post(std::move(item));
        return *answer;
    }
    PasswordAnswer askPassword(PasswordDialogMode, std::string_view) override { return {}; }

private:
    Shared& shared_;
};

TransferDialogModel::TransferDialogModel(CalculatorLink& link, Prompter& prompter, std::function<void()> wake)
    : link_(link), prompter_(prompter), status_(link), shared_(std::make_shared<Shared>(link)) {
    shared_->wake = std::move(wake);
    Shared* shared = shared_.get();  // the worker holds it alive while it runs
    shared_->session.setNoticeSink([shared](const TransferNotice& n) { shared->queueNotice(n); });
    shared_->session.setEndHook([shared] {
        std::lock_guard lock(shared->mutex);  // a waiter is either before its check or asleep
        shared->cv.notify_all();
        if (!shared->released && shared->wake) shared->wake();
    });
}

TransferDialogModel::~TransferDialogModel() {
    // No wait: a running worker stops on its own, aborts and closes the link,
    // and keeps the shared state until it has ended.
    if (shared_->session.requestCancel()) status_.closeOnDestruction = false;  // the worker closes it
    shared_->release();
}

void TransferDialogModel::Shared::release() {
    {
        std::lock_guard lock(mutex);
        released = true;  // a worker waiting on an item goes on and sees the cancel
        queue.clear();    // never handled now: a question's answer stays no
    }
    cv.notify_all();
}

bool TransferDialogModel::Shared::post(Item item) {
    std::unique_lock lock(mutex);
    if (released) return false;
    queue.push_back(std::move(item));
    std::uint64_t mine = ++posted;
    cv.notify_all();
    // Under the lock, so that a model being destroyed never sees a late wake.
    if (wake) wake();
    // Synchronous: the worker goes on once the item was handled.
    cv.wait(lock, [&] { return released || handled >= mine; });
    return handled >= mine;
}

void TransferDialogModel::Shared::queueNotice(const TransferNotice& n) {
    Item item;
    item.notice = n;
    post(std::move(item));
}

void TransferDialogModel::pumpNotices() {
    // Only the items already queued: the worker posts its next notice as soon as
    // one is handled, and a pump that followed it would run the whole transfer on
    // the caller's thread without ever returning to the window's event loop.
    Shared& s = *shared_;
    std::size_t pending;
    {
        std::lock_guard lock(s.mutex);
        pending = s.queue.size();
    }
    for (; pending > 0; --pending) {
        Item item;
        {
            std::lock_guard lock(s.mutex);
            if (s.released || s.queue.empty()) return;
            item = std::move(s.queue.front());
            s.queue.pop_front();
        }
        if (item.prompt)
            item.prompt(prompter_);
        else if (item.setUpEnded)
            handleSetUpEnded(*item.setUpEnded);
        else
            handleNotice(item.notice);
        {
            std::lock_guard lock(s.mutex);
            ++s.handled;
        }
        s.cv.notify_all();
    }
}

void TransferDialogModel::waitForNotices(int timeoutMs) {
    {
        std::unique_lock lock(shared_->mutex);
        shared_->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return !shared_->queue.empty() || !shared_->session.running(); });
    }
    pumpNotices();
}

void TransferDialogModel::runWorkerToEnd() {
    while (shared_->session.running()) waitForNotices(100);
    pumpNotices();
}

void TransferDialogModel::startOnWorker() {
    if (!startEnabled_ || result_ != Result::None) return;
    startEnabled_ = false;
    settingUp_ = true;
    Shared* s = shared_.get();  // the worker holds it alive until it has ended
    auto transfer = [s, kind = kind, source = source, target = target, folder = folder](TransferSession& session) {
        WindowPrompter prompter(*s);
        CalculatorLink& link = session.link();
        LinkStatus status(link);
        status.closeOnDestruction = false;  // the link stays open for the data phase
        auto setUpEnded = [s](SetUp how) {
            Item item;
            item.setUpEnded = how;
            s->post(std::move(item));
        };
        bool ready = false;
        if (!session.cancelRequested()) {
            if (!link.isOpen() && link.OpenLink()) link.CheckLink(status);
            ready = !session.cancelRequested() &&
                    (kind == TransferKind::Send ? PrepareUpload(session, status, prompter, source, folder, target)
                                                : PrepareDownload(session, target, status, prompter, folder, source));
        }
        if (!ready) {
            link.CloseLink();  // after a cancel, the session's end sends the abort first
            setUpEnded(SetUp::NotStarted);
            return;
        }
        setUpEnded(SetUp::Started);
        if (session.cancelRequested()) {  // cancelled during the set-up: the calculator waits for data
            session.file().close();
            session.notify({kNoticeCancelled, 0, {}});
            return;
        }
        if (kind == TransferKind::Send)
            UploadWorker(session);
        else
            DownloadWorker(session);
    };
    auto busy = [s] {
        WindowPrompter(*s).message(kBusyText);
        Item item;
        item.setUpEnded = SetUp::Busy;
        s->post(std::move(item));
    };
    // A worker of this or an earlier dialog that is still finishing owns the link:
    // the new one waits for it on its own thread.
    shared_->session.startWhenFree(std::move(transfer), std::move(busy), kLinkBusyWaitMs, shared_);
}

void TransferDialogModel::start() {
    startOnWorker();
    auto queued = [&] {
        std::lock_guard lock(shared_->mutex);
        return !shared_->queue.empty();
    };
    while (settingUp_ && (shared_->session.running() || queued())) waitForNotices(100);
    // A transfer that did not start: its thread is ending; the caller may
    // destroy the link as soon as this returns.
    if (result_ != Result::None || startEnabled_) shared_->session.waitForEnd(kLinkBusyWaitMs);
}

void TransferDialogModel::handleSetUpEnded(SetUp how) {
    settingUp_ = false;
    switch (how) {
    case SetUp::Started:
        break;
    case SetUp::NotStarted:
        result_ = Result::Cancel;  // the worker has closed the link
        startEnabled_ = true;
        break;
    case SetUp::Busy:
        startEnabled_ = true;
        break;
    }
}

void TransferDialogModel::cancel() {
    result_ = Result::Cancel;
    settingUp_ = false;
    // With a worker running, it aborts and closes the link on its own thread.
    // Without one, the abort waits for any worker still finishing, so it never
    // talks across a transfer.
    if (!shared_->session.requestCancel() && link_.claimForTransfer(kLinkBusyWaitMs)) {
        AbortTransfer(link_);
        link_.CloseLink();
        link_.endTransfer();
    }
    shared_->release();
}

void TransferDialogModel::handleNotice(const TransferNotice& n) {
    switch (n.code) {
    case kNoticeProgress:
        if (n.value >= 0 && n.value <= 100) {
            progress_ = n.value;
            percentText_ = text::format("%d%%", n.value);
        }
        break;
    case kNoticeFinished:
        if (n.value != 0) {
            progress_ = 100;
            percentText_ = "100%";
            if (beforeClosingMessage) beforeClosingMessage();
            prompter_.message("传输文件成功. ", PromptIcon::Information);
            result_ = Result::Ok;
        }
        break;
    case kNoticeCancelled:
    case kNoticeFailed:
        // The worker has sent the abort packets before this notice.
        if (beforeClosingMessage) beforeClosingMessage();
        if (!n.message.empty()) prompter_.message(n.message);
        prompter_.message(kRestartText);
        percentText_ = "0%";
        progress_ = 0;
        startEnabled_ = true;
        break;
    default:
        break;
    }
    if (onNotice) onNotice(n);
}

}  // namespace vornex::link
