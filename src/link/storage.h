// Storage-memory operations of an fx-9860G-family calculator: sending a PC file,
// receiving a calculator file, the capacity check and optimizing. Sending and
// receiving hand their data phase to a worker thread (UploadWorker,
// DownloadWorker) that reports TransferNotice codes; TransferDialogModel is the
// transfer dialog's behaviour without a window, so the Qt dialog only paints it.
//
// Names (folders, calculator file names) are UTF-8 here and travel as GBK.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/calculator_link.h"
#include "model/prompter.h"

namespace vornex::link {

enum class TransferKind { Send = 0, Receive = 1 };

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

inline constexpr std::size_t kDownloadBufferSize = 64 * 1024;
inline constexpr std::size_t kDownloadWriteBlock = 63488;  // written once the buffer holds this much
inline constexpr int kDownloadReadTries = 5;
inline constexpr std::size_t kMaxTargetNameBytes = 12;
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

// The set-up exchange of an upload of `sourcePath` as `targetName` (the
// source's file name when empty) into `folder` (root when empty): the checks,
// the capacity query and the announcement, with the overwrite question. True
// when the calculator waits for the data (UploadWorker); false after telling
// the user why. Runs on whichever thread then runs the worker.
bool PrepareUpload(TransferSession& session, LinkStatus& status, Prompter& prompter, const std::string& sourcePath,
                   const std::string& folder, const std::string& targetName);
void UploadWorker(TransferSession& session);

// The set-up of a download of `sourceName` of `folder` to `pcPath`: the PC
// file question, the file created, the download request. True when the
// calculator is ready to send (DownloadWorker).
bool PrepareDownload(TransferSession& session, const std::string& pcPath, LinkStatus& status, Prompter& prompter,
                     const std::string& folder, const std::string& sourceName);
void DownloadWorker(TransferSession& session);

// The optimize command: waits up to kLinkBusyWaitMs for a finishing transfer
// worker, then the exchange below, and tells the user.
bool OptimizeStorageCommand(CalculatorLink& link, Prompter& prompter);
// The optimize exchange, for the thread that owns the link: its own status
// block, opens and checks the link when closed, sends the optimize command and
// closes the link. False when the calculator could not be reached.
bool OptimizeStorageExchange(CalculatorLink& link);
inline constexpr const char* kOptimizeStartedText = "计算器存储内存正在优化...";
inline constexpr const char* kOptimizeFailedText = "不能打开计算器端口。";

// The transfer dialog without a window. The caller sets kind, source, target,
// folder and caption, then calls startOnWorker() (a window) or start(). The
// whole transfer, its set-up exchange included, runs on one worker thread. The
// worker's notices, and the messages and questions of the set-up, are queued
// and the worker waits until they were handled (the notice is synchronous);
// `wake` is called on the worker thread whenever something is queued, and the
// window's thread then calls pumpNotices(), which shows them with the prompter
// on that thread.
//
// Contract for the window (no call below ever waits on the link or the worker):
// - startOnWorker() returns at once; the link is opened, checked and claimed on
//   the worker thread. A transfer that did not start ends the dialog (Cancel)
//   once its set-up has told the user why; a busy link returns it to idle.
// - cancel() with a running worker (set-up or data phase) returns at once. It
//   marks the dialog cancelled and asks the worker to stop; the worker, on its
//   own thread, sends the abort packets and closes the link. Without a running
//   worker cancel() sends them itself, once no other worker uses the link (a
//   window calls it off its own thread then).
// - The model may be destroyed at any time, also while the worker runs (the
//   window closed): that cancels as cancel() does and returns at once. The
//   worker keeps the state it shares with the model until it has ended; `wake`
//   is never called once the model is gone.
// - Until that worker has ended the link is busy: the worker of any new
//   dialog, and the explorer's and optimize commands, wait up to
//   kLinkBusyWaitMs for it and then say "计算器正忙…" instead of touching the
//   link. A window can ask CalculatorLink::busy() first to avoid even that wait.
class TransferDialogModel {
public:
    enum class Result { None, Ok, Cancel };

