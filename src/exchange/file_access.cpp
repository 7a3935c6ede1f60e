#include "exchange/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace vornex::exchange {
namespace {

std::string errnoMessage(const std::filesystem::path& file, const char* what, int code) {
    return std::string(what) + " " + file.string() + ": " + std::strerror(code);
}

}  // namespace

bool readInput(const std::filesystem::path& file, std::size_t maxBytes, std::string& bytes, std::string& error) {
    // O_NONBLOCK: a FIFO given by mistake must not hang the open.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = errnoMessage(file, "cannot open", errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = file.string() + " is not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        error = file.string() + " is larger than " + std::to_string(maxBytes >> 20) + " MiB";
        return false;
    }
    bytes.clear();
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errnoMessage(file, "cannot read", errno);
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    ::close(fd);
    return true;
}

bool writeOutput(const std::filesystem::path& file, std::string_view bytes, std::string& error) {
    std::filesystem::path dir = file.parent_path();
    if (dir.empty()) dir = ".";
    std::random_device rd;
    std::filesystem::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir / ("." + file.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(rd() % 1000000));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        error = errnoMessage(file, "cannot write", errno);
        return false;
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    int code = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), file.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        error = errnoMessage(file, "cannot write", code);
        return false;
    }
    if (int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace vornex::exchange
