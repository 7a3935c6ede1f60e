// Inputs the fuzzers found troublesome, kept so the fixes stay in place. Each
// must read to a clean result (the suite's time limit catches a hang, the
// sanitizer build anything unsafe).
#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

#include "document/project_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

using namespace vornex;

TEST(ProjectFileFuzzRegressions, DamagedFilesReadCleanly) {
    const std::filesystem::path dir = std::filesystem::path(VORNEX_TEST_DATA_DIR) / "fuzz-regressions" / "project";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string bytes = vornex::testing::readAll(entry.path());
        RoadProject project;
        vornex::testing::ScriptedPrompter prompter;
        const int rc = readProject(project, std::span<const unsigned char>(
                                                reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
                                   prompter);
        if (rc > 0) {
            std::string out;
            EXPECT_EQ(writeProject(project, out), 1);
        } else {
            EXPECT_TRUE(project == RoadProject{}) << "a failed read changed the project";
        }
        ++files;
    }
    EXPECT_GT(files, 0);
}
