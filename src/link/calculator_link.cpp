#include "link/calculator_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <random>

#include "link/packet.h"

namespace vornex::link {

LinkStatus::~LinkStatus() {
    if (closeOnDestruction) link.CloseLink();
}

CalculatorLink::CalculatorLink(TransportFactory factory, int replyTimeoutMs)
    : factory_(std::move(factory)), replyTimeoutMs_(replyTimeoutMs) {}

CalculatorLink::~CalculatorLink() { CloseLink(); }

bool CalculatorLink::OpenLink() {
    std::lock_guard lock(mutex_);
    if (transport_) return true;
    if (!factory_) {
        lastError_ = "no link configured";
        return false;
    }
    auto t = factory_();
    if (!t || !t->open()) {
        lastError_ = t ? t->lastError() : "no link configured";
        return false;
    }
    lastError_.clear();
    transport_ = std::move(t);
    return true;
}

bool CalculatorLink::CheckLink(LinkStatus& status) {
    if (!isOpen()) {
        status.text = "USB设备没有初始化.";
        return false;
    }
    WritePacket(checkPacket());
    std::size_t n = ReadReply(status.buffer.data(), status.buffer.size(), replyTimeoutMs_);
    return n > 0 && static_cast<unsigned char>(status.buffer[0]) == kTypeAck;
}

bool CalculatorLink::ConnectLink(LinkStatus& status) {
    if (isOpen()) return true;
    if (!OpenLink()) return false;
    return CheckLink(status);
}

void CalculatorLink::CloseLink() {
    std::lock_guard lock(mutex_);
    if (transport_) transport_->close();
    transport_.reset();
}

bool CalculatorLink::isOpen() const {
    std::lock_guard lock(mutex_);
    return transport_ != nullptr;
}

bool CalculatorLink::peerClosed() const {
    std::lock_guard lock(mutex_);
    return transport_ && transport_->peerClosed();
}

void CalculatorLink::beginTransfer() {
    std::lock_guard lock(busyMutex_);
    ++transfers_;
}

void CalculatorLink::endTransfer() {
    std::lock_guard lock(busyMutex_);
    if (transfers_ > 0) --transfers_;
    free_.notify_all();
}

bool CalculatorLink::busy() const {
    std::lock_guard lock(busyMutex_);
    return transfers_ > 0;
}

bool CalculatorLink::waitUntilFree(int timeoutMs) {
    std::unique_lock lock(busyMutex_);
    return free_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] { return transfers_ == 0; });
}

bool CalculatorLink::claimForTransfer(int timeoutMs) {
    std::unique_lock lock(busyMutex_);
    if (!free_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] { return transfers_ == 0; }))
        return false;
    ++transfers_;
    return true;
}

bool CalculatorLink::waitUntilAlone(int timeoutMs) {
    std::unique_lock lock(busyMutex_);
    return free_.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)), [&] { return transfers_ <= 1; });
}

std::string CalculatorLink::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

std::size_t CalculatorLink::WritePacket(std::string_view packet) {
    std::lock_guard lock(mutex_);
    if (!transport_ || packet.empty()) return 0;
    return transport_->write(packet);
}

std::size_t CalculatorLink::ReadReply(char* buffer, std::size_t maxBytes, int timeoutMs) {
    std::lock_guard lock(mutex_);
    if (!transport_ || !buffer) return 0;
    if (maxBytes == 0) maxBytes = kReplyBufferSize;
    return transport_->read(buffer, maxBytes, timeoutMs);
}

std::string CalculatorLink::readReply(std::size_t maxBytes) {
    if (maxBytes == 0) maxBytes = kReplyBufferSize;
    std::string buf(maxBytes, '\0');
    buf.resize(ReadReply(buf.data(), maxBytes, replyTimeoutMs_));
    return buf;
}

CalculatorLink& processLink() {
    // Made once and left to the end of the process, never destroyed by the exit
    // of main(): detached workers may still be finishing with it.
    static CalculatorLink* link = new CalculatorLink(transportFactoryFor(linkNameFromEnvironment()));
    return *link;
}

bool waitForTransfersAtExit(CalculatorLink& link) {
    return link.waitUntilFree(2 * std::max(link.replyTimeoutMs(), 0) + 500);
}

void CancelEvent::set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    cv_.notify_all();
}

void CancelEvent::reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool CancelEvent::poll() {
    std::lock_guard lock(mutex_);
    bool was = signalled_;
    signalled_ = false;
    return was;
}

bool CancelEvent::wait(int timeoutMs) {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return signalled_; });
    bool was = signalled_;
    signalled_ = false;
    return was;
}

TransferFile::~TransferFile() { close(); }

bool TransferFile::openRead(const std::string& path) {
    close();
    error_.clear();
    if (!in_.open(path)) {
        error_ = in_.error().message;
        return false;
    }
    length_ = in_.size();
    return true;
}

bool TransferFile::create(const std::string& path) {
    close();
    error_.clear();
    if (!out_.open(path)) {
        error_ = out_.error().message;
        return false;
    }
    return true;
}

std::size_t TransferFile::read(char* buffer, std::size_t n) {
    if (!in_.isOpen() || n == 0) return 0;
    const std::size_t got = in_.read(buffer, n);
    if (in_.failed()) error_ = in_.error().message;
    return got;
}

bool TransferFile::write(std::string_view bytes) {
    if (out_.fd() < 0) return false;
    if (!out_.write(bytes)) {
        error_ = out_.error().message;
        return false;
    }
    length_ += bytes.size();
    return true;
}

bool TransferFile::commit() {
    if (out_.fd() < 0) return false;
    const bool done = out_.commit();
    if (!done) error_ = out_.error().message;
    length_ = 0;
    return done;
}

void TransferFile::close() {
    in_.close();
    out_.discard();
    length_ = 0;
}

}  // namespace vornex::link
