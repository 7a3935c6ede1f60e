#include "io/write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <streambuf>
#include <vector>

namespace vornex::io {

namespace fs = std::filesystem;

long FileOps::write(int fd, const void* data, std::size_t size) { return ::write(fd, data, size); }
int FileOps::fsync(int fd) { return ::fsync(fd); }
int FileOps::rename(const fs::path& from, const fs::path& to) { return ::rename(from.c_str(), to.c_str()); }
int FileOps::renameNoReplace(const fs::path& from, const fs::path& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
}

FileOps& realFileOps() {
    static FileOps ops;
    return ops;
}

// ---------------------------------------------------------------- removal on SIGINT and SIGTERM

namespace {

// Temporary files being written, for the signal handler: a slot is published
// (state 2) only once its folder descriptor and name are complete, so the
// handler, which may interrupt anything, reads nothing half-made.
struct TempSlot {
    std::atomic<int> state{0};  // 0 free, 1 being filled or emptied, 2 live
    int dirFd = -1;
    char name[NAME_MAX + 1] = {};
};
constexpr int kSlots = 64;
TempSlot g_slots[kSlots];

struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};
std::once_flag g_installOnce;

void removeTempFilesAndChain(int sig, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    for (TempSlot& s : g_slots)
        if (s.state.load(std::memory_order_acquire) == 2) (void)::unlinkat(s.dirFd, s.name, 0);
    const int which = sig == SIGINT ? 0 : 1;
    const struct sigaction& prev = g_previous[which];
    errno = savedErrno;
    if (prev.sa_flags & SA_SIGINFO) {
        if (prev.sa_sigaction) prev.sa_sigaction(sig, info, context);
        return;
    }
    if (prev.sa_handler == SIG_IGN) return;
    if (prev.sa_handler != SIG_DFL && prev.sa_handler != nullptr) {
        prev.sa_handler(sig);
        return;
    }
    // The default action (the process ends): with our handler gone, again.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
}

void installHandlers() {
    std::call_once(g_installOnce, [] {
        for (int i = 0; i < 2; ++i) {
            struct sigaction current {};
            if (::sigaction(kSignals[i], nullptr, &current) != 0) continue;
            // A signal the process ignores stays ignored (nohup, background jobs).
            if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) continue;
            g_previous[i] = current;
            struct sigaction ours {};
            ours.sa_sigaction = removeTempFilesAndChain;
            ours.sa_flags = SA_SIGINFO | SA_RESTART;
            sigemptyset(&ours.sa_mask);
            ::sigaction(kSignals[i], &ours, nullptr);
        }
    });
}

int publishTemp(int dirFd, const std::string& name) {
    if (name.size() > NAME_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_slots[i].state.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) continue;
        g_slots[i].dirFd = dirFd;
        std::memcpy(g_slots[i].name, name.c_str(), name.size() + 1);
        g_slots[i].state.store(2, std::memory_order_release);
        return i;
    }
    return -1;  // more writers than slots: this one is left to the next sweep
}

void withdrawTemp(int slot) {
    if (slot < 0) return;
    g_slots[slot].state.store(1, std::memory_order_release);
    g_slots[slot].dirFd = -1;
    g_slots[slot].name[0] = '\0';
    g_slots[slot].state.store(0, std::memory_order_release);
}

std::string defaultTempName() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[6] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) {
        // No entropy source: time and a counter still make names unlikely to repeat,
        // and O_EXCL makes a repeat harmless.
        static std::atomic<unsigned> counter{0};
        unsigned long long seed = static_cast<unsigned long long>(std::time(nullptr)) * 2654435761u + counter++;
        for (unsigned char& b : random) {
            b = static_cast<unsigned char>(seed);
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            b ^= static_cast<unsigned char>(seed >> 33);
        }
    }
    std::string name = ".vornex-" + std::to_string(::getpid()) + "-";
    for (unsigned char b : random) name += kChars[b % (sizeof kChars - 1)];
    return name;
}

