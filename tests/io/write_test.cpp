#include "io/write.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace vornex::io {
namespace {

namespace fs = std::filesystem;
using testing::readAll;
using testing::TempDir;
using testing::writeAll;

std::vector<std::string> namesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const fs::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(WriteDoor, CreatesAndReplacesKeepingTheMode) {
    TempDir dir;
    FileError error;
    ASSERT_TRUE(writeFile(dir / "a.txt", "first", error)) << error.message;
    EXPECT_EQ(readAll(dir / "a.txt"), "first");

    ::chmod((dir / "a.txt").c_str(), 0640);
    ASSERT_TRUE(writeFile(dir / "a.txt", "second", error)) << error.message;
    EXPECT_EQ(readAll(dir / "a.txt"), "second");
    EXPECT_EQ(modeOf(dir / "a.txt"), 0640u);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.txt"});

    // The group too, where the writer may set it (the superuser may set any).
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "a.txt").c_str(), 4242, 4343), 0);
        ASSERT_TRUE(writeFile(dir / "a.txt", "third", error)) << error.message;
        struct stat st {};
        ::stat((dir / "a.txt").c_str(), &st);
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }

    // An empty file is a file too.
    ASSERT_TRUE(writeFile(dir / "empty", "", error));
    EXPECT_TRUE(fs::is_regular_file(dir / "empty"));
    EXPECT_EQ(fs::file_size(dir / "empty"), 0u);
}

TEST(WriteDoor, TemporaryNameIsShortUniqueAndLockedWhileWritten) {
    TempDir dir;
    FileError error;
    fs::path seen;
    bool lockedByWriter = false;
    ASSERT_TRUE(writeFile(
        dir / std::string(255, 'n'),
        [&](OutputFile& out) {
            seen = out.tempPath();
            // Another open file description cannot take the lock while we write.
            int other = ::open(seen.c_str(), O_RDONLY);
            lockedByWriter = other >= 0 && ::flock(other, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
            if (other >= 0) ::close(other);
            return out.write("x");
        },
        error))
        << error.message;
    const std::string name = seen.filename().string();
    const std::string prefix = ".vornex-" + std::to_string(::getpid()) + "-";
    ASSERT_EQ(name.size(), prefix.size() + 6) << name;
    EXPECT_EQ(name.substr(0, prefix.size()), prefix);
    EXPECT_EQ(seen.parent_path(), dir.path());
    EXPECT_TRUE(lockedByWriter);
    EXPECT_FALSE(fs::exists(seen));
    EXPECT_EQ(readAll(dir / std::string(255, 'n')), "x");

    // A name one byte too long is refused with the system's reason.
    EXPECT_FALSE(writeFile(dir / std::string(256, 'n'), "x", error));
    EXPECT_EQ(error.code, ENAMETOOLONG);
    EXPECT_NE(error.message.find("File name too long"), std::string::npos);
}

TEST(WriteDoor, SymbolicLinkTargetIsWrittenThrough) {
    TempDir dir;
    fs::create_directory(dir / "real");
    fs::create_directory(dir / "links");
    writeAll(dir / "real" / "p.rod", "old");
    ::chmod((dir / "real" / "p.rod").c_str(), 0600);
    fs::create_symlink("../real/p.rod", dir / "links" / "p.rod");
    fs::create_symlink(dir / "real" / "new.rod", dir / "links" / "dangling.rod");

    FileError error;
    ASSERT_TRUE(writeFile(dir / "links" / "p.rod", "new", error)) << error.message;
    EXPECT_TRUE(fs::is_symlink(dir / "links" / "p.rod"));
    EXPECT_EQ(readAll(dir / "real" / "p.rod"), "new");
    EXPECT_EQ(modeOf(dir / "real" / "p.rod"), 0600u);
    // A dangling link names the file to make.
    ASSERT_TRUE(writeFile(dir / "links" / "dangling.rod", "made", error)) << error.message;
    EXPECT_TRUE(fs::is_symlink(dir / "links" / "dangling.rod"));
    EXPECT_EQ(readAll(dir / "real" / "new.rod"), "made");
    EXPECT_EQ(namesIn(dir / "links"), (std::vector<std::string>{"dangling.rod", "p.rod"}));
    EXPECT_EQ(namesIn(dir / "real"), (std::vector<std::string>{"new.rod", "p.rod"}));
}

TEST(WriteDoor, PlantedLinkAtTheTemporaryNameIsNeverFollowed) {
    TempDir dir;
    writeAll(dir / "victim", "precious");
    writeAll(dir / "out.txt", "old");
    fs::create_symlink(dir / "victim", dir / ".vornex-planted");
    const fs::path planted = dir / ".vornex-planted";

    // The predictable name is taken: another one is used.
    WriteOptions options;
    options.tempName = [](int attempt) { return attempt == 0 ? ".vornex-planted" : ".vornex-second"; };
    FileError error;
    ASSERT_TRUE(writeFile(dir / "out.txt", "result", error, options)) << error.message;
    EXPECT_EQ(readAll(dir / "out.txt"), "result");
    EXPECT_EQ(readAll(dir / "victim"), "precious");
    EXPECT_TRUE(fs::is_symlink(planted));

    // Only taken names: the write fails and touches nothing.
    options.tempName = [](int) { return ".vornex-planted"; };
    EXPECT_FALSE(writeFile(dir / "out.txt", "other", error, options));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(readAll(dir / "out.txt"), "result");
    EXPECT_EQ(readAll(dir / "victim"), "precious");
}

TEST(WriteDoor, TargetsThatCannotBeReplacedAreRefusedWithAReason) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    writeAll(dir / "readonly.rod", "keep");
    ::chmod((dir / "readonly.rod").c_str(), 0444);
    fs::create_symlink("loop", dir / "loop");

    struct Case {
        fs::path target;
        int code;
        std::string message;
        FileProblem problem;
    };
    using P = FileProblem;
    const Case cases[] = {
        {dir / "folder", EISDIR, "cannot write " + (dir / "folder").string() + ": Is a directory", P::Directory},
        {dir / "fifo", 0, "cannot write " + (dir / "fifo").string() + ": it is not a regular file (a FIFO)",
         P::NotRegular},
        {dir / "readonly.rod", EACCES,
         "cannot write " + (dir / "readonly.rod").string() + ": Permission denied (the file is read-only)",
         P::ReadOnlyFile},
        {dir / "missing" / "x.txt", ENOENT,
         "cannot write " + (dir / "missing" / "x.txt").string() + ": No such file or directory", P::Missing},
        {dir / "readonly.rod" / "x.txt", ENOTDIR,
         "cannot write " + (dir / "readonly.rod" / "x.txt").string() + ": Not a directory", P::Missing},
        {dir / "loop", ELOOP, "cannot write " + (dir / "loop").string() + ": Too many levels of symbolic links",
         P::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target.string());
        FileError error;
        EXPECT_FALSE(writeFile(c.target, "new", error));
        EXPECT_EQ(error.code, c.code);
        EXPECT_EQ(error.message, c.message);
        EXPECT_EQ(error.problem, c.problem);
    }
    EXPECT_EQ(readAll(dir / "readonly.rod"), "keep");
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"fifo", "folder", "loop", "readonly.rod"}));
}

