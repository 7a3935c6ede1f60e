// The transfer dialog's behaviour without a window: TransferDialogModel runs
// the set-up and the data phase of one upload or download on a worker thread
// and keeps the dialog's state, so the Qt dialog only paints it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "link/calculator_link.h"
#include "link/transfer_session.h"
#include "model/prompter.h"

namespace vornex::link {

enum class TransferKind { Send = 0, Receive = 1 };

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