std::string cannotWrite(const fs::path& target, int code) {
    return "cannot write " + target.string() + ": " + errnoText(code);
}

}  // namespace

// ---------------------------------------------------------------- stream onto the file

class OutputFile::StreamBuffer : public std::streambuf {
public:
    explicit StreamBuffer(OutputFile& file) : file_(file), buffer_(1 << 16) {
        setp(buffer_.data(), buffer_.data() + buffer_.size());
    }

protected:
    int_type overflow(int_type ch) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain() {
        const std::size_t n = static_cast<std::size_t>(pptr() - pbase());
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return n == 0 || file_.write(buffer_.data(), n);
    }
    OutputFile& file_;
    std::vector<char> buffer_;
};

// ---------------------------------------------------------------- OutputFile

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() { release(true); }

fs::path OutputFile::tempPath() const { return tempName_.empty() ? fs::path() : dir_ / tempName_; }

void OutputFile::fail(int code, const std::string& reason) {
    if (error_.failed()) return;
    error_ = FileError(code, "cannot write " + (target_.empty() ? requested_ : target_).string() + ": " + reason);
}

bool OutputFile::open(const fs::path& requested, const WriteOptions& options) {
    release(true);
    error_.clear();
    requested_ = requested;
    target_ = requested;
    ops_ = options.ops ? options.ops : &realFileOps();
    noReplace_ = options.noReplace;

    struct stat st {};
    if (noReplace_ && ::lstat(target_.c_str(), &st) == 0) {
        error_ = {EEXIST, cannotWrite(target_, EEXIST) + " (it already exists and is not replaced)"};
        return false;
    }
    // Through a symbolic link to the file it names (a dangling link names the file to create).
    for (int hops = 0; ::lstat(target_.c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
        std::error_code ec;
        const fs::path next = hops < 40 ? fs::read_symlink(target_, ec) : fs::path();
        if (hops >= 40 || ec) {
            const int e = hops >= 40 ? ELOOP : ec.value();
            error_ = {e, cannotWrite(requested, e)};
            return false;
        }
        target_ = next.is_absolute() ? next : target_.parent_path() / next;
    }
    const fs::path name = target_.filename();
    if (name.empty() || name == "." || name == "..") {
        error_ = {EISDIR, cannotWrite(target_, EISDIR)};
        return false;
    }
    dir_ = target_.parent_path();
    if (dir_.empty()) dir_ = ".";

    bool exists = false;
    if (::stat(target_.c_str(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode)) {
            error_ = {EISDIR, cannotWrite(target_, EISDIR)};
            return false;
        }
        if (!S_ISREG(st.st_mode)) {
            const FileKind kind = S_ISFIFO(st.st_mode)  ? FileKind::Fifo
                                  : S_ISSOCK(st.st_mode) ? FileKind::Socket
                                  : S_ISCHR(st.st_mode)  ? FileKind::CharacterDevice
                                  : S_ISBLK(st.st_mode)  ? FileKind::BlockDevice
                                                         : FileKind::Other;
            error_ = FileError(0,
                               "cannot write " + target_.string() + ": it is not a regular file (" +
                                   std::string(kindText(kind)) + ")",
                               FileProblem::NotRegular);
            return false;
        }
        // A read-only file is not replaced, whoever asks (the superuser too).
        // The message stays as it always was; the problem tells a read-only
        // file from a read-only mount (access fails with EROFS) and from a file
        // the user may not write (EACCES).
        const bool readOnlyMode = (st.st_mode & 0222) == 0;
        if (readOnlyMode || ::access(target_.c_str(), W_OK) != 0) {
            const int e = readOnlyMode ? EACCES : errno;
            const FileProblem why = readOnlyMode  ? FileProblem::ReadOnlyFile
                                    : e == EROFS ? FileProblem::ReadOnlyFileSystem
                                                 : FileProblem::NoPermission;
            error_ = FileError(e, cannotWrite(target_, EACCES) + " (the file is read-only)", why);
            return false;
        }
    } else if (errno != ENOENT) {
        const int e = errno;
        error_ = {e, cannotWrite(target_, e)};
        return false;
    }

    dirFd_ = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd_ < 0) {
        const int e = errno;
        error_ = {e, cannotWrite(target_, e)};
        return false;
    }
    if (options.sweep) (void)sweepStaleTempFiles(dir_);

    installHandlers();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = options.tempName ? options.tempName(attempt) : defaultTempName();
        // O_EXCL with O_NOFOLLOW: a file or link already at that name is never opened.
        const int fd = ::openat(dirFd_, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            const int e = errno;
            error_ = {e, cannotWrite(target_, e)};
            release(false);
            return false;
        }
        fd_ = fd;
        written_ = queued_ = 0;
        tempName_ = std::move(temp);
        break;
    }
    if (fd_ < 0) {
        error_ = {EEXIST, cannotWrite(target_, EEXIST) + " (no free temporary name)"};
        release(false);
        return false;
    }
    slot_ = publishTemp(dirFd_, tempName_);
    // Held until the file has its name: the sweep of another writer leaves it alone.
    (void)::flock(fd_, LOCK_EX | LOCK_NB);
    if (exists) {
        // The replacement keeps the old file's group (where the owner may set it) and mode.
        (void)::fchown(fd_, ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1), st.st_gid);
        (void)::fchmod(fd_, st.st_mode & 07777);
    }
    return true;
}

