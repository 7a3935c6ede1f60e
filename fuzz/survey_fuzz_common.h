// Shared by the survey-file fuzz targets: the readers take a path, so each input
// is written to one scratch file in memory-backed storage first.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vornex::fuzzing {

inline const std::filesystem::path& scratchFile(const char* name) {
    static const std::filesystem::path path = [&] {
        std::filesystem::path dir = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        return dir / (std::string("vornex-fuzz-") + std::to_string(::getpid()) + "-" + name);
    }();
    return path;
}

inline bool writeScratch(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace vornex::fuzzing