// Makes a chosen system call of the write fail.
struct FailingOps : FileOps {
    long failAtOffset = -1;  // the write that would pass this offset fails with ENOSPC
    bool failSync = false, failRename = false, writeNothing = false;
    long written = 0;
    long write(int fd, const void* data, std::size_t size) override {
        if (writeNothing) return 0;
        std::size_t n = std::min<std::size_t>(size, 5);  // short writes on purpose
        if (failAtOffset >= 0 && written + static_cast<long>(n) > failAtOffset) {
            n = static_cast<std::size_t>(failAtOffset - written);
            if (n == 0) {
                errno = ENOSPC;
                return -1;
            }
        }
        long r = FileOps::write(fd, data, n);
        if (r > 0) written += r;
        return r;
    }
    int fsync(int fd) override { return failSync ? (errno = EIO, -1) : FileOps::fsync(fd); }
    int rename(const fs::path& a, const fs::path& b) override {
        return failRename ? (errno = EXDEV, -1) : FileOps::rename(a, b);
    }
};

TEST(WriteDoor, EveryFailureLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const fs::path target = dir / "t.rod";
    const std::string bytes = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (long offset = 0; offset < static_cast<long>(bytes.size()); offset += 7) {
        writeAll(target, "old");
        FailingOps ops;
        ops.failAtOffset = offset;
        FileError error;
        ASSERT_FALSE(writeFile(target, bytes, error, {.ops = &ops})) << offset;
        EXPECT_EQ(error.code, ENOSPC);
        EXPECT_EQ(error.message, "cannot write " + target.string() + ": No space left on device");
        EXPECT_EQ(readAll(target), "old");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"t.rod"});
    }
    struct Case {
        void (*arm)(FailingOps&);
        std::string reason;
    };
    const Case cases[] = {
        {[](FailingOps& o) { o.failSync = true; }, "Input/output error"},
        {[](FailingOps& o) { o.failRename = true; }, "Invalid cross-device link"},
        {[](FailingOps& o) { o.writeNothing = true; }, "No space left on device"},
    };
    for (const Case& c : cases) {
        FailingOps ops;
        c.arm(ops);
        FileError error;
        EXPECT_FALSE(writeFile(target, bytes, error, {.ops = &ops}));
        EXPECT_EQ(error.message, "cannot write " + target.string() + ": " + c.reason);
        EXPECT_EQ(readAll(target), "old");
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"t.rod"});
    }
    // A producer that gives up changes nothing either.
    FileError error;
    EXPECT_FALSE(writeFile(
        target, [](OutputFile& out) { return out.write("half") && false; }, error));
    EXPECT_TRUE(error.failed());
    EXPECT_EQ(readAll(target), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"t.rod"});
}