bool OutputFile::write(const void* data, std::size_t size) {
    if (fd_ < 0) {
        if (!failed()) fail(EBADF, errnoText(EBADF));
        return false;
    }
    if (failed()) return false;
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        errno = 0;
        const long n = ops_->write(fd_, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that takes nothing without an errno is a full device.
            fail(errno != 0 ? errno : ENOSPC, errnoText(errno != 0 ? errno : ENOSPC));
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += size;
    // A long file goes to the disk while it is being written (each mebibyte as it
    // fills), so that the sync of the commit waits for its last part only.
    if (written_ - queued_ >= (std::uint64_t{1} << 20)) {
#ifdef __linux__
        (void)::sync_file_range(fd_, static_cast<off_t>(queued_), static_cast<off_t>(written_ - queued_),
                                SYNC_FILE_RANGE_WRITE);
#endif
        queued_ = written_;
    }
    return true;
}

std::ostream& OutputFile::stream() {
    if (!stream_) {
        buffer_ = std::make_unique<StreamBuffer>(*this);
        stream_ = std::make_unique<std::ostream>(buffer_.get());
    }
    return *stream_;
}

bool OutputFile::flushStream() {
    if (!stream_) return true;
    stream_->flush();
    if (!stream_->good() && !failed()) fail(EIO, errnoText(EIO));
    return !failed();
}

bool OutputFile::commit() {
    if (fd_ < 0) {
        if (!failed()) fail(EBADF, errnoText(EBADF));
        release(true);
        return false;
    }
    if (!flushStream() || failed()) {
        release(true);
        return false;
    }
    if (ops_->fsync(fd_) != 0) {
        const int e = errno;
        fail(e, errnoText(e));
        release(true);
        return false;
    }
    if (!noReplace_ && ops_->rename(dir_ / tempName_, target_) != 0) {
        const int e = errno;
        fail(e, errnoText(e));
        release(true);
        return false;
    }
    if (noReplace_ && !renameWithoutReplacing()) {
        release(true);
        return false;
    }
    // The temporary name is gone; only the descriptors remain to close.
    withdrawTemp(slot_);
    slot_ = -1;
    tempName_.clear();
    // Make the rename itself durable: a pulled drive must not lose the new name.
    const bool synced = ::fsync(dirFd_) == 0 || errno == EINVAL || errno == EROFS;
    if (!synced) {
        const int e = errno;
        fail(e, "the folder could not be synced: " + errnoText(e));
    }
    release(false);
    return synced;
}

bool OutputFile::renameWithoutReplacing() {
    const fs::path temp = dir_ / tempName_;
    int r = ops_->renameNoReplace(temp, target_);
    if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without RENAME_NOREPLACE: a hard link is created only
        // where no name exists, then the temporary name goes.
        r = ::link(temp.c_str(), target_.c_str());
        if (r == 0) (void)::unlink(temp.c_str());
    }
    if (r == 0) return true;
    const int e = errno;
    if (e == EEXIST) {
        fail(e, "it appeared while the file was being written and is not replaced");
    } else {
        fail(e, errnoText(e));
    }
    return false;
}

