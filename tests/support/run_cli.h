// Runs the built vornex-cli as a user's script would, capturing its exit status
// and both output streams. For the command-line tests (VORNEX_CLI_PATH is set
// for test_cli only).
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace vornex::testing {

struct CliRun {
    int status = -1;
    std::string out, err;
};

// `args` is the command line after the program name (shell words); `env` holds
// "NAME=value" assignments put before it. The streams go through files in `dir`.
inline CliRun runCli(const std::filesystem::path& dir, const std::string& args, const std::string& env = "") {
    const std::string cmd = env + " " VORNEX_CLI_PATH " " + args + " >" + (dir / "cli-stdout").string() + " 2>" +
                            (dir / "cli-stderr").string();
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readAll(dir / "cli-stdout"), readAll(dir / "cli-stderr")};
}

}  // namespace vornex::testing
