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

// One transfer: the link, the cancel event, the PC file and the worker thread.
class TransferSession {
public:
    explicit TransferSession(CalculatorLink& link, NoticeSink sink = {});
    ~TransferSession();  // waits for the worker
    TransferSession(const TransferSession&) = delete;
    TransferSession& operator=(const TransferSession&) = delete;

    CalculatorLink& link() { return link_; }
    CancelEvent& cancelEvent() { return cancel_; }
    TransferFile& file() { return file_; }
    void setNoticeSink(NoticeSink sink) { sink_ = std::move(sink); }
    // Called on the worker thread after the worker has ended.
    void setEndHook(std::function<void()> hook) { endHook_ = std::move(hook); }
    void notify(const TransferNotice& n);

    // Resets the cancel event and runs `worker` on its own thread.
    void start(std::function<void(TransferSession&)> worker);
    void join();
    bool running() const { return running_; }

private:
    CalculatorLink& link_;
    NoticeSink sink_;
    std::function<void()> endHook_;
    CancelEvent cancel_;
    TransferFile file_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

// Prepares and starts an upload of `sourcePath` as `targetName` (the source's
// file name when empty) into `folder` (root when empty). False, after telling
// the user why, when the worker was not started.
bool SendFileToStorage(TransferSession& session, LinkStatus& status, Prompter& prompter, const std::string& sourcePath,
                       const std::string& folder, const std::string& targetName);
void UploadWorker(TransferSession& session);

// Prepares and starts a download of `sourceName` of `folder` to `pcPath`.
bool ReceiveFileFromStorage(TransferSession& session, const std::string& pcPath, LinkStatus& status,
                            Prompter& prompter, const std::string& folder, const std::string& sourceName);
void DownloadWorker(TransferSession& session);

// The optimize command: its own status block, opens and checks the link when
// closed, sends the optimize command, closes the link and tells the user.
bool OptimizeStorageCommand(CalculatorLink& link, Prompter& prompter);

// The transfer dialog without a window. The caller sets kind, source, target,
// folder and caption, then calls start(). The worker's notices are queued and
// the worker waits until they were handled (the notice is synchronous); `wake`
// is called on the worker thread whenever a notice is queued, and the window's
// thread then calls pumpNotices(). cancel() never waits on a notice, so it
// cannot deadlock with a worker that is delivering one.
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

    // "开始": runs the transfer; the dialog ends at once (Cancel) when it did not start.
    void start();
    // "取消": stops the worker, sends the abort, closes the link, ends the dialog.
    void cancel();
    // Handles the notices queued so far on the caller's thread (not the ones the
    // worker posts meanwhile), then returns to the caller's event loop.
    void pumpNotices();
    // Waits up to timeoutMs for a notice (or the worker's end), then pumps.
    void waitForNotices(int timeoutMs);
    // Handles notices until the worker has ended (command line, tests).
    void runWorkerToEnd();

    bool startEnabled() const { return startEnabled_; }
    int progress() const { return progress_; }
    const std::string& percentText() const { return percentText_; }
    Result result() const { return result_; }
    bool workerRunning() const { return session_.running(); }
    // True while the dialog stays open: no result yet.
    bool open() const { return result_ == Result::None; }

    // Called after each handled notice (progress display of the command line).
    std::function<void(const TransferNotice&)> onNotice;

    static const char* const kRestartText;

private:
    void queueNotice(const TransferNotice& n);
    void handleNotice(const TransferNotice& n);

    CalculatorLink& link_;
    Prompter& prompter_;
    std::function<void()> wake_;
    LinkStatus status_;        // destroyed last: closes the link
    TransferSession session_;  // destroyed first: waits for the worker

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<TransferNotice> queue_;
    std::uint64_t posted_ = 0;
    std::uint64_t handled_ = 0;
    bool released_ = false;  // cancelled or destroyed: notices no longer wait

    bool startEnabled_ = true;
    int progress_ = 0;
    std::string percentText_ = "0%";
    Result result_ = Result::None;
};

}  // namespace vornex::link
