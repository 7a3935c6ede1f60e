#include "exchange/file_access.h"

#include <cerrno>

#include "io/read.h"
#include "io/write.h"

namespace vornex::exchange {

// Both doors are the program's own: a regular file within the size limit is read
// whole; the output goes through a private temporary file renamed over the target.
bool readInput(const std::filesystem::path& file, std::size_t maxBytes, std::string& bytes, std::string& error) {
    io::FileError e;
    io::ReadOptions options;
    options.maxBytes = maxBytes;
    if (io::readFile(file, bytes, e, options)) return true;
    error = e.message;
    return false;
}

bool writeOutput(const std::filesystem::path& file, std::string_view bytes, std::string& error) {
    io::FileError e;
    if (io::writeFile(file, bytes, e)) return true;
    error = e.message;
    return false;
}

bool writeOutputStream(const std::filesystem::path& file, const std::function<bool(std::ostream&)>& fill,
                       std::string& error) {
    io::FileError e;
    if (io::writeFile(file, [&](io::OutputFile& out) { return fill(out.stream()) && out.stream().good(); }, e)) return true;
    error = e.message;
    return false;
}

bool createOutput(const std::filesystem::path& file, std::string_view bytes, std::string& error, bool& exists) {
    io::FileError e;
    io::WriteOptions options;
    options.noReplace = true;
    exists = false;
    if (io::writeFile(file, bytes, e, options)) return true;
    exists = e.code == EEXIST;
    error = e.message;
    return false;
}

}  // namespace vornex::exchange
