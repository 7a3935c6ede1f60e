// vornex-cli as a whole: --version and --help, before any command.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/run_cli.h"
#include "support/temp_dir.h"
#include "text/version.h"

namespace {

using vornex::testing::CliRun;
using vornex::testing::TempDir;

TEST(ProgramCliTest, VersionAndHelpGoToStandardOutput) {
    TempDir dir;
    CliRun version = vornex::testing::runCli(dir.path(), "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vornex-cli ") + vornex::kProgramVersion + "\n");
    EXPECT_TRUE(version.err.empty()) << version.err;

    CliRun help = vornex::testing::runCli(dir.path(), "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("\n  vornex-cli --version\n"), std::string::npos) << help.out;
}

TEST(ProgramCliTest, VersionThatCannotBeWrittenFails) {
    // A full disk (or a closed pipe) is a failure, not a silent success.
    const int raw = std::system(VORNEX_CLI_PATH " --version >/dev/full 2>/dev/null");
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
}

}  // namespace
