// The byte pipe under the calculator protocol. A backend moves whole packets:
// write() discards stale input and sends one packet in one go; read() returns one
// whole reply (truncated to maxBytes) or nothing once the time-out has passed,
// waiting in a blocking call rather than spinning.
//
// Backends, chosen by a link text (the VORNEX_LINK environment variable or --link):
//   "usb" (or empty)   the first fx-9860G-family calculator on the USB bus
//   "sim:DIR"          an in-process simulated calculator storing into DIR
//   "seqpacket:PATH"   an external simulator on a Unix SOCK_SEQPACKET socket
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vornex::link {

class CalcSimulator;

class Transport {
public:
    virtual ~Transport() = default;
    // Opens the device; false (with lastError() set) when there is none or it is busy.
    virtual bool open() = 0;
    virtual void close() = 0;
    // Discards pending input, then writes the whole packet. Returns the bytes written.
    virtual std::size_t write(std::string_view packet) = 0;
    // One reply of at most maxBytes into buffer, or 0 when none arrived in timeoutMs.
    virtual std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) = 0;
    virtual std::string lastError() const { return error_; }
    // True once the calculator's end has gone (the device was unplugged or the
    // socket closed): a read that returned nothing did not merely time out.
    bool peerClosed() const { return peerClosed_; }

protected:
    std::string error_;
    std::atomic<bool> peerClosed_{false};
};

using TransportFactory = std::function<std::unique_ptr<Transport>()>;

std::unique_ptr<Transport> makeUsbTransport();
std::unique_ptr<Transport> makeSeqpacketTransport(std::string path);
// In-process simulator; several transports may share one simulator.
std::unique_ptr<Transport> makeSimTransport(std::shared_ptr<CalcSimulator> sim);

// The link text from VORNEX_LINK, "usb" when unset or empty.
std::string linkNameFromEnvironment();

// A factory for a link text; an empty function (with *error set) when the text
// names no backend.
TransportFactory transportFactoryFor(std::string_view linkName, std::string* error = nullptr);

}  // namespace vornex::link