void OutputFile::discard() { release(true); }

void OutputFile::release(bool unlinkTemp) {
    stream_.reset();
    buffer_.reset();
    if (slot_ >= 0) {
        withdrawTemp(slot_);
        slot_ = -1;
    }
    if (unlinkTemp && !tempName_.empty() && dirFd_ >= 0) (void)::unlinkat(dirFd_, tempName_.c_str(), 0);
    tempName_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (dirFd_ >= 0) ::close(dirFd_);
    dirFd_ = -1;
}

// ---------------------------------------------------------------- whole files

bool writeFile(const fs::path& target, std::string_view bytes, FileError& error, const WriteOptions& options) {
    return writeFile(
        target, [&](OutputFile& out) { return out.write(bytes); }, error, options);
}

bool writeFile(const fs::path& target, const std::function<bool(OutputFile&)>& fill, FileError& error,
               const WriteOptions& options) {
    error.clear();
    OutputFile out;
    if (!out.open(target, options)) {
        error = out.error();
        return false;
    }
    bool filled = false;
    try {
        filled = fill(out);
    } catch (const std::bad_alloc&) {
        out.fail(ENOMEM, errnoText(ENOMEM));
    } catch (...) {
        out.fail(ECANCELED, "the contents could not be made");
    }
    if (!filled) {
        if (!out.failed()) out.fail(ECANCELED, "the contents could not be made");
        error = out.error();
        out.discard();
        return false;
    }
    if (!out.commit()) {
        error = out.error();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- stale temporary files

namespace {

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

}  // namespace

bool isTempFileName(std::string_view name) {
    if (name.starts_with(".vornex-")) return name.size() > 8;
    if (name.size() < 2 || name[0] != '.') return false;
    // ".NAME.tmp-PID-N" of earlier project saves.
    if (auto tmp = name.rfind(".tmp-"); tmp != std::string_view::npos && tmp > 1) {
        std::string_view rest = name.substr(tmp + 5);
        auto dash = rest.find('-');
        if (dash != std::string_view::npos && allDigits(rest.substr(0, dash)) && allDigits(rest.substr(dash + 1)))
            return true;
    }
    // ".NAME.NNNN.part" of earlier calculator downloads and colour-calculator copies.
    if (name.ends_with(".part")) {
        std::string_view stem = name.substr(0, name.size() - 5);
        auto dot = stem.rfind('.');
        if (dot != std::string_view::npos && dot > 1 && allDigits(stem.substr(dot + 1))) return true;
    }
    return false;
}

int sweepStaleTempFiles(const fs::path& folder, std::chrono::seconds minAge) {
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return 0;
    const int listFd = ::dup(dirFd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0) ::close(listFd);
        ::close(dirFd);
        return 0;
    }
    std::vector<std::string> candidates;
    while (const dirent* e = ::readdir(dir))
        if (isTempFileName(e->d_name)) candidates.emplace_back(e->d_name);
    ::closedir(dir);

    const std::time_t now = std::time(nullptr);
    int removed = 0;
    for (const std::string& name : candidates) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < minAge.count()) continue;
        const int fd = ::openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat held {};
        // Only when no writer holds it, and it is still the file that was looked at.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_ino == st.st_ino &&
            held.st_dev == st.st_dev && ::unlinkat(dirFd, name.c_str(), 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::close(dirFd);
    return removed;
}

}  // namespace vornex::io
