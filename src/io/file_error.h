// What went wrong with a file, and what a path is. Shared by the reading door
// (io/read.h) and the writing door (io/write.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vornex::io {

// A failed file operation: the errno behind it (0 when the refusal is ours, for
// example a file too large) and a one-line English message that names the path,
// such as "a.rod is a directory" or "cannot write b.txt: No space left on device".
struct FileError {
    int code = 0;
    std::string message;

    bool failed() const { return !message.empty(); }
    void clear() {
        code = 0;
        message.clear();
    }
};

// What a path is, following symbolic links (a dangling link is Missing).
enum class FileKind { Missing, Regular, Directory, Fifo, Socket, CharacterDevice, BlockDevice, Other };

FileKind kindOf(const std::filesystem::path& path);

// "a directory", "a FIFO", "a socket", "a character device", "a block device",
// "a regular file", "missing", "a special file".
std::string_view kindText(FileKind kind);

// The message for a path that is not a regular file: "P is a directory",
// "P is not a regular file (a FIFO)", "P: No such file or directory".
std::string notRegularMessage(const std::filesystem::path& path, FileKind kind);

// strerror(code) without the thread-safety trap of strerror.
std::string errnoText(int code);

}  // namespace vornex::io