    TransferDialogModel(CalculatorLink& link, Prompter& prompter, std::function<void()> wake = {});
    ~TransferDialogModel();
    TransferDialogModel(const TransferDialogModel&) = delete;
    TransferDialogModel& operator=(const TransferDialogModel&) = delete;

    TransferKind kind = TransferKind::Send;
    std::string caption;
    std::string source;  // send: the PC path; receive: the calculator file name
    std::string target;  // send: the calculator file name; receive: the PC path
    std::string folder;  // calculator folder, empty for the root

    // "开始" of a window: starts the set-up and the transfer on the worker thread.
    void startOnWorker();
    // "开始" with the set-up waited for on the caller's thread (command line,
    // tests): startOnWorker(), then the set-up's questions and messages handled
    // here until the data phase runs or the dialog has ended (Cancel) because
    // the transfer did not start.
    void start();
    // "取消": ends the dialog with the cancel result at once; the abort packets and
    // the closing of the link follow on the worker's thread (or here, without one).
    void cancel();
    // Handles the notices queued so far on the caller's thread (not the ones the
    // worker posts meanwhile), then returns to the caller's event loop.
    void pumpNotices();
    // Waits up to timeoutMs for a notice (or the worker's end), then pumps.
    void waitForNotices(int timeoutMs);
    // Handles notices until the worker has ended (command line, tests).
    void runWorkerToEnd();

    bool startEnabled() const { return startEnabled_; }
    // True from "开始" until the set-up exchange has ended.
    bool settingUp() const { return settingUp_; }
    int progress() const { return progress_; }
    const std::string& percentText() const { return percentText_; }
    Result result() const { return result_; }
    bool workerRunning() const { return shared_->session.running(); }
    // Waits up to timeoutMs for the worker to end (command line, tests); true
    // when none runs.
    bool waitForWorkerEnd(int timeoutMs) { return shared_->session.waitForEnd(timeoutMs); }
    // True while the dialog stays open: no result yet.
    bool open() const { return result_ == Result::None; }

    // Called after each handled notice (progress display of the command line).
    std::function<void(const TransferNotice&)> onNotice;
    // Called on the dialog's thread just before the closing message of a
    // transfer (success or failure), so a window shows the final progress
    // behind the message box rather than the last value it painted.
    std::function<void()> beforeClosingMessage;

    static const char* const kRestartText;
    static const char* const kBusyText;

private:
    // What the worker hands to the dialog's thread: a notice, a message or
    // question of the set-up (run with the dialog's prompter), or the set-up's end.
    enum class SetUp { Started, NotStarted, Busy };
    struct Item {
        TransferNotice notice;
        std::function<void(Prompter&)> prompt;
        std::optional<SetUp> setUpEnded;
    };
    // What the worker shares with the dialog; the worker holds it until it ends.
    struct Shared {
        explicit Shared(CalculatorLink& link) : session(link) {}
        TransferSession session;
        std::function<void()> wake;
        std::mutex mutex;
        std::condition_variable cv;
        std::deque<Item> queue;
        std::uint64_t posted = 0;
        std::uint64_t handled = 0;
        bool released = false;  // cancelled or destroyed: items no longer wait, wake is not called
        // Queues an item and waits until it was handled; false when the dialog
        // had gone before (the item was dropped).
        bool post(Item item);
        void queueNotice(const TransferNotice& n);
        void release();
    };
    class WindowPrompter;
    void handleNotice(const TransferNotice& n);
    void handleSetUpEnded(SetUp how);

    CalculatorLink& link_;
    Prompter& prompter_;
    LinkStatus status_;  // closes the link with the dialog, unless a cancelled worker does
    std::shared_ptr<Shared> shared_;

    bool startEnabled_ = true;
    bool settingUp_ = false;
    int progress_ = 0;
    std::string percentText_ = "0%";
    Result result_ = Result::None;
};

}  // namespace vornex::link
