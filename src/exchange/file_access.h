// The exchange layer's two file doors: every byte it reads or writes passes here.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "io/file_error.h"

namespace vornex::exchange {

// The whole of a regular file of at most `maxBytes` bytes. False for anything
// else, with the reason (its English message names the path).
bool readInput(const std::filesystem::path& file, std::size_t maxBytes, std::string& bytes, io::FileError& error);

// Replaces `file` with `bytes` whole or not at all: a temporary file beside it
// is written, flushed and renamed over it; on any failure it is removed and
// the old file stays as it was.
bool writeOutput(const std::filesystem::path& file, std::string_view bytes, io::FileError& error);

// Replaces `file` as writeOutput does with what `fill` writes into a stream
// (false from `fill` gives up and leaves the old file).
bool writeOutputStream(const std::filesystem::path& file, const std::function<bool(std::ostream&)>& fill,
                       io::FileError& error);

// Creates `file` with `bytes`, never replacing anything: fails (with `exists`
// set) when something is at `file` before or when the file gets its name.
bool createOutput(const std::filesystem::path& file, std::string_view bytes, io::FileError& error, bool& exists);

}  // namespace vornex::exchange
