// The writing door: every file the program writes (project save, batch output,
// calculator downloads, the colour-calculator copy, exports) is replaced here,
// whole or not at all.
//
//   1. The target is resolved: a symbolic link is written through (the new file
//      replaces the file the link points to, so the link stays). A directory,
//      a special file or a read-only file is refused with a message.
//   2. Stale temporary files of the target's folder are swept (see
//      sweepStaleTempFiles).
//   3. A temporary file ".vornex-<pid>-XXXXXX" is created in the target's
//      folder with O_EXCL and O_NOFOLLOW (a name planted by someone else is
//      never followed, another name is tried) and locked with flock while it is
//      written. It takes the old file's mode, and its group where allowed.
//   4. commit(): fsync, rename over the target, fsync of the folder.
//   5. On any failure, on discard() or destruction without commit, and on
//      SIGINT/SIGTERM, the temporary file is removed; the old file is untouched.
//   Every failure carries errno and a message naming the target
//   ("cannot write P: No space left on device").
//
// Whole contents at once (a Qt caller hands over a PDF rendered into memory):
//
//   io::FileError error;
//   if (!io::writeFile(path, std::string_view(bytes.constData(), bytes.size()), error)) report(error.message);
//
// Contents produced piece by piece, through write(), stream() or fd():
//
//   bool ok = io::writeFile(path, [&](io::OutputFile& out) {
//       out.stream() << "a,b\n";           // or out.write(data, size)
//       return out.stream().good();
//   }, error);
//
// or with an OutputFile held by the caller: open(), write..., commit().
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "io/file_error.h"

namespace vornex::io {

// The system calls a write makes; a test double can make any of them fail.
struct FileOps {
    virtual ~FileOps() = default;
    // Writes up to `size` bytes; returns the number written or -1 with errno (as ::write).
    virtual long write(int fd, const void* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to);
    // Gives `from` the name `to` only when nothing is at `to` (renameat2 with
    // RENAME_NOREPLACE); -1 with errno EEXIST when something is, EINVAL where
    // the file system cannot do it.
    virtual int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
};
FileOps& realFileOps();

struct WriteOptions {
    FileOps* ops = nullptr;  // null: the real system calls
    // The temporary file's name (no folder) for attempt 0, 1, ...; the default
    // is ".vornex-<pid>-" and six random letters and digits. A name that exists
    // is skipped; after 100 taken names the write fails.
    std::function<std::string(int attempt)> tempName = nullptr;
    bool sweep = true;  // sweep the folder's stale temporary files first
    // Create the target, never replace it: open() refuses a target that exists
    // (a symbolic link included, which is not followed), and commit() gives
    // the file its name only if nothing has appeared there meanwhile (renameat2
    // with RENAME_NOREPLACE; where the file system answers EINVAL, link() and
    // unlink()). Both fail with EEXIST and leave what is there untouched.
    bool noReplace = false;
};

class OutputFile {
public:
    OutputFile();
    ~OutputFile();  // discards an uncommitted file
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares the replacement of `target` (steps 1-3 above). False with error().
    bool open(const std::filesystem::path& target, const WriteOptions& options = {});

    // Appends bytes. After a failure every further call returns false.
    bool write(const void* data, std::size_t size);
    bool write(std::string_view bytes) { return write(bytes.data(), bytes.size()); }

    // A buffered stream onto the file; commit() flushes it. Its failures become
    // error() at commit.
    std::ostream& stream();

    // The temporary file's descriptor, for code that writes by itself. Mixing it
    // with stream() needs stream().flush() first.
    int fd() const { return fd_; }

    // Makes the file the target (step 4). False with error(); the old file then
    // stays as it was.
    bool commit();

    // Removes the temporary file; the target stays as it was.
    void discard();

    bool failed() const { return error_.failed(); }
    const FileError& error() const { return error_; }
    // The file that is replaced (symbolic links followed) and the temporary file.
    const std::filesystem::path& target() const { return target_; }
    std::filesystem::path tempPath() const;
    // Marks the write as failed with a reason of the caller's.
    void fail(int code, const std::string& reason);

private:
    class StreamBuffer;
    bool flushStream();
    bool renameWithoutReplacing();
    void release(bool unlinkTemp);

    FileOps* ops_ = nullptr;
    bool noReplace_ = false;
    int fd_ = -1, dirFd_ = -1, slot_ = -1;
    std::uint64_t written_ = 0, queued_ = 0;  // bytes written, and those sent to the disk early
    std::filesystem::path requested_, target_, dir_;
    std::string tempName_;
    FileError error_;
    std::unique_ptr<StreamBuffer> buffer_;
    std::unique_ptr<std::ostream> stream_;
};

// Replaces `target` with `bytes`.
bool writeFile(const std::filesystem::path& target, std::string_view bytes, FileError& error,
               const WriteOptions& options = {});

// Replaces `target` with what `fill` writes; `fill` returns false to give up
// (then nothing changes).
bool writeFile(const std::filesystem::path& target, const std::function<bool(OutputFile&)>& fill, FileError& error,
               const WriteOptions& options = {});

// True for the names of temporary files this program writes or once wrote:
// ".vornex-*", ".NAME.tmp-PID-N" and ".NAME.NNNN.part".
bool isTempFileName(std::string_view name);

// Removes the temporary files of `folder` (isTempFileName) that are regular
// files, older than `minAge`, and whose lock can be taken, so that a writer still
// at work, on this machine or another one sharing the folder, is never hit.
// Returns the number removed.
int sweepStaleTempFiles(const std::filesystem::path& folder,
                        std::chrono::seconds minAge = std::chrono::hours(1));

}  // namespace vornex::io
