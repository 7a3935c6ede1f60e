#include "io/read.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vornex::io {
namespace {

using testing::TempDir;

// A Unix socket bound at `path` (closed with the guard).
struct BoundSocket {
    int fd = -1;
    explicit BoundSocket(const std::filesystem::path& path) {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    ~BoundSocket() {
        if (fd >= 0) ::close(fd);
    }
};

TEST(ReadDoor, EveryKindOfNonRegularFileIsRefusedAtOnceAndNamed) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    BoundSocket socket(dir / "sock");
    ASSERT_GE(socket.fd, 0);
    std::filesystem::create_symlink(dir / "nowhere", dir / "dangling");
    std::filesystem::create_symlink(dir / "folder", dir / "link-to-folder");

    struct Case {
        std::filesystem::path path;
        std::string message;  // expected message after the path
        int code;
        FileKind kind;
        FileProblem problem;
    };
    using P = FileProblem;
    const Case cases[] = {
        {dir / "folder", " is a directory", EISDIR, FileKind::Directory, P::Directory},
        {dir / "link-to-folder", " is a directory", EISDIR, FileKind::Directory, P::Directory},
        {dir / "fifo", " is not a regular file (a FIFO)", 0, FileKind::Fifo, P::NotRegular},
        {dir / "sock", " is not a regular file (a socket)", 0, FileKind::Socket, P::NotRegular},
        {"/dev/null", " is not a regular file (a character device)", 0, FileKind::CharacterDevice, P::NotRegular},
        {"/dev/zero", " is not a regular file (a character device)", 0, FileKind::CharacterDevice, P::NotRegular},
        {dir / "missing", ": No such file or directory", ENOENT, FileKind::Missing, P::Missing},
        {dir / "dangling", ": No such file or directory", ENOENT, FileKind::Missing, P::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        EXPECT_EQ(kindOf(c.path), c.kind);
        InputFile in;
        EXPECT_FALSE(in.open(c.path));  // a FIFO without a writer would block a plain open
        EXPECT_FALSE(in.isOpen());
        EXPECT_EQ(in.error().message, c.path.string() + c.message);
        EXPECT_EQ(in.error().code, c.code);
        EXPECT_EQ(in.error().problem, c.problem);

        std::vector<unsigned char> bytes{1, 2, 3};
        FileError error;
        EXPECT_FALSE(readFile(c.path, bytes, error));
        EXPECT_EQ(error.message, c.path.string() + c.message);
        EXPECT_EQ(error.problem, c.problem);
        EXPECT_TRUE(bytes.empty());
    }
}

TEST(ReadDoor, SizeLimitRefusesBeforeReadingAndNamesTheLimit) {
    TempDir dir;
    // Sparse: 10 GB that take no room and would take minutes to read.
    const auto huge = dir / "huge.rod";
    {
        int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 10ll << 30), 0);
        ::close(fd);
    }
    std::string bytes;
    FileError error;
    EXPECT_FALSE(readFile(huge, bytes, error, {.maxBytes = kProjectFileLimit}));
    EXPECT_EQ(error.code, EFBIG);
    EXPECT_EQ(error.problem, FileProblem::TooLarge);
    EXPECT_EQ(error.message, huge.string() + " is too large (10737418240 bytes; the limit is 268435456 bytes)");

    // The limit itself is allowed, one byte more is not.
    testing::writeAll(dir / "small", "0123456789");
    EXPECT_TRUE(readFile(dir / "small", bytes, error, {.maxBytes = 10}));
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_FALSE(readFile(dir / "small", bytes, error, {.maxBytes = 9}));
    EXPECT_NE(error.message.find("the limit is 9 bytes"), std::string::npos);
}

TEST(ReadDoor, HeaderIsCheckedBeforeTheBody) {
    TempDir dir;
    testing::writeAll(dir / "a", std::string("\0\0\0\x54", 4) + std::string(1000, 'x'));
    testing::writeAll(dir / "short", "ab");

    std::vector<std::size_t> seen;
    auto check = [&](std::span<const unsigned char> h, std::string& why) {
        seen.push_back(h.size());
        if (h.size() == 4 && h[3] == 0x54) {
            why = "newer version 84";
            return false;
        }
        return true;
    };
    std::vector<unsigned char> bytes;
    FileError error;
    EXPECT_FALSE(readFile(dir / "a", bytes, error, {.headerBytes = 4, .checkHeader = check}));
    EXPECT_EQ(error.message, (dir / "a").string() + ": newer version 84");
    EXPECT_EQ(error.problem, FileProblem::NotThisKind);
    EXPECT_TRUE(bytes.empty());

    // A file shorter than the header is handed over as it is, and read whole when accepted.
    EXPECT_TRUE(readFile(dir / "short", bytes, error, {.headerBytes = 4, .checkHeader = check}));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ab");
    EXPECT_EQ(seen, (std::vector<std::size_t>{4, 2}));

    // A check that throws is a refusal, not an exception out of the door.
    EXPECT_FALSE(readFile(dir / "short", bytes, error,
                          {.headerBytes = 4, .checkHeader = [](auto, std::string&) -> bool { throw 1; }}));
    EXPECT_TRUE(error.failed());
}

TEST(ReadDoor, StreamingReadsAndEndOfFile) {
    TempDir dir;
    testing::writeAll(dir / "f", "abcdefgh");
    std::filesystem::create_symlink(dir / "f", dir / "link");
    InputFile in;
    ASSERT_TRUE(in.open(dir / "link", 8));  // a link to a regular file is read
    EXPECT_EQ(in.size(), 8u);
    char buf[5] = {};
    EXPECT_TRUE(in.readExact(buf, 5));
    EXPECT_EQ(std::string(buf, 5), "abcde");
    EXPECT_FALSE(in.readExact(buf, 5));  // only three left: the end, not a failure
    EXPECT_FALSE(in.failed());
    EXPECT_EQ(in.position(), 8u);
    EXPECT_EQ(in.read(buf, 5), 0u);

    // A moved-from file is closed; the new owner reads on.
    InputFile a;
    ASSERT_TRUE(a.open(dir / "f"));
    InputFile b = std::move(a);
    EXPECT_FALSE(a.isOpen());
    std::string rest;
    EXPECT_TRUE(b.readRest(rest));
    EXPECT_EQ(rest, "abcdefgh");
}

TEST(ReadDoor, UnreadableFileSaysWhy) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser reads every file";
    TempDir dir;
    testing::writeAll(dir / "secret", "x");
    std::filesystem::permissions(dir / "secret", std::filesystem::perms::none);
    InputFile in;
    EXPECT_FALSE(in.open(dir / "secret"));
    EXPECT_EQ(in.error().code, EACCES);
    EXPECT_EQ(in.error().problem, FileProblem::NoPermission);
    EXPECT_EQ(in.error().message, (dir / "secret").string() + ": Permission denied");
}

}  // namespace
}  // namespace vornex::io
