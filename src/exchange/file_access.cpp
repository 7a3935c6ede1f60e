#include "exchange/file_access.h"

#include <cerrno>

#include "io/read.h"
#include "io/write.h"

namespace vornex::exchange {

// Both doors are the program's own: a regular file within the size limit is read
// whole; the output goes through a private temporary file renamed over the target.
bool readInput(const std::filesystem::path& file, std::size_t maxBytes, std::string& bytes, io::FileError& error) {
    io::ReadOptions options;
    options.maxBytes = maxBytes;
    return io::readFile(file, bytes, error, options);
}

bool writeOutput(const std::filesystem::path& file, std::string_view bytes, io::FileError& error) {
    return io::writeFile(file, bytes, error);
}

bool writeOutputStream(const std::filesystem::path& file, const std::function<bool(std::ostream&)>& fill,
                       io::FileError& error) {
    return io::writeFile(file, [&](io::OutputFile& out) { return fill(out.stream()) && out.stream().good(); }, error);
}

bool createOutput(const std::filesystem::path& file, std::string_view bytes, io::FileError& error, bool& exists) {
    io::WriteOptions options;
    options.noReplace = true;
    const bool written = io::writeFile(file, bytes, error, options);
    exists = !written && error.code == EEXIST;
    return written;
}

}  // namespace vornex::exchange
