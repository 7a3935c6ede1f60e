// The calculator link: one open transport at a time, opened lazily by the
// operation that needs it, written one packet per call and read with a
// time-out. Also the small objects a transfer shares between the thread that
// starts it and its worker: the cancel event and the PC file being transferred.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "io/read.h"
#include "io/write.h"
#include "link/transport.h"

namespace vornex::link {

inline constexpr int kDefaultReplyTimeoutMs = 1000;
inline constexpr std::size_t kReplyBufferSize = 1024;

class CalculatorLink;

// The status block each calculator dialog or command owns: a text and a reply
// buffer. Destroying it closes the link, so the link never outlives its user.
struct LinkStatus {
    explicit LinkStatus(CalculatorLink& l) : link(l) {}
    ~LinkStatus();
    LinkStatus(const LinkStatus&) = delete;
    LinkStatus& operator=(const LinkStatus&) = delete;

    CalculatorLink& link;
    std::string text;
    std::array<char, kReplyBufferSize> buffer{};
    // Cleared when the link passes to a transfer worker that closes it itself.
    bool closeOnDestruction = true;
};

class CalculatorLink {
public:
    explicit CalculatorLink(TransportFactory factory, int replyTimeoutMs = kDefaultReplyTimeoutMs);
    ~CalculatorLink();
    CalculatorLink(const CalculatorLink&) = delete;
    CalculatorLink& operator=(const CalculatorLink&) = delete;

    // Opens the calculator; false when none could be opened (the reason in lastError()).
    bool OpenLink();
    // Sends the check packet; true when the calculator acknowledges.
    bool CheckLink(LinkStatus& status);
    // An open link is reused without a check; otherwise open, then check.
    bool ConnectLink(LinkStatus& status);
    void CloseLink();
    bool isOpen() const;

    // Purges stale input and writes the whole packet; 0 on a closed link.
    std::size_t WritePacket(std::string_view packet);
    // One reply of up to maxBytes (0 means 1024) within timeoutMs; 0 when nothing
    // arrived or the link is closed.
    std::size_t ReadReply(char* buffer, std::size_t maxBytes, int timeoutMs);
    // ReadReply into a string, with the link's reply time-out.
    std::string readReply(std::size_t maxBytes = kReplyBufferSize);

    // True when the link is open and the calculator's end has gone (see Transport).
    bool peerClosed() const;

    // Transfer workers in progress. A cancelled transfer's worker may still be
    // finishing its last packet and its abort on its own thread; a new command
    // must not use the link meanwhile.
    void beginTransfer();
    void endTransfer();
    bool busy() const;
    // Waits up to timeoutMs until no transfer worker uses the link; false when
    // one still does (the command then tells the user the calculator is busy).
    bool waitUntilFree(int timeoutMs);
    // waitUntilFree, then beginTransfer, in one step: false (counting nothing)
    // when another worker still uses the link after timeoutMs.
    bool claimForTransfer(int timeoutMs);
    // For a worker counted by beginTransfer before its thread ran: waits up to
    // timeoutMs until it is the only one; false when another still uses the link.
    bool waitUntilAlone(int timeoutMs);

    int replyTimeoutMs() const { return replyTimeoutMs_; }
    void setReplyTimeoutMs(int ms) { replyTimeoutMs_ = ms; }
    std::string lastError() const;

private:
    TransportFactory factory_;
    int replyTimeoutMs_;
    mutable std::mutex mutex_;  // one operation on the transport at a time
    std::unique_ptr<Transport> transport_;
    std::string lastError_;
    mutable std::mutex busyMutex_;
    std::condition_variable free_;
    int transfers_ = 0;
};

// The one link of the application, on the backend VORNEX_LINK names (USB when unset).
// It is never destroyed: a transfer worker still letting go of the calculator
// when the program ends keeps a valid link to the last.
CalculatorLink& processLink();

// At the program's end: waits until no transfer worker uses the link, at most
// two reply time-outs (the reply a cancelled worker is waiting for, then the
// one to its abort) and half a second. False when a worker still holds it.
bool waitForTransfersAtExit(CalculatorLink& link);

// Auto-reset event: set() by the cancel, poll() by the worker consumes it.
class CancelEvent {
public:
    void set();
    void reset();
    // True (and back to not signalled) when set; never waits.
    bool poll();
    // Waits up to timeoutMs for the event; consumes it when it came.
    bool wait(int timeoutMs);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
};

// The PC file of a transfer: read for an upload, written for a download. Both
// go through the io doors: only a regular file is read, and a download is
// written to a private temporary file beside the target and moved over it only
// when complete, so a failed or cancelled download never leaves a partial file
// nor destroys the file it would have replaced.
class TransferFile {
public:
    TransferFile() = default;
    ~TransferFile();
    TransferFile(const TransferFile&) = delete;
    TransferFile& operator=(const TransferFile&) = delete;

    bool openRead(const std::string& path);
    bool create(const std::string& path);  // the temporary beside `path`
    bool isOpen() const { return in_.isOpen() || out_.fd() >= 0; }
    std::uint64_t length() const { return length_; }
    // Reads up to n bytes; the count read.
    std::size_t read(char* buffer, std::size_t n);
    bool write(std::string_view bytes);
    // Download: moves the finished temporary over the target.
    bool commit();
    // Closes the file; an uncommitted download's temporary is removed.
    void close();
    // Why the last open, read, write or commit failed ("P is a directory",
    // "cannot write P: No space left on device").
    const std::string& errorMessage() const { return error_; }

private:
    io::InputFile in_;
    io::OutputFile out_;
    std::uint64_t length_ = 0;
    std::string error_;
};

}  // namespace vornex::link
