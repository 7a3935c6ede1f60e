// Fuzzes the project-file reader: any bytes must give a version or a clean
// failure, never a crash, a hang or unbounded memory. What reads must write.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "document/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vornex::RoadProject project;
    vornex::DefaultAnswerPrompter prompter;
    int rc = vornex::readProject(project, std::span<const unsigned char>(data, size), prompter);
    if (rc > 0) {
        std::string out;
        vornex::writeProject(project, out);
    }
    return 0;
}
