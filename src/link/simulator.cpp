#include "link/simulator.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vornex::link {

namespace fs = std::filesystem;

namespace {

bool safeComponent(const std::string& s) {
    if (s == "." || s == "..") return false;
    return std::none_of(s.begin(), s.end(), [](char c) { return c == '/' || c == '\\' || c == '\0'; });
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool writeFileAtomically(const fs::path& p, const std::string& bytes) {
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    fs::path tmp = p;
    tmp += ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out) return false;
    }
    fs::rename(tmp, p, ec);
    return !ec;
}

std::vector<std::string> one(std::string s) { return {std::move(s)}; }

std::vector<fs::path> sortedChildren(const fs::path& dir, bool folders) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (folders ? e.is_directory(ec) : e.is_regular_file(ec)) out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

CalcSimulator::CalcSimulator(fs::path storage, std::uint32_t capacity)
    : root_(std::move(storage)), capacity_(capacity) {}

void CalcSimulator::setFaults(const SimulatorFaults& f) {
    std::lock_guard lock(mutex_);
    faults_ = f;
}

SimulatorFaults CalcSimulator::faults() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::vector<std::string> CalcSimulator::hostPackets() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void CalcSimulator::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::uint32_t CalcSimulator::freeBytes() const {
    std::uintmax_t used = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec)) used += it->file_size(ec);
    }
    return used >= capacity_ ? 0 : static_cast<std::uint32_t>(capacity_ - used);
}

std::vector<std::string> CalcSimulator::receive(std::string_view packet) {
    std::lock_guard lock(mutex_);
    log_.emplace_back(packet);
    if (faults_.closeAfter == 0) return {};
    if (faults_.closeAfter > 0) --faults_.closeAfter;
    if (faults_.stallAfter == 0) return {};
    if (faults_.stallAfter > 0) --faults_.stallAfter;
    std::vector<std::string> replies = handle(packet);
    std::vector<std::string> out;
    for (auto& r : replies) {
        if (faults_.dropReplies > 0) {
            --faults_.dropReplies;
            continue;
        }
        if (faults_.garbageReplies > 0) {
            --faults_.garbageReplies;
            r = std::string("\x7f\xff" "GARBAGE", 9);
        }
        out.push_back(std::move(r));
    }
    return out;
}

void CalcSimulator::reset() {
    mode_ = Mode::Idle;
    uploadData_.clear();
    outgoing_.clear();
    outgoingNext_ = 0;
}

std::optional<fs::path> CalcSimulator::storagePath(const std::string& folder, const std::string& name) const {
    if (!safeComponent(folder) || name.empty() || !safeComponent(name)) return std::nullopt;
    return folder.empty() ? root_ / name : root_ / folder / name;
}

std::vector<std::string> CalcSimulator::handle(std::string_view raw) {
    auto p = parsePacket(raw);
    if (!p) return {};  // not a whole packet: a real calculator waits for more and times out
    const std::string negative04 = shortPacket(kTypeNegative, "04");
    switch (p->type) {
    case kTypeCheck:
    case kTypeTerminate:
        reset();
        return one(ackPacket());
    case kTypeCommand:
        return handleCommand(*p);
    case kTypeData:
        if (mode_ == Mode::UploadData) return handleData(raw, *p);
        return one(negative04);
    case kTypeRoleswap:
        switch (mode_) {
        case Mode::CapacityAcked:
            mode_ = Mode::CapacitySent;
            return one(commandPacket("4C", {"00", "00", freeBytes(), "", "", std::string(kStorageDevice)}));
        case Mode::DownloadAcked:
            mode_ = Mode::DownloadSending;
            return nextDownloadPacket();
        case Mode::ListingAcked:
            mode_ = Mode::ListingSending;
            return nextListingPacket();
        default:
            return {};
        }
    case kTypeAck:
        switch (mode_) {
        case Mode::CapacitySent:
            reset();
            return one(roleswapPacket());
        case Mode::UploadAsk:
            if (p->subtype != "01") return {};
            mode_ = Mode::UploadData;
            return one(ackPacket());
        case Mode::DownloadSending:
            return nextDownloadPacket();
        case Mode::ListingSending:
            return nextListingPacket();
        case Mode::DeleteAsk: {
            std::error_code ec;
            bool removed = fs::remove(uploadPath_, ec);
            reset();
            return one(removed ? ackPacket() : negative04);
        }
        case Mode::DeleteMissing:
            reset();
            return one(negative04);
        default:
            return {};
        }
    case kTypeNegative:
        if (mode_ == Mode::UploadAsk) {  // do not overwrite
            reset();
            return one(ackPacket());
        }
        return {};
    default:
        return {};
    }
}

