// Fuzzes the calculator link from the calculator's side: every reply parser on
// the raw input, then a whole download from the simulated calculator whose
// replies are damaged as the input says (passed, cut short, bytes changed,
// replaced or dropped). The transfer must end, cleanly, within its time-outs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

#include "link/calculator_link.h"
#include "link/packet.h"
#include "link/simulator.h"
#include "link/storage.h"
#include "link/transport.h"

namespace {

using namespace vornex::link;
namespace fs = std::filesystem;

// Reads the fuzz input as a stream of small decisions.
struct Script {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    bool empty() const { return pos >= size; }
    std::uint8_t byte() { return empty() ? 0 : data[pos++]; }
    std::string bytes(std::size_t n) {
        n = std::min(n, size - pos);
        std::string s(reinterpret_cast<const char*>(data + pos), n);
        pos += n;
        return s;
    }
};

// The simulator's transport with each reply altered by the script.
class DamagingTransport : public Transport {
public:
    DamagingTransport(std::shared_ptr<CalcSimulator> sim, Script& script)
        : inner_(makeSimTransport(std::move(sim))), script_(script) {}
    bool open() override { return inner_->open(); }
    void close() override { inner_->close(); }
    std::size_t write(std::string_view packet) override { return inner_->write(packet); }
    std::size_t read(char* buffer, std::size_t maxBytes, int timeoutMs) override {
        std::size_t n = inner_->read(buffer, maxBytes, timeoutMs);
        if (script_.empty()) return n;
        switch (script_.byte() % 5) {
            case 0:
                return n;  // passed unchanged
            case 1:
                return n == 0 ? 0 : script_.byte() % n;  // cut short
            case 2:
                if (n > 0) buffer[script_.byte() % n] = static_cast<char>(script_.byte());
                return n;
            case 3: {
                std::string s = script_.bytes(std::min<std::size_t>(maxBytes, script_.byte() * 4u));
                std::copy(s.begin(), s.end(), buffer);
                return s.size();
            }
            default:
                return 0;  // dropped
        }
    }

private:
    std::unique_ptr<Transport> inner_;
    Script& script_;
};

const fs::path& workDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("vornex-fuzz-link-" + std::to_string(::getpid()));
        fs::create_directories(d / "calc" / "ROAD");
        fs::create_directories(d / "pc");
        std::string content;
        for (int i = 0; i < 3000; ++i) content.push_back(static_cast<char>(i * 7));
        FILE* f = std::fopen((d / "calc" / "ROAD" / "A.rod").c_str(), "wb");
        if (f) {
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    (void)frameLength(raw);
    (void)dataPacketPayload(raw);
    (void)parseListingEntry(raw);
    if (auto p = parsePacket(raw)) (void)parseCommandData(p->data);
    (void)checksumValid(raw);

    Script script{data, size};
    auto sim = std::make_shared<CalcSimulator>(workDir() / "calc");
    CalculatorLink link([&] { return std::make_unique<DamagingTransport>(sim, script); }, 2);
    vornex::DefaultAnswerPrompter prompter;
    TransferDialogModel d(link, prompter);
    d.kind = TransferKind::Receive;
    d.folder = "ROAD";
    d.source = "A.rod";
    d.target = (workDir() / "pc" / "A.rod").string();
    d.start();
    d.runWorkerToEnd();
    return 0;
}
