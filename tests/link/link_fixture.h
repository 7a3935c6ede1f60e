// A calculator link to an in-process simulated calculator, with short time-outs,
// and helpers to run a transfer dialog to its end.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "link/calculator_link.h"
#include "link/simulator.h"
#include "link/storage.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex::link::testing {

// Bytes of every value, 0x00 and 0x5C included, in an order that is not periodic in 256.
inline std::string patternBytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

// Answers the n-th write with the n-th scripted reply.
class ScriptTransport : public Transport {
public:
    explicit ScriptTransport(std::deque<std::string> replies) : replies_(std::move(replies)) {}
    bool open() override { return true; }
    void close() override {}
    std::size_t write(std::string_view p) override {
        pending_.clear();
        if (!replies_.empty()) {
            pending_ = replies_.front();
            replies_.pop_front();
        }
        return p.size();
    }
    std::size_t read(char* buffer, std::size_t maxBytes, int) override {
        std::size_t n = std::min(maxBytes, pending_.size());
        std::memcpy(buffer, pending_.data(), n);
        pending_.clear();
        return n;
    }

private:
    std::deque<std::string> replies_;
    std::string pending_;
};

struct SimBench {
    vornex::testing::TempDir dir;
    std::filesystem::path storage = dir / "calc";
    std::filesystem::path pc = dir / "pc";
    std::shared_ptr<CalcSimulator> sim;
    CalculatorLink link;
    vornex::testing::ScriptedPrompter prompter;
    std::vector<TransferNotice> notices;

    explicit SimBench(int timeoutMs = 60)
        : sim(makeSim()), link([s = sim] { return makeSimTransport(s); }, timeoutMs) {}
    // A worker of a dialog that has gone may still be finishing: the link outlives it.
    ~SimBench() { link.waitUntilFree(20000); }

    std::shared_ptr<CalcSimulator> makeSim() {
        std::filesystem::create_directories(storage);
        std::filesystem::create_directories(pc);
        return std::make_shared<CalcSimulator>(storage);
    }

    TransferDialogModel::Result run(TransferDialogModel& m) {
        m.onNotice = [this](const TransferNotice& n) { notices.push_back(n); };
        m.start();
        m.runWorkerToEnd();
        return m.result();
    }
    TransferDialogModel::Result upload(const std::filesystem::path& source, const std::string& folder,
                                       const std::string& name) {
        TransferDialogModel m(link, prompter);
        m.kind = TransferKind::Send;
        m.source = source.string();
        m.folder = folder;
        m.target = name;
        return run(m);
    }
    TransferDialogModel::Result download(const std::string& folder, const std::string& name,
                                         const std::filesystem::path& target) {
        TransferDialogModel m(link, prompter);
        m.kind = TransferKind::Receive;
        m.source = name;
        m.folder = folder;
        m.target = target.string();
        return run(m);
    }
    // The host's packets of one type, in order.
    std::vector<std::string> sent(unsigned char type) const {
        std::vector<std::string> out;
        for (auto& p : sim->hostPackets())
            if (!p.empty() && static_cast<unsigned char>(p[0]) == type) out.push_back(p);
        return out;
    }
    bool shown(const std::string& text) const {
        for (auto& s : prompter.shown)
            if (s == text) return true;
        return false;
    }
};

}  // namespace vornex::link::testing
