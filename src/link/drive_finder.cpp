#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "link/project_transfer.h"
#include "text/text.h"

namespace vornex::link {

namespace fs = std::filesystem;

namespace {

std::string readTrimmed(const fs::path& p) {
    std::ifstream in(p);
    std::string s;
    std::getline(in, s, '\0');
    return std::string(text::trim(s));
}

std::string envOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return (v && *v) ? v : fallback;
}

// Mount table fields use octal escapes for blanks and the like ("\040").
std::string decodeMountField(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.size() == 3 && std::all_of(oct.begin(), oct.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>(std::stoi(oct, nullptr, 8)));
                i += 3;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

// major:minor -> the first mount point of that device.
std::map<std::string, std::string> readMounts(const std::string& mountinfo) {
    std::map<std::string, std::string> mounts;
    std::ifstream in(mountinfo);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string id, parent, devno, root, point;
        if (!(fields >> id >> parent >> devno >> root >> point)) continue;
        mounts.emplace(devno, decodeMountField(point));
    }
    return mounts;
}

bool isColorGraphDisk(const fs::path& disk, const fs::path& sysRoot) {
    const fs::path device = disk / "device";
    if (readTrimmed(device / "vendor") == "CASIO" && readTrimmed(device / "model") == "ColorGraph") return true;
    std::error_code ec;
    fs::path p = fs::canonical(device, ec);
    if (ec) return false;
    const fs::path stop = fs::canonical(sysRoot, ec);
    for (; !p.empty() && p != p.root_path() && p != stop; p = p.parent_path()) {
        std::string vendor = readTrimmed(p / "idVendor");
        if (vendor.empty()) continue;
        std::string product = readTrimmed(p / "idProduct");
        return vendor == "07cf" && (product == "6102" || product == "6103");
    }
    return false;
}

// Kernel order of disk names: shorter first (sdz before sdaa), then by name.
bool lowerDeviceName(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// "8:17" as a device number.
unsigned long long parseDevice(const std::string& text) {
    unsigned major = 0, minor = 0;
    if (std::sscanf(text.c_str(), "%u:%u", &major, &minor) != 2) return 0;
    return static_cast<unsigned long long>(makedev(major, minor));
}

}  // namespace

ColorGraphDrive findColorGraph() {
    const fs::path sysRoot = envOr("VORNEX_SYSFS_ROOT", "/sys");
    const auto mounts = readMounts(envOr("VORNEX_MOUNTINFO", "/proc/self/mountinfo"));
    std::vector<std::string> disks;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(sysRoot / "block", ec)) disks.push_back(e.path().filename().string());
    std::sort(disks.begin(), disks.end(), lowerDeviceName);
    ColorGraphDrive unmounted;
    for (const auto& name : disks) {
        const fs::path disk = sysRoot / "block" / name;
        if (!isColorGraphDisk(disk, sysRoot)) continue;
        // The disk itself or one of its partitions, whichever is mounted.
        std::vector<fs::path> candidates{disk};
        std::vector<fs::path> parts;
        for (const auto& e : fs::directory_iterator(disk, ec))
            if (fs::exists(e.path() / "partition", ec)) parts.push_back(e.path());
        std::sort(parts.begin(), parts.end(),
                  [](const fs::path& a, const fs::path& b) { return lowerDeviceName(a.filename().string(), b.filename().string()); });
        candidates.insert(candidates.end(), parts.begin(), parts.end());
        for (const auto& c : candidates) {
            const std::string devno = readTrimmed(c / "dev");
            auto it = mounts.find(devno);
            if (it != mounts.end())
                return {true, it->second, parseDevice(devno), "/dev/" + c.filename().string(), "/dev/" + name};
        }
        if (!unmounted.connected) {
            unmounted.connected = true;
            unmounted.deviceNode = "/dev/" + (parts.empty() ? disk : parts.front()).filename().string();
            unmounted.diskNode = "/dev/" + name;
        }
    }
    return unmounted;
}

std::string FindColorGraphDrive() { return findColorGraph().mountPoint; }

std::string notMountedMessage(const ColorGraphDrive& drive) {
    return text::format("fx-CG20计算器已连接，但没有挂载。\n请用以下命令挂载：%s",
                        ("udisksctl mount -b " + drive.deviceNode).c_str());
}

}  // namespace vornex::link
