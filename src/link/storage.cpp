#include "link/storage.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "link/exchanges.h"
#include "text/text.h"

namespace vornex::link {

namespace {

const char* const kConnectFailed = "不能与计算器连接。\n请断开再重新连接计算器。";
const char* const kInterrupted = "传输中断。";
// Why a transfer stopped, after "传输中断。" or the download's message.
const char* const kReasonResendLimit = "原因：计算器连续要求重发同一数据包，已达到重发次数上限。";
const char* const kReasonClosed = "原因：计算器关闭了连接（计算器被断开或退出了接收模式）。";

std::string timeoutReason(const CalculatorLink& link) {
    return text::format("原因：计算器在%d毫秒内没有应答（超时）。", link.replyTimeoutMs());
}

// The reason why the last read of a link brought nothing.
std::string silenceReason(const CalculatorLink& link) {
    return link.peerClosed() ? kReasonClosed : timeoutReason(link);
}

std::string withReason(const char* what, const std::string& reason) { return std::string(what) + "\n" + reason; }
const char* const kTransferError = "传输错误";

// The largest file whose packet count still fits the four hex digits of a data packet.
constexpr std::uint64_t kMaxUploadBytes = 0xFFFFull * kRawChunkSize - 1;
// Far more than any storage memory holds.
constexpr std::uint64_t kMaxDownloadBytes = 64ull * 1024 * 1024;

std::string fileNameOf(const std::string& path) {
    auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace

// ---------------------------------------------------------------- session

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

// ---------------------------------------------------------------- upload

bool PrepareUpload(TransferSession& session, LinkStatus& status, Prompter& prompter, const std::string& sourcePath,
                   const std::string& folder, const std::string& targetName) {
    CalculatorLink& link = session.link();
    if (!link.isOpen() && !link.ConnectLink(status)) {
        prompter.message(kConnectFailed);
        return false;
    }
    if (sourcePath.empty()) {
        prompter.message("请指定源文件名。");
        return false;
    }
    TransferFile& file = session.file();
    if (!file.openRead(sourcePath)) {
        prompter.message(file.errorMessage());  // the path and what it is, or why it cannot be read
        prompter.message("不能打开指定文件.");
        return false;
    }
    std::string name = targetName.empty() ? fileNameOf(sourcePath) : targetName;
    std::string wireName = text::utf8ToGbk(name);
    if (wireName.size() > kMaxTargetNameBytes) {
        file.close();
        prompter.message(text::format("目标文件名太长: %s\n计算器只允许12个字符的文件名", name.c_str()));
        return false;
    }
    std::uint64_t length = file.length();
    if (length == 0) {
        file.close();
        prompter.message("文件长度为0");
        return false;
    }
    if (length > kMaxUploadBytes) {
        file.close();
        prompter.message("文件太大，计算器不能接收。");
        return false;
    }
    // A failed query gives -1, which as an unsigned number passes every length.
    auto capacity = static_cast<std::uint32_t>(QueryStorageCapacity(link));
    if (session.cancelRequested()) {  // cancelled meanwhile: no announcement follows
        file.close();
        return false;
    }
    if (capacity < length) {
        file.close();
        if (prompter.askYesNo("计算器空间不足，是否优化计算器存储内存。", false, PromptIcon::Question))
            OptimizeStorage(link);
        return false;
    }
    auto ask = [&] {
        return prompter.askYesNo(text::format("文件<%s>已经存在，是否覆盖？", name.c_str()), false,
                                 PromptIcon::Question);
    };
    switch (AnnounceUpload(link, text::utf8ToGbk(folder), static_cast<std::uint32_t>(length), wireName, ask)) {
    case AnnounceResult::Ready:
        return true;
    case AnnounceResult::Declined:
        file.close();
        return false;
    case AnnounceResult::Failed:
        break;
    }
    file.close();
    prompter.message(kTransferError);
    return false;
}

void UploadWorker(TransferSession& session) {
    TransferFile& file = session.file();
    CalculatorLink& link = session.link();
    auto fail = [&](const std::string& message) {
        file.close();
        session.notify({kNoticeFailed, 0, message});
    };
    if (!file.isOpen() || file.length() == 0) {
        file.close();
        session.notify({kNoticeFinished, 0, {}});
        return;
    }
    const std::uint64_t length = file.length();
    const unsigned total = uploadPacketCount(length);
    std::uint64_t sent = 0;
    char chunk[kRawChunkSize];
    for (unsigned i = 1; i <= total; ++i) {
        session.notify({kNoticeProgress, static_cast<int>((100ull * (i - 1)) / total + 1), {}});
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kRawChunkSize, length - sent));
        std::size_t got = file.read(chunk, want);
        if (got != want) return fail(kInterrupted);  // the file shrank under us
        sent += got;
        PacketResult r = SendDataPacket(link, dataPacket("45", total, i, std::string_view(chunk, got)),
                                        [&] { return session.cancelEvent().poll(); });
        switch (r) {
        case PacketResult::Acked:
            break;
        case PacketResult::NoReply:
            return fail(withReason(kInterrupted, timeoutReason(link)));
        case PacketResult::Closed:
            return fail(withReason(kInterrupted, kReasonClosed));
        case PacketResult::ResendLimit:
            return fail(withReason(kInterrupted, kReasonResendLimit));
        case PacketResult::Rejected:
            return fail(kTransferError);
        case PacketResult::Stopped:
            file.close();
            session.notify({kNoticeCancelled, 0, {}});
            return;
        }
        if (session.cancelEvent().poll()) {
            file.close();
            session.notify({kNoticeCancelled, 0, {}});
            return;
        }
    }
    file.close();
    session.notify({kNoticeFinished, 1, {}});
}

// ---------------------------------------------------------------- download

bool PrepareDownload(TransferSession& session, const std::string& pcPath, LinkStatus& status, Prompter& prompter,
                     const std::string& folder, const std::string& sourceName) {
    if (sourceName.empty()) {
        prompter.message("请指定源文件名。");
        return false;
    }
    if (pcPath.empty()) {
        prompter.message("请指定目标文件名。");
        return false;
    }
    // Only a regular file is asked about and replaced (a FIFO is never opened to look).
    const io::FileKind kind = io::kindOf(pcPath);
    if (kind == io::FileKind::Directory) {
        prompter.message("不能建立目标文件。");
        return false;
    }
    if (kind == io::FileKind::Regular &&
        !prompter.askYesNo(text::format("文件<%s>已经存在，是否覆盖？", pcPath.c_str()), false, PromptIcon::Question))
        return false;
    TransferFile& file = session.file();
    if (!file.create(pcPath)) {
        prompter.message("不能建立目标文件。\n" + file.errorMessage());
        return false;
    }
    CalculatorLink& link = session.link();
    if (!link.ConnectLink(status)) {
        file.close();
        prompter.message(kConnectFailed);
        return false;
    }
    if (session.cancelRequested()) {
        file.close();
        return false;
    }
    if (!RequestDownload(link, text::utf8ToGbk(folder), text::utf8ToGbk(sourceName))) {
        prompter.message("计算器上不能找到源文件。");
        file.close();
        return false;
    }
    return true;
}

void DownloadWorker(TransferSession& session) {
    TransferFile& file = session.file();
    CalculatorLink& link = session.link();
    auto fail = [&](const std::string& message) {
        file.close();
        session.notify({kNoticeFailed, 0, message});
    };
    link.WritePacket(roleswapPacket());
    std::string r = link.readReply(kReplyBufferSize);
    if (r.empty()) return fail(withReason("不能收到计算器上的文件信息。", silenceReason(link)));
    if (firstByte(r) != kTypeCommand) return fail("不能收到计算器上的文件信息。");
    const std::uint64_t size = readHexField(r, 12, 8).value_or(0);
    link.WritePacket(ackPacket());

    std::string buffer;
    buffer.reserve(kDownloadBufferSize);
    std::uint64_t received = 0;
    for (;;) {
        r.clear();
        for (int tries = 0; tries < kDownloadReadTries && r.empty(); ++tries) {
            r = link.readReply(kReplyBufferSize);
            if (r.empty() && session.cancelEvent().poll()) {  // a cancel does not wait out the retries
                file.close();
                session.notify({kNoticeCancelled, 0, {}});
                return;
            }
        }
        switch (firstByte(r)) {
        case kTypeData: {
            std::string payload = dataPacketPayload(r);
            // The announced size is not binding (0 is announced for data as well),
            // but a stream far beyond it is no file of storage memory: stop it
            // before it fills the disk.
            if (received + payload.size() > std::max<std::uint64_t>(size, kMaxDownloadBytes))
                return fail("不能收到文件数据。");
            buffer += payload;
            received += payload.size();
            if (buffer.size() >= kDownloadWriteBlock) {
                if (!file.write(buffer)) return fail(("不能建立目标文件。\n" + file.errorMessage()).c_str());
                buffer.clear();
            }
            int percent = size == 0 ? 100 : static_cast<int>(received * 100 / size);
            session.notify({kNoticeProgress, percent, {}});
            link.WritePacket(ackPacket());
            if (session.cancelEvent().poll()) {
                file.close();
                session.notify({kNoticeCancelled, 0, {}});
                return;
            }
            break;
        }
        case kTypeRoleswap: {
            if (!file.write(buffer) || !file.commit())
                return fail(("不能建立目标文件。\n" + file.errorMessage()).c_str());  // why: disk full, ...
            link.readReply(kReplyBufferSize);
            session.notify({kNoticeFinished, 1, {}});
            return;
        }
        default:
            if (r.empty()) return fail(withReason("不能收到文件数据。", silenceReason(link)));
            return fail("不能收到文件数据。");
        }
    }
}

// ---------------------------------------------------------------- optimize

bool OptimizeStorageCommand(CalculatorLink& link, Prompter& prompter) {
    if (!link.waitUntilFree(kLinkBusyWaitMs)) {
        prompter.message(TransferDialogModel::kBusyText);
        return false;
    }
    const bool sent = OptimizeStorageExchange(link);
    prompter.message(sent ? kOptimizeStartedText : kOptimizeFailedText);
    return sent;
}

bool OptimizeStorageExchange(CalculatorLink& link) {
    LinkStatus status(link);
    if (!link.isOpen() && !(link.OpenLink() && link.CheckLink(status))) {
        link.CloseLink();
        return false;
    }
    OptimizeStorage(link);
    link.CloseLink();
    return true;
}

// ---------------------------------------------------------------- dialog

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