std::vector<std::string> CalcSimulator::handleCommand(const ParsedPacket& p) {
    const std::string negative04 = shortPacket(kTypeNegative, "04");
    if (!p.extended) {  // command 00: end of a conversation
        reset();
        return one(ackPacket());
    }
    auto f = parseCommandData(p.data);
    if (!f) return one(negative04);
    reset();
    if (p.subtype == "4B") {
        mode_ = Mode::CapacityAcked;
        return one(ackPacket());
    }
    if (p.subtype == "51") return one(ackPacket());
    if (p.subtype == "4D") {
        // Root files first, then each folder followed by its files.
        for (const auto& file : sortedChildren(root_, false)) {
            std::error_code ec;
            auto size = static_cast<std::uint32_t>(fs::file_size(file, ec));
            outgoing_.push_back(commandPacket(
                "4E", {"00", "80", size, "", file.filename().string(), std::string(kStorageDevice)}));
        }
        for (const auto& dir : sortedChildren(root_, true)) {
            std::string folder = dir.filename().string();
            outgoing_.push_back(commandPacket("4E", {"00", "00", 0, folder, "", std::string(kStorageDevice)}));
            for (const auto& file : sortedChildren(dir, false)) {
                std::error_code ec;
                auto size = static_cast<std::uint32_t>(fs::file_size(file, ec));
                outgoing_.push_back(commandPacket(
                    "4E", {"00", "80", size, folder, file.filename().string(), std::string(kStorageDevice)}));
            }
        }
        mode_ = Mode::ListingAcked;
        return one(ackPacket());
    }
    auto path = storagePath(f->folder, f->name);
    if (p.subtype == "45") {
        if (!path || f->fileSize > capacity_) return one(negative04);
        uploadPath_ = *path;
        uploadSize_ = f->fileSize;
        uploadNext_ = 1;
        std::error_code ec;
        if (fs::exists(*path, ec)) {
            mode_ = Mode::UploadAsk;
            return one(shortPacket(kTypeNegative, "02"));
        }
        mode_ = Mode::UploadData;
        return one(ackPacket());
    }
    if (p.subtype == "44") {
        std::error_code ec;
        if (!path || !fs::is_regular_file(*path, ec)) return one(negative04);
        std::string bytes = readFile(*path);
        outgoing_.push_back(commandPacket("45", {"00", "80", static_cast<std::uint32_t>(bytes.size()), f->folder,
                                                 f->name, std::string(kStorageDevice)}));
        std::size_t total = (bytes.size() + kDownloadChunk - 1) / kDownloadChunk;
        for (std::size_t i = 0; i < total; ++i) {
            outgoing_.push_back(dataPacket("45", static_cast<unsigned>(total), static_cast<unsigned>(i + 1),
                                           std::string_view(bytes).substr(i * kDownloadChunk, kDownloadChunk)));
        }
        mode_ = Mode::DownloadAcked;
        return one(ackPacket());
    }
    if (p.subtype == "46") {
        std::error_code ec;
        if (path && fs::is_regular_file(*path, ec)) {
            uploadPath_ = *path;
            mode_ = Mode::DeleteAsk;
            return one(shortPacket(kTypeNegative, "02"));  // asks for the confirmation
        }
        mode_ = Mode::DeleteMissing;
        return one(negative04);
    }
    return one(negative04);
}

std::vector<std::string> CalcSimulator::handleData(std::string_view raw, const ParsedPacket& p) {
    if (faults_.resendRequests > 0) {
        --faults_.resendRequests;
        return one(shortPacket(kTypeNegative, "01"));
    }
    if (!checksumValid(raw)) return one(shortPacket(kTypeNegative, "01"));
    auto total = readHexField(p.data, 0, 4);
    auto number = readHexField(p.data, 4, 4);
    if (!total || !number) return one(shortPacket(kTypeNegative, "01"));
    if (*number + 1 == uploadNext_) return one(ackPacket());  // our ack was lost: a repeat
    if (*number != uploadNext_) {
        reset();
        return one(shortPacket(kTypeNegative, "04"));
    }
    uploadData_ += unescapePayload(std::string_view(p.data).substr(8));
    ++uploadNext_;
    if (uploadData_.size() > uploadSize_) {
        reset();
        return one(shortPacket(kTypeNegative, "04"));
    }
    if (*number >= *total) {
        bool ok = uploadData_.size() == uploadSize_ && writeFileAtomically(uploadPath_, uploadData_);
        reset();
        return one(ok ? ackPacket() : shortPacket(kTypeNegative, "04"));
    }
    return one(ackPacket());
}

std::vector<std::string> CalcSimulator::nextDownloadPacket() {
    if (outgoingNext_ < outgoing_.size()) return one(outgoing_[outgoingNext_++]);
    reset();
    return one(roleswapPacket());
}

std::vector<std::string> CalcSimulator::nextListingPacket() { return nextDownloadPacket(); }

bool CalcSimulator::linkClosed() const {
    std::lock_guard lock(mutex_);
    return faults_.closeAfter == 0;
}

}  // namespace vornex::link
