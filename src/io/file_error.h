// What went wrong with a file, and what a path is. Shared by the reading door
// (io/read.h) and the writing door (io/write.h).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace vornex::io {

// Why a file operation failed, in terms a caller can put into its own words
// (the desktop program tells it in Chinese; the message stays English).
enum class FileProblem {
    None,                // nothing failed
    Missing,             // no such file, or a folder on the way is missing
    Directory,           // the path names a folder
    NotRegular,          // a FIFO, socket, device or other special file
    TooLarge,            // larger than the reader's limit
    NoPermission,        // the permissions forbid it
    ReadOnlyFile,        // the file itself is read-only and is not replaced
    ReadOnlyFileSystem,  // the file system is mounted read-only
    NoSpace,             // the device or the quota is full
    NoMemory,            // no memory to hold the contents
    Exists,              // a file that must not be replaced is already there
    NotThisKind,         // the header check refused the file
    Other,               // anything else: see code and message
};

// The problem an errno stands for (Other for 0 and for any it does not name).
FileProblem problemOfErrno(int code);

// A failed file operation: the errno behind it (0 when the refusal is ours, for
// example a special file), why in a word, and a one-line English message that
// names the path, such as "a.rod is a directory" or "cannot write b.txt: No
// space left on device".
struct FileError {
    int code = 0;
    std::string message;
    FileProblem problem = FileProblem::None;

    FileError() = default;
    // The problem follows from the errno unless it is given.
    FileError(int errnoCode, std::string text) : FileError(errnoCode, std::move(text), problemOfErrno(errnoCode)) {}
    FileError(int errnoCode, std::string text, FileProblem why)
        : code(errnoCode), message(std::move(text)), problem(why) {}

    bool failed() const { return !message.empty(); }
    void clear() {
        code = 0;
        message.clear();
        problem = FileProblem::None;
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
