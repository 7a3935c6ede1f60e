#include "io/file_error.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vornex::io {

FileKind kindOf(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FileKind::Missing;
    if (S_ISREG(st.st_mode)) return FileKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileKind::Directory;
    if (S_ISFIFO(st.st_mode)) return FileKind::Fifo;
    if (S_ISSOCK(st.st_mode)) return FileKind::Socket;
    if (S_ISCHR(st.st_mode)) return FileKind::CharacterDevice;
    if (S_ISBLK(st.st_mode)) return FileKind::BlockDevice;
    return FileKind::Other;
}

FileProblem problemOfErrno(int code) {
    switch (code) {
    case ENOENT:
    case ENOTDIR: return FileProblem::Missing;
    case EISDIR: return FileProblem::Directory;
    case EFBIG: return FileProblem::TooLarge;
    case EACCES:
    case EPERM: return FileProblem::NoPermission;
    case EROFS: return FileProblem::ReadOnlyFileSystem;
    case ENOSPC:
    case EDQUOT: return FileProblem::NoSpace;
    case ENOMEM: return FileProblem::NoMemory;
    case EEXIST: return FileProblem::Exists;
    default: return FileProblem::Other;
    }
}

std::string_view kindText(FileKind kind) {
    switch (kind) {
    case FileKind::Missing: return "missing";
    case FileKind::Regular: return "a regular file";
    case FileKind::Directory: return "a directory";
    case FileKind::Fifo: return "a FIFO";
    case FileKind::Socket: return "a socket";
    case FileKind::CharacterDevice: return "a character device";
    case FileKind::BlockDevice: return "a block device";
    case FileKind::Other: break;
    }
    return "a special file";
}

std::string notRegularMessage(const std::filesystem::path& path, FileKind kind) {
    switch (kind) {
    case FileKind::Regular: return {};
    case FileKind::Missing: return path.string() + ": " + errnoText(ENOENT);
    case FileKind::Directory: return path.string() + " is a directory";
    default: return path.string() + " is not a regular file (" + std::string(kindText(kind)) + ")";
    }
}

std::string errnoText(int code) {
    char buffer[256];
    // The GNU strerror_r returns its text (possibly a static one).
    const char* text = ::strerror_r(code, buffer, sizeof buffer);
    return text ? text : "error " + std::to_string(code);
}

}  // namespace vornex::io
