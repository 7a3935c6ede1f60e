// The storage-memory protocol: setting up and running an upload or a download
// on the calculator, and optimizing its storage memory.
#include "link/storage.h"

#include <algorithm>

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

}  // namespace vornex::link
