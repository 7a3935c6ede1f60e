// The reading door: every file the program reads (project files, survey files,
// batch points, calculator uploads, imported formats) is opened here.
//
//   - Regular files only. A directory, FIFO, socket or device is refused at once,
//     without blocking (a FIFO is never opened for a blocking read), with a
//     message that says what the path is: "P is a directory",
//     "P is not a regular file (a FIFO)".
//   - A size limit chosen by the caller: a larger file is refused before any of
//     it is read, with the limit in the message; a file that grows past the
//     limit while it is read fails the same way.
//   - The header can be checked before the body is read (readFile with
//     ReadOptions::headerBytes and checkHeader), so a file of the wrong kind or
//     a newer version costs only its first bytes.
//   - No exception leaves the door: failures are a false result and a FileError
//     (errno and a message naming the path).
//
// Streaming readers use InputFile:
//
//   io::InputFile in;
//   if (!in.open(path, io::kSurveyFileLimit)) { report(in.error().message); return false; }
//   while (std::size_t n = in.read(buf, sizeof buf)) { ... }
//   if (in.failed()) { report(in.error().message); return false; }
//
// Readers that want the whole file use readFile:
//
//   std::vector<unsigned char> bytes;
//   io::FileError error;
//   io::ReadOptions options{.maxBytes = io::kProjectFileLimit, .headerBytes = 4,
//       .checkHeader = [](std::span<const unsigned char> h, std::string& why) { ...; return true; }};
//   if (!io::readFile(path, bytes, error, options)) { report(error.message); }
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "io/file_error.h"

namespace vornex::io {

inline constexpr std::uint64_t kNoLimit = UINT64_MAX;

// Limits of the program's own files, far above anything real: a project of a
// million elements is about 92 MB, a survey network of 100,000 stations a few MB.
inline constexpr std::uint64_t kProjectFileLimit = 256ull << 20;
inline constexpr std::uint64_t kSurveyFileLimit = 256ull << 20;

// A regular file open for reading (move-only; closed by the destructor).
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` when it is a regular file of at most `maxBytes` bytes. False
    // (with error()) for anything else; never blocks on a FIFO or device.
    bool open(const std::filesystem::path& path, std::uint64_t maxBytes = kNoLimit);

    // Up to `size` bytes; fewer only at the end of the file or on a failure
    // (then failed() is true). Reading past the limit is a failure.
    std::size_t read(void* buffer, std::size_t size);

    // Exactly `size` bytes: false at the end of the file (error() stays clear)
    // or on a failure.
    bool readExact(void* buffer, std::size_t size);

    // Appends the rest of the file to `out`. False on a failure (including no
    // memory for it).
    bool readRest(std::vector<unsigned char>& out);
    bool readRest(std::string& out);

    void close();
    bool isOpen() const { return fd_ >= 0; }
    bool failed() const { return error_.failed(); }
    const FileError& error() const { return error_; }
    // The size when the file was opened, and the bytes read since.
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }
    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

private:
    bool fail(int code, std::string message);
    bool fail(int code, std::string message, FileProblem problem);
    bool notRegular(const std::filesystem::path& path, FileKind kind);
    template <class Buffer>
    bool readRestInto(Buffer& out);

    int fd_ = -1;
    std::uint64_t size_ = 0, position_ = 0, limit_ = kNoLimit;
    std::filesystem::path path_;
    FileError error_;
};

struct ReadOptions {
    std::uint64_t maxBytes = kNoLimit;
    // When checkHeader is set: the first headerBytes bytes (fewer when the file
    // is shorter) are read and handed to it before anything else. It returns
    // false to refuse the file, with the reason in `why`; the error message is
    // then "P: <why>".
    std::size_t headerBytes = 0;
    std::function<bool(std::span<const unsigned char> header, std::string& why)> checkHeader = nullptr;
};

// The whole of a regular file in `out` (replaced). False, with `error`, when the
// file is refused, the header check refuses it, or reading fails.
bool readFile(const std::filesystem::path& path, std::vector<unsigned char>& out, FileError& error,
              const ReadOptions& options = {});
bool readFile(const std::filesystem::path& path, std::string& out, FileError& error, const ReadOptions& options = {});

}  // namespace vornex::io