// Creating without replacing: a file that exists at the start or appears while
// the new one is written is left alone and the write fails with EEXIST; the
// same where the file system has no RENAME_NOREPLACE (EINVAL: link and unlink).
TEST(WriteDoor, NoReplaceCreatesButNeverReplaces) {
    struct NoRenameat2 : FileOps {
        bool refuse = false;
        int renameNoReplace(const fs::path& a, const fs::path& b) override {
            return refuse ? (errno = EINVAL, -1) : FileOps::renameNoReplace(a, b);
        }
    };
    for (bool fallback : {false, true}) {
        TempDir dir;
        NoRenameat2 ops;
        ops.refuse = fallback;
        WriteOptions options;
        options.noReplace = true;
        options.ops = &ops;
        FileError error;
        ASSERT_TRUE(writeFile(dir / "new.rod", "made", error, options)) << error.message;
        EXPECT_EQ(readAll(dir / "new.rod"), "made");
        // Exists at the start, as a file or as a link (never followed).
        EXPECT_FALSE(writeFile(dir / "new.rod", "again", error, options));
        EXPECT_EQ(error.code, EEXIST);
        ASSERT_EQ(::symlink("elsewhere", (dir / "link.rod").c_str()), 0);
        EXPECT_FALSE(writeFile(dir / "link.rod", "x", error, options));
        EXPECT_EQ(error.code, EEXIST);
        // Appears while the file is written.
        bool ok = writeFile(dir / "late.rod", [&](OutputFile& out) {
            writeAll(dir / "late.rod", "the user's");
            return out.write("import");
        }, error, options);
        EXPECT_FALSE(ok) << fallback;
        EXPECT_EQ(error.code, EEXIST);
        EXPECT_NE(error.message.find("late.rod"), std::string::npos) << error.message;
        EXPECT_EQ(readAll(dir / "late.rod"), "the user's");
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"late.rod", "link.rod", "new.rod"})) << fallback;
    }
}

TEST(WriteDoor, FullFilesystem) {
    TempDir dir;
    const fs::path mnt = dir / "small";
    fs::create_directory(mnt);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here; the injected failures cover a full disk";
    struct Unmount {
        fs::path p;
        ~Unmount() { ::umount2(p.c_str(), MNT_DETACH); }
    } unmount{mnt};
    writeAll(mnt / "p.rod", "old");
    FileError error;
    EXPECT_FALSE(writeFile(mnt / "p.rod", std::string(1 << 20, 'x'), error));
    EXPECT_EQ(error.code, ENOSPC);
    EXPECT_EQ(error.message, "cannot write " + (mnt / "p.rod").string() + ": No space left on device");
    EXPECT_EQ(readAll(mnt / "p.rod"), "old");
    EXPECT_EQ(namesIn(mnt), std::vector<std::string>{"p.rod"});
}

