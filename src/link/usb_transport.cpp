// The USB backend: libusb-1.0 on the first fx-9860G-family calculator
// (vendor 0x07CF, product 0x6101). Reads are bulk transfers with a time-out, so a
// waiting read sleeps in the kernel. Purging, frame reassembly and stall
// recovery live in the bulk transport (bulk_transport.h); this file only opens
// the device and moves bytes over its bulk endpoints.
#include <libusb.h>

#include <memory>
#include <string>

#include "link/bulk_transport.h"
#include "link/transport.h"

namespace vornex::link {

namespace {

constexpr std::uint16_t kVendorId = 0x07CF;
constexpr std::uint16_t kProductId = 0x6101;

BulkStatus statusOf(int rc) {
    switch (rc) {
        case 0: return BulkStatus::Ok;
        case LIBUSB_ERROR_TIMEOUT: return BulkStatus::Timeout;
        case LIBUSB_ERROR_PIPE: return BulkStatus::Stalled;
        case LIBUSB_ERROR_OVERFLOW: return BulkStatus::Overflow;
        case LIBUSB_ERROR_NO_DEVICE: return BulkStatus::Gone;
        default: return BulkStatus::Error;
    }
}

class LibusbPipe : public BulkPipe {
public:
    ~LibusbPipe() override { close(); }

    bool open(std::string& error) {
        int rc = libusb_init(&ctx_);
        if (rc != 0) {
            ctx_ = nullptr;
            return fail(error, "libusb_init", rc);
        }
        libusb_device** list = nullptr;
        ssize_t count = libusb_get_device_list(ctx_, &list);
        if (count < 0) return fail(error, "libusb_get_device_list", static_cast<int>(count));
        libusb_device* found = nullptr;
        for (ssize_t i = 0; i < count && !found; ++i) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == kVendorId && d.idProduct == kProductId)
                found = list[i];
        }
        if (!found) {
            libusb_free_device_list(list, 1);
            error = "no calculator (07cf:6101) on the USB bus";
            return false;
        }
        rc = libusb_open(found, &handle_);
        bool ok = rc == 0 && findEndpoints(found, error);
        libusb_free_device_list(list, 1);
        if (rc != 0) {
            handle_ = nullptr;
            return fail(error, "libusb_open", rc);
        }
        if (!ok) return false;
        if (libusb_kernel_driver_active(handle_, 0) == 1) {
            rc = libusb_detach_kernel_driver(handle_, 0);
            if (rc != 0) return fail(error, "libusb_detach_kernel_driver", rc);
            detached_ = true;
        }
        rc = libusb_claim_interface(handle_, 0);
        if (rc != 0) return fail(error, "libusb_claim_interface", rc);
        claimed_ = true;
        // Older models answer the check only after this vendor request.
        libusb_control_transfer(handle_, 0x41, 0x01, 0, 0, nullptr, 0, 1000);
        return true;
    }

    BulkResult readIn(unsigned char* buffer, std::size_t size, unsigned timeoutMs) override {
        int got = 0;
        // libusb treats a time-out of 0 as "wait for ever": the caller passes at least 1.
        int rc = libusb_bulk_transfer(handle_, in_, buffer, static_cast<int>(size), &got, timeoutMs);
        return result(rc, got);
    }

    BulkResult writeOut(const unsigned char* data, std::size_t size, unsigned timeoutMs) override {
        std::string copy(reinterpret_cast<const char*>(data), size);  // libusb takes a mutable buffer
        int done = 0;
        int rc = libusb_bulk_transfer(handle_, out_, reinterpret_cast<unsigned char*>(copy.data()),
                                      static_cast<int>(copy.size()), &done, timeoutMs);
        return result(rc, done);
    }

    bool clearHalt(bool inEndpoint) override {
        int rc = libusb_clear_halt(handle_, inEndpoint ? in_ : out_);
        if (rc != 0) last_ = std::string("libusb_clear_halt: ") + libusb_error_name(rc);
        return rc == 0;
    }

    std::string lastError() const override { return last_; }

private:
    BulkResult result(int rc, int bytes) {
        if (rc != 0) last_ = libusb_error_name(rc);
        return {statusOf(rc), bytes > 0 ? static_cast<std::size_t>(bytes) : 0};
    }

    static bool fail(std::string& error, const char* what, int rc) {
        error = std::string(what) + ": " + libusb_error_name(rc);
        return false;
    }

    bool findEndpoints(libusb_device* dev, std::string& error) {
        libusb_config_descriptor* cfg = nullptr;
        if (int rc = libusb_get_active_config_descriptor(dev, &cfg); rc != 0)
            return fail(error, "config descriptor", rc);
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

    void close() {
        if (handle_) {
            if (claimed_) libusb_release_interface(handle_, 0);
            if (detached_) libusb_attach_kernel_driver(handle_, 0);
            libusb_close(handle_);
        }
        handle_ = nullptr;
        claimed_ = detached_ = false;
        if (ctx_) libusb_exit(ctx_);
        ctx_ = nullptr;
    }

    libusb_context* ctx_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
    bool claimed_ = false;
    bool detached_ = false;
    unsigned char in_ = 0x82;
    unsigned char out_ = 0x01;
    std::string last_;
};

std::unique_ptr<BulkPipe> openLibusbPipe(std::string& error) {
    auto pipe = std::make_unique<LibusbPipe>();
    if (!pipe->open(error)) return nullptr;  // the destructor releases what was taken
    return pipe;
}

}  // namespace

std::unique_ptr<Transport> makeUsbTransport() { return makeBulkTransport(openLibusbPipe); }

}  // namespace vornex::link
