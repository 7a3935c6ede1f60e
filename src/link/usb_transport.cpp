// The USB backend: libusb-1.0 on the first fx-9860G-family calculator
// (vendor 0x07CF, product 0x6101). Reads are bulk transfers with a time-out, so a
// waiting read sleeps in the kernel. The calculator may deliver one packet in
// several bulk pieces; a read collects pieces until a whole frame is there.
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "link/packet.h"
#include "link/transport.h"

namespace vornex::link {

namespace {

constexpr std::uint16_t kVendorId = 0x07CF;
constexpr std::uint16_t kProductId = 0x6101;
constexpr int kWriteTimeoutMs = 2000;

class UsbTransport : public Transport {
public:
    ~UsbTransport() override { close(); }

    bool open() override {
        close();
        int rc = libusb_init(&ctx_);
        if (rc != 0) {
            ctx_ = nullptr;
            return fail("libusb_init", rc);
        }
        libusb_device** list = nullptr;
        ssize_t count = libusb_get_device_list(ctx_, &list);
        if (count < 0) {
            fail("libusb_get_device_list", static_cast<int>(count));
            close();
            return false;
        }
        libusb_device* found = nullptr;
        for (ssize_t i = 0; i < count && !found; ++i) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == kVendorId && d.idProduct == kProductId)
                found = list[i];
        }
        if (!found) {
            libusb_free_device_list(list, 1);
            error_ = "no calculator (07cf:6101) on the USB bus";
            close();
            return false;
        }
        rc = libusb_open(found, &handle_);
        bool ok = rc == 0 && findEndpoints(found);
        libusb_free_device_list(list, 1);
        if (rc != 0) {
            handle_ = nullptr;
            fail("libusb_open", rc);
            close();
            return false;
        }
        if (!ok) {
            close();
            return false;
        }
        if (libusb_kernel_driver_active(handle_, 0) == 1) {
            rc = libusb_detach_kernel_driver(handle_, 0);
            if (rc != 0) {
                fail("libusb_detach_kernel_driver", rc);
                close();
                return false;
            }
            detached_ = true;
        }
        rc = libusb_claim_interface(handle_, 0);
        if (rc != 0) {
            fail("libusb_claim_interface", rc);
            close();
            return false;
        }
        claimed_ = true;
        // Older models answer the check only after this vendor request.
        libusb_control_transfer(handle_, 0x41, 0x01, 0, 0, nullptr, 0, 1000);
        return true;
    }

    void close() override {
        if (handle_) {
            if (claimed_) libusb_release_interface(handle_, 0);
            if (detached_) libusb_attach_kernel_driver(handle_, 0);
            libusb_close(handle_);
        }
        handle_ = nullptr;
        claimed_ = detached_ = false;
        if (ctx_) libusb_exit(ctx_);
        ctx_ = nullptr;
        pending_.clear();
    }

    std::size_t write(std::string_view packet) override {
        if (!handle_) return 0;
        purge();
        int done = 0;
        std::string copy(packet);
        int rc = libusb_bulk_transfer(handle_, out_, reinterpret_cast<unsigned char*>(copy.data()),
                                      static_cast<int>(copy.size()), &done, kWriteTimeoutMs);
        if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT) fail("write", rc);
        return done < 0 ? 0 : static_cast<std::size_t>(done);
    }

    std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) override {
        if (!handle_ || maxBytes == 0) return 0;
        using clock = std::chrono::steady_clock;
        auto deadline = clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
        for (;;) {
            if (auto whole = pending_.take()) return deliver(*whole, buffer, maxBytes);
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            if (left <= 0) break;
            unsigned char piece[4096];
            int got = 0;
            // libusb treats a time-out of 0 as "wait for ever": always pass at least 1.
            int rc = libusb_bulk_transfer(handle_, in_, piece, sizeof piece, &got, static_cast<unsigned>(left));
            if (got > 0) pending_.append({reinterpret_cast<char*>(piece), static_cast<std::size_t>(got)});
            if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT && rc != LIBUSB_ERROR_OVERFLOW) {
                fail("read", rc);
                break;
            }
        }
        // Time is up: hand over what arrived (an incomplete frame the caller rejects).
        return deliver(pending_.drain(), buffer, maxBytes);
    }

private:
    bool fail(const char* what, int rc) {
        error_ = std::string(what) + ": " + libusb_error_name(rc);
        return false;
    }

    bool findEndpoints(libusb_device* dev) {
        libusb_config_descriptor* cfg = nullptr;
        if (int rc = libusb_get_active_config_descriptor(dev, &cfg); rc != 0) return fail("config descriptor", rc);
        in_ = 0x82;
        out_ = 0x01;  // the known models' endpoints, used when the descriptor names none
        if (cfg->bNumInterfaces > 0 && cfg->interface[0].num_altsetting > 0) {
            const libusb_interface_descriptor& alt = cfg->interface[0].altsetting[0];
            for (int i = 0; i < alt.bNumEndpoints; ++i) {
                const libusb_endpoint_descriptor& ep = alt.endpoint[i];
                if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) continue;
                if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN)
                    in_ = ep.bEndpointAddress;
                else
                    out_ = ep.bEndpointAddress;
            }
        }
        libusb_free_config_descriptor(cfg);
        return true;
    }

    // Drops bytes nobody waited for: what is buffered and what the device holds.
    void purge() {
        pending_.clear();
        unsigned char scratch[4096];
        for (int i = 0; i < 64; ++i) {
            int got = 0;
            int rc = libusb_bulk_transfer(handle_, in_, scratch, sizeof scratch, &got, 1);
            if (rc != 0 || got <= 0) break;
        }
    }

    static std::size_t deliver(const std::string& bytes, char* buffer, std::size_t maxBytes) {
        std::size_t n = std::min(maxBytes, bytes.size());
        std::memcpy(buffer, bytes.data(), n);
        return n;
    }

    libusb_context* ctx_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    bool claimed_ = false;
    bool detached_ = false;
    unsigned char in_ = 0x82;
    unsigned char out_ = 0x01;
    FrameBuffer pending_;
};

}  // namespace

std::unique_ptr<Transport> makeUsbTransport() { return std::make_unique<UsbTransport>(); }

}  // namespace vornex::link
