#include "io/read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <utility>

namespace vornex::io {

namespace {

FileKind kindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISSOCK(mode)) return FileKind::Socket;
    if (S_ISCHR(mode)) return FileKind::CharacterDevice;
    if (S_ISBLK(mode)) return FileKind::BlockDevice;
    return FileKind::Other;
}

std::string tooLargeMessage(const std::filesystem::path& path, std::uint64_t size, std::uint64_t limit) {
    return path.string() + " is too large (" + std::to_string(size) + " bytes; the limit is " +
           std::to_string(limit) + " bytes)";
}

}  // namespace

InputFile::~InputFile() { close(); }

bool InputFile::notRegular(const std::filesystem::path& path, FileKind kind) {
    if (kind == FileKind::Directory) return fail(EISDIR, notRegularMessage(path, kind), FileProblem::Directory);
    return fail(0, notRegularMessage(path, kind), FileProblem::NotRegular);
}

InputFile::InputFile(InputFile&& other) noexcept { *this = std::move(other); }

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        position_ = other.position_;
        limit_ = other.limit_;
        path_ = std::move(other.path_);
        error_ = std::move(other.error_);
    }
    return *this;
}

void InputFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool InputFile::fail(int code, std::string message) {
    return fail(code, std::move(message), problemOfErrno(code));
}

bool InputFile::fail(int code, std::string message, FileProblem problem) {
    if (!error_.failed()) error_ = FileError(code, std::move(message), problem);
    return false;
}

bool InputFile::open(const std::filesystem::path& path, std::uint64_t maxBytes) {
    close();
    path_ = path;
    error_.clear();
    size_ = position_ = 0;
    limit_ = maxBytes;
    // Look before opening: opening a FIFO blocks and opening a device can act on it.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int e = errno;
        return fail(e, path.string() + ": " + errnoText(e));
    }
    if (!S_ISREG(st.st_mode)) {
        const FileKind kind = kindOfMode(st.st_mode);
        return notRegular(path, kind);
    }
    // Non-blocking, in case the path was swapped for a FIFO since stat.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int e = errno;
        return fail(e, path.string() + ": " + errnoText(e));
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        const FileKind kind = kindOfMode(st.st_mode);
        return notRegular(path, kind);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (size_ > maxBytes) {
        ::close(fd);
        return fail(EFBIG, tooLargeMessage(path, size_, maxBytes));
    }
    fd_ = fd;
    return true;
}

std::size_t InputFile::read(void* buffer, std::size_t size) {
    if (fd_ < 0 || failed()) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, out + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            fail(e, "cannot read " + path_.string() + ": " + errnoText(e));
            break;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        position_ += static_cast<std::uint64_t>(n);
        if (position_ > limit_) {
            // The file grew past the limit while it was read.
            fail(EFBIG, tooLargeMessage(path_, position_, limit_));
            break;
        }
    }
    return done;
}

bool InputFile::readExact(void* buffer, std::size_t size) { return read(buffer, size) == size && !failed(); }

template <class Buffer>
bool InputFile::readRestInto(Buffer& out) {
    if (fd_ < 0) return failed() ? false : fail(EBADF, path_.string() + ": not open");
    try {
        // The size known at open, then in blocks for a file that grew.
        const std::uint64_t expected = size_ > position_ ? size_ - position_ : 0;
        out.reserve(out.size() + static_cast<std::size_t>(expected));
        unsigned char block[1 << 16];
        for (;;) {
            const std::size_t n = read(block, sizeof block);
            out.insert(out.end(), block, block + n);
            if (n < sizeof block) break;
        }
    } catch (const std::bad_alloc&) {
        return fail(ENOMEM, "cannot read " + path_.string() + ": " + errnoText(ENOMEM));
    } catch (const std::length_error&) {
        return fail(ENOMEM, "cannot read " + path_.string() + ": " + errnoText(ENOMEM));
    }
    return !failed();
}

bool InputFile::readRest(std::vector<unsigned char>& out) { return readRestInto(out); }
bool InputFile::readRest(std::string& out) { return readRestInto(out); }

namespace {

template <class Buffer>
bool readWhole(const std::filesystem::path& path, Buffer& out, FileError& error, const ReadOptions& options) {
    out.clear();
    error.clear();
    InputFile in;
    if (!in.open(path, options.maxBytes)) {
        error = in.error();
        return false;
    }
    try {
        if (options.checkHeader) {
            std::vector<unsigned char> header(options.headerBytes);
            header.resize(in.read(header.data(), header.size()));
            if (in.failed()) {
                error = in.error();
                return false;
            }
            std::string why;
            if (!options.checkHeader(header, why)) {
                error = FileError(0, path.string() + ": " + (why.empty() ? "not a file of this kind" : why),
                                  FileProblem::NotThisKind);
                return false;
            }
            out.insert(out.end(), header.begin(), header.end());
        }
    } catch (const std::bad_alloc&) {
        error = {ENOMEM, "cannot read " + path.string() + ": " + errnoText(ENOMEM)};
        return false;
    } catch (...) {
        // A header check of the caller's may throw; it is a refusal like any other.
        error = FileError(0, path.string() + ": not a file of this kind", FileProblem::NotThisKind);
        return false;
    }
    if (!in.readRest(out)) {
        error = in.error();
        out.clear();
        return false;
    }
    return true;
}

}  // namespace

bool readFile(const std::filesystem::path& path, std::vector<unsigned char>& out, FileError& error,
              const ReadOptions& options) {
    return readWhole(path, out, error, options);
}

bool readFile(const std::filesystem::path& path, std::string& out, FileError& error, const ReadOptions& options) {
    return readWhole(path, out, error, options);
}

}  // namespace vornex::io
