// The project file (*.rod): the writer of the current format (version 83) and
// the reader of every older version.
//
// Layout of version 83: a header (version, password, reserved bytes, project
// name, precision, control points), the number of roads written (a "~Manual"
// road is never written) and one section per road holding all its record
// lists. Numbers are big-endian and XORed with H = (5·version + 123) mod 256;
// see model/scramble.h for the record images.
//
// The reader parses from memory with a bounds-checked reader: a file that ends
// early or holds an impossible count never reads past its end, never loops and
// never allocates more than a small multiple of its own size. The project is
// changed only when the whole file was read; otherwise it is left as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "io/file_error.h"
#include "io/write.h"
#include "model/prompter.h"
#include "model/road.h"

namespace vornex {

// Results of readProject (a positive result is the version read).
inline constexpr int kReadNoMemory = -1;       // memory ran out; "内存已满" was shown
inline constexpr int kReadDamaged = -4;        // the file ends early or is not a project file
inline constexpr int kReadNewerVersion = -8;   // "不能读入高版本项目"; nothing read
inline constexpr int kReadCannotOpen = -7;     // the file could not be opened or read
inline constexpr int kReadBadValue = -9;       // a value a computation reads is not finite; the message names it

// readRoad: memory ran out inside the road section.
inline constexpr int kRoadNoMemory = -5;

// Results of writeProject.
inline constexpr int kWriteOk = 1;
inline constexpr int kWriteFailed = -3;  // nothing of the target changed

// The file operations a save uses (the writing door's). The real one calls the
// operating system; a test double can make any of them fail (for example a
// write at a chosen offset).
using FileSystemOps = io::FileOps;
FileSystemOps& realFileSystem();

// The bytes of the project as version 83. Every written road's roadKey becomes
// 83 and a current tunnel beyond the tunnel list is limited to its last tunnel.
// The caller orders the lists first (sortChainBreaks, rebuildWidthLinks, ...).
// Returns 1.
int writeProject(RoadProject& project, std::string& out);

// Saves through the writing door: the bytes go to a temporary file beside
// `file` (beside the file it links to, for a link), which is flushed to disk
// and renamed over it only when everything was written. A failed save leaves an
// existing file untouched, removes the temporary file and returns kWriteFailed
// (-3), with the reason (errno and a message naming the file) in `error`;
// success returns 1.
int writeProject(RoadProject& project, const std::filesystem::path& file,
                 FileSystemOps& fs = realFileSystem());
int writeProject(RoadProject& project, const std::filesystem::path& file, io::FileError& error,
                 FileSystemOps& fs = realFileSystem());

// One road section (version 83) appended to `out`. Returns 1.
int writeRoad(Road& road, std::string& out);

// Reads a project from file bytes. Returns the version read (> 0), or
// kReadNewerVersion, kReadDamaged, kReadNoMemory; on any failure the project is
// unchanged. On success the control points and every road not named "~Manual"
// are replaced by those of the file (scratch roads stay, in front); the password
// is replaced from version 71 on, the project name and precision from version 60
// on. A file with a NaN or infinite value where a computation reads one gives
// kReadBadValue (see document/project_values.h). Messages ("不能读入高版本项目", "v0.9以前项目不能读取边坡数据.", and
// for a damaged file "项目文件已损坏，不能读入。") go through `prompter`.
int readProject(RoadProject& project, std::span<const unsigned char> bytes, Prompter& prompter);
// From a file, through the reading door: only a regular file of at most
// io::kProjectFileLimit bytes is read, and its version is checked before the
// rest is read. A file that cannot be read gives kReadCannotOpen, with the
// door's message ("P is a directory", "P is too large (...)", ...) shown, or,
// when `fileFailure` is given, kept there untold for the caller to tell in its
// own words.
int readProject(RoadProject& project, const std::filesystem::path& file, Prompter& prompter,
                io::FileError* fileFailure = nullptr);

// Reads one road section of version road.roadKey starting at `offset`.
// `precision` is used to compute the elements of an intersection-point road
// from files older than version 72. Returns the offset after the section, 0
// when the data end inside the section (or a count is impossible),
// kRoadNoMemory (-5) when memory ran out; after a failure the road holds what was read before it.
long long readRoad(Road& road, std::span<const unsigned char> bytes, std::size_t offset, double precision);

}  // namespace vornex