// A file on a read-only mount is told as such, not as a read-only file; the
// message stays the one the command line has always printed.
TEST(WriteDoor, ReadOnlyMountIsToldApartFromAReadOnlyFile) {
    TempDir dir;
    const fs::path mnt = dir / "ro";
    fs::create_directory(mnt);
    if (::mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount {
        fs::path p;
        ~Unmount() { ::umount2(p.c_str(), MNT_DETACH); }
    } unmount{mnt};
    writeAll(mnt / "p.rod", "old");
    ASSERT_EQ(::mount("tmpfs", mnt.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
    FileError error;
    EXPECT_FALSE(writeFile(mnt / "p.rod", "new", error));
    EXPECT_EQ(error.problem, FileProblem::ReadOnlyFileSystem);
    EXPECT_EQ(error.code, EROFS);
    EXPECT_EQ(error.message,
              "cannot write " + (mnt / "p.rod").string() + ": Permission denied (the file is read-only)");
    EXPECT_FALSE(writeFile(mnt / "new.rod", "new", error));
    EXPECT_EQ(error.problem, FileProblem::ReadOnlyFileSystem);
    EXPECT_EQ(readAll(mnt / "p.rod"), "old");
}

TEST(WriteDoor, ConcurrentWritersLeaveOneWholeResult) {
    TempDir dir;
    const fs::path target = dir / "out.txt";
    const std::size_t size = 256 * 1024;
    for (int round = 0; round < 6; ++round) {
        std::atomic<int> ok{0};
        auto writer = [&](char fill) {
            FileError error;
            // Small pieces, so the two writers interleave.
            bool done = writeFile(
                target,
                [&](OutputFile& out) {
                    const std::string piece(1024, fill);
                    for (std::size_t i = 0; i < size / piece.size(); ++i) {
                        out.stream() << piece;
                        if (i % 16 == 0) std::this_thread::yield();
                    }
                    return out.stream().good();
                },
                error);
            if (done) ++ok;
        };
        std::thread a(writer, 'A'), b(writer, 'B');
        a.join();
        b.join();
        EXPECT_EQ(ok.load(), 2);
        const std::string result = readAll(target);
        ASSERT_EQ(result.size(), size);
        EXPECT_TRUE(result == std::string(size, 'A') || result == std::string(size, 'B')) << round;
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"out.txt"});
    }
}

TEST(WriteDoor, SweepRemovesOnlyStaleUnlockedTemporaryFiles) {
    TempDir dir;
    const auto old = [&](const std::string& name) {
        writeAll(dir / name, "stale");
        struct timespec times[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
        ::utimensat(AT_FDCWD, (dir / name).c_str(), times, AT_SYMLINK_NOFOLLOW);
    };
    old(".vornex-123-abcDEF");
    old(".p.rod.tmp-4242-7");
    old(".p.rod.3735928559.part");
    old(".vornex-busy");          // a live writer holds its lock
    old("p.rod");                 // a user's file
    old(".p.rod.part");           // not a name of ours
    old(".p.rod.tmp-x-1");        // not a name of ours
    writeAll(dir / ".vornex-young", "just started");
    fs::create_directory(dir / ".vornex-dir");
    fs::create_symlink(dir / "p.rod", dir / ".vornex-link");

    const int held = ::open((dir / ".vornex-busy").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(sweepStaleTempFiles(dir.path()), 3);
    ::close(held);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{".p.rod.part", ".p.rod.tmp-x-1", ".vornex-busy",
                                                             ".vornex-dir", ".vornex-link", ".vornex-young",
                                                             "p.rod"}));
    // A write sweeps the target's folder.
    FileError error;
    ASSERT_TRUE(writeFile(dir / "p.rod", "new", error));
    EXPECT_FALSE(fs::exists(dir / ".vornex-busy"));
    EXPECT_TRUE(fs::exists(dir / ".vornex-young"));
}

// A child process writes a large file and is killed in the middle of it.
TEST(WriteDoor, TemporaryFileIsRemovedWhenTheProcessIsStopped) {
    for (int sig : {SIGTERM, SIGINT}) {
        TempDir dir;
        const fs::path target = dir / "big.rod";
        writeAll(target, "old");
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            OutputFile out;
            if (!out.open(target)) ::_exit(3);
            const std::string block(1 << 20, 'x');
            for (int i = 0; i < 8; ++i) out.write(block);
            (void)!::write(pipeFds[1], "r", 1);  // the temporary file is large now
            for (;;) {
                out.write(block.data(), 4096);
                ::usleep(1000);
            }
        }
        ::close(pipeFds[1]);
        char ready = 0;
        ASSERT_EQ(::read(pipeFds[0], &ready, 1), 1);
        ::close(pipeFds[0]);
        ASSERT_EQ(namesIn(dir.path()).size(), 2u);  // the target and the temporary file
        ::kill(child, sig);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), sig);
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"big.rod"});
        EXPECT_EQ(readAll(target), "old");
    }
}

}  // namespace
}  // namespace vornex::io
