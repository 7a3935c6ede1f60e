// Outside commands for tests: records the programs the code asks to run and
// answers with scripted exit statuses; never starts one.
#pragma once

#include <string>
#include <vector>

#include "link/project_transfer.h"

namespace vornex::testing {

struct RecordedCommands : link::SystemCommands {
    bool present = true;        // whether udisksctl is on the PATH
    std::vector<int> statuses;  // exit status of each run in turn; 0 once used up
    std::vector<std::string> ran;
    bool available(const std::string& program) override { return present && program == "udisksctl"; }
    int run(const std::vector<std::string>& argv) override {
        std::string line;
        for (const auto& w : argv) line += (line.empty() ? "" : " ") + w;
        ran.push_back(line);
        if (statuses.empty()) return 0;
        const int status = statuses.front();
        statuses.erase(statuses.begin());
        return status;
    }
};

}  // namespace vornex::testing
