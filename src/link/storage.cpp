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

TransferSession::~TransferSession() { join(); }

void TransferSession::notify(const TransferNotice& n) {
    if (sink_) sink_(n);
}

void TransferSession::start(std::function<void(TransferSession&)> worker) {
    join();
    cancel_.reset();
    running_ = true;
    thread_ = std::thread([this, worker = std::move(worker)] {
        worker(*this);
        running_ = false;
        if (endHook_) endHook_();
    });
}

void TransferSession::join() {
    if (thread_.joinable()) thread_.join();
}

// ---------------------------------------------------------------- upload

bool SendFileToStorage(TransferSession& session, LinkStatus& status, Prompter& prompter, const std::string& sourcePath,
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
        session.start(UploadWorker);
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
    auto fail = [&](const char* message) {
        file.close();
        session.notify({kNoticeFailed, 0, message ? message : ""});
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
            return fail(kInterrupted);
        case PacketResult::ResendLimit:
            return fail(nullptr);
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

bool ReceiveFileFromStorage(TransferSession& session, const std::string& pcPath, LinkStatus& status,
                            Prompter& prompter, const std::string& folder, const std::string& sourceName) {
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
    if (!RequestDownload(link, text::utf8ToGbk(folder), text::utf8ToGbk(sourceName))) {
        prompter.message("计算器上不能找到源文件。");
        file.close();
        return false;
    }
    session.start(DownloadWorker);
    return true;
}

void DownloadWorker(TransferSession& session) {
    TransferFile& file = session.file();
    CalculatorLink& link = session.link();
    auto fail = [&](const char* message) {
        file.close();
        session.notify({kNoticeFailed, 0, message});
    };
    link.WritePacket(roleswapPacket());
    std::string r = link.readReply(kReplyBufferSize);
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
            return fail("不能收到文件数据。");
        }
    }
}

// ---------------------------------------------------------------- optimize

bool OptimizeStorageCommand(CalculatorLink& link, Prompter& prompter) {
    LinkStatus status(link);
    if (!link.isOpen() && !(link.OpenLink() && link.CheckLink(status))) {
        prompter.message("不能打开计算器端口。");
        link.CloseLink();
        return false;
    }
    OptimizeStorage(link);
    link.CloseLink();
    prompter.message("计算器存储内存正在优化...");
    return true;
}

// ---------------------------------------------------------------- dialog

const char* const TransferDialogModel::kRestartText =
    "传输没有完成。\n请重新启动计算器（按[AC]键，或按计算器背面的复位按钮），然后按“开始”重试。";

TransferDialogModel::TransferDialogModel(CalculatorLink& link, Prompter& prompter, std::function<void()> wake)
    : link_(link), prompter_(prompter), wake_(std::move(wake)), status_(link), session_(link) {
    session_.setNoticeSink([this](const TransferNotice& n) { queueNotice(n); });
    session_.setEndHook([this] {
        { std::lock_guard lock(mutex_); }  // a waiter is either before its check or asleep
        cv_.notify_all();
        if (wake_) wake_();
    });
}

TransferDialogModel::~TransferDialogModel() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    cv_.notify_all();
    if (session_.running()) {
        session_.cancelEvent().set();
        session_.join();
        AbortTransfer(link_);
    }
    session_.join();
}

void TransferDialogModel::queueNotice(const TransferNotice& n) {
    std::unique_lock lock(mutex_);
    if (released_) return;
    queue_.push_back(n);
    std::uint64_t mine = ++posted_;
    cv_.notify_all();
    lock.unlock();
    if (wake_) wake_();
    lock.lock();
    // The notice is synchronous: the worker goes on once it was handled.
    cv_.wait(lock, [&] { return released_ || handled_ >= mine; });
}

void TransferDialogModel::pumpNotices() {
    // Only the notices already queued: the worker posts its next notice as soon as
    // one is handled, and a pump that followed it would run the whole transfer on
    // the caller's thread without ever returning to the window's event loop.
    std::size_t pending;
    {
        std::lock_guard lock(mutex_);
        pending = queue_.size();
    }
    for (; pending > 0; --pending) {
        TransferNotice n;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            n = std::move(queue_.front());
            queue_.pop_front();
        }
        handleNotice(n);
        {
            std::lock_guard lock(mutex_);
            ++handled_;
        }
        cv_.notify_all();
    }
}

void TransferDialogModel::waitForNotices(int timeoutMs) {
    {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                     [&] { return !queue_.empty() || !session_.running(); });
    }
    pumpNotices();
}

void TransferDialogModel::runWorkerToEnd() {
    while (session_.running()) waitForNotices(100);
    pumpNotices();
}

void TransferDialogModel::start() {
    if (!startEnabled_ || result_ != Result::None) return;
    startEnabled_ = false;
    session_.join();  // a worker that failed before has ended by now
    if (!link_.isOpen() && link_.OpenLink()) link_.CheckLink(status_);
    bool started = kind == TransferKind::Send
                       ? SendFileToStorage(session_, status_, prompter_, source, folder, target)
                       : ReceiveFileFromStorage(session_, target, status_, prompter_, folder, source);
    if (started) return;
    result_ = Result::Cancel;
    link_.CloseLink();
    startEnabled_ = true;
}

void TransferDialogModel::cancel() {
    session_.cancelEvent().set();
    {
        std::lock_guard lock(mutex_);
        released_ = true;  // a worker waiting on a notice goes on and sees the cancel
    }
    cv_.notify_all();
    // The worker stops after its current packet; only then is the link touched here.
    session_.join();
    AbortTransfer(link_);
    link_.CloseLink();
    result_ = Result::Cancel;
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
            prompter_.message("传输文件成功. ");
            result_ = Result::Ok;
        }
        break;
    case kNoticeCancelled:
    case kNoticeFailed:
        if (!n.message.empty()) prompter_.message(n.message);
        AbortTransfer(link_);
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
