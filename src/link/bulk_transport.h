// The calculator link over a pair of USB bulk endpoints, apart from the USB
// library: purging stale input, collecting a reply that arrives in several bulk
// pieces into one whole frame, and recovering a stalled endpoint. The USB
// backend gives it a BulkPipe on libusb; tests give it a scripted one.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "link/transport.h"

namespace vornex::link {

enum class BulkStatus {
    Ok,        // `bytes` were moved
    Timeout,   // the time-out passed (some bytes may have been moved)
    Stalled,   // the endpoint halted (a USB stall); it stays halted until cleared
    Overflow,  // the device sent more than the buffer holds
    Gone,      // the device is no longer there
    Error,     // any other failure
};

struct BulkResult {
    BulkStatus status = BulkStatus::Ok;
    std::size_t bytes = 0;
};

// The two bulk endpoints of the open calculator.
class BulkPipe {
public:
    virtual ~BulkPipe() = default;
    // One bulk read of up to `size` bytes from the IN endpoint; timeoutMs >= 1.
    virtual BulkResult readIn(unsigned char* buffer, std::size_t size, unsigned timeoutMs) = 0;
    // One bulk write of the whole buffer to the OUT endpoint.
    virtual BulkResult writeOut(const unsigned char* data, std::size_t size, unsigned timeoutMs) = 0;
    // Clears the halt of the IN (or OUT) endpoint; false when that failed too.
    virtual bool clearHalt(bool inEndpoint) = 0;
    // Text of the last failure, for the link's error message.
    virtual std::string lastError() const = 0;
};

// Opens the device's pipe; nullptr with `error` set when there is none.
using BulkPipeOpener = std::function<std::unique_ptr<BulkPipe>(std::string& error)>;

inline constexpr unsigned kBulkWriteTimeoutMs = 2000;
inline constexpr int kMaxHaltClears = 3;  // per read or write: a device that stalls on and on has failed

// A Transport over the pipes `open` makes. A stalled endpoint is cleared and the
// transfer tried again, instead of failing until the calculator is replugged;
// a device that is gone marks the link closed by its peer.
std::unique_ptr<Transport> makeBulkTransport(BulkPipeOpener open);

}  // namespace vornex::link
