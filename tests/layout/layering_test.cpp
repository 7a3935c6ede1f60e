// The layering of the sources, checked on every build: each #include "layer/…"
// under src/ must name a layer that the including layer may use, and the
// README's Layout section must name every layer. The rule is the design's: a
// layer may include only layers before it in the order below, and of those
// only the ones its "may use" list reaches (directly or through a layer it may
// use). `io` is the door for files: every layer after it that touches a file
// may use it.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kOrder = {"text",   "io",     "model", "geometry", "geodesy", "document", "adjust",
                                         "link",   "tables", "exchange", "cli",   "grid",     "app"};

// The "may use" list of each layer (the libraries beside the layers, such as Qt
// or the projection library, are not checked here).
const std::map<std::string, std::set<std::string>> kMayUse = {
    {"text", {}},
    {"io", {}},
    {"model", {"text"}},
    {"geometry", {"model", "text"}},
    {"geodesy", {}},
    {"document", {"geometry", "model", "text"}},
    {"adjust", {"geometry", "geodesy", "model", "text", "io"}},
    {"link", {"document", "text"}},
    {"tables", {"document", "geometry", "geodesy", "adjust", "text"}},
    {"exchange", {"document", "adjust", "geometry", "geodesy", "model", "text", "io"}},
    {"cli", {"text", "io", "model", "geometry", "geodesy", "document", "adjust", "link", "tables", "exchange"}},
    {"grid", {"tables"}},
    {"app", {"text", "io", "model", "geometry", "geodesy", "document", "adjust", "link", "tables", "exchange", "grid"}},
};

// Of `geometry`, adjust may use the angles only.
const std::map<std::string, std::set<std::string>> kOnlyHeaders = {{"adjust>geometry", {"geometry/angles.h"}}};

std::set<std::string> reachable(const std::string& layer) {
    std::set<std::string> seen;
    std::vector<std::string> todo(kMayUse.at(layer).begin(), kMayUse.at(layer).end());
    while (!todo.empty()) {
        const std::string l = todo.back();
        todo.pop_back();
        if (!seen.insert(l).second) continue;
        for (const std::string& m : kMayUse.at(l)) todo.push_back(m);
    }
    const auto io = std::find(kOrder.begin(), kOrder.end(), "io");
    if (std::find(kOrder.begin(), kOrder.end(), layer) > io) seen.insert("io");
    return seen;
}

int rank(const std::string& layer) {
    return static_cast<int>(std::find(kOrder.begin(), kOrder.end(), layer) - kOrder.begin());
}

const fs::path kSource = fs::path(VORNEX_SOURCE_DIR);

// The quoted path of an #include line ("layer/file.h"), empty for any other line.
std::string includedPath(const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] != '#') return {};
    i = line.find_first_not_of(" \t", i + 1);
    if (i == std::string::npos || line.compare(i, 7, "include") != 0) return {};
    i = line.find_first_not_of(" \t", i + 7);
    if (i == std::string::npos || line[i] != '"') return {};
    const std::size_t end = line.find('"', i + 1);
    return end == std::string::npos ? std::string() : line.substr(i + 1, end - i - 1);
}

TEST(Layering, EveryIncludeUnderSrcNamesALayerItMayUse) {
    int files = 0;
    std::vector<std::string> faults;
    for (const fs::directory_entry& dir : fs::directory_iterator(kSource / "src")) {
        if (!dir.is_directory()) continue;
        const std::string layer = dir.path().filename().string();
        ASSERT_TRUE(kMayUse.count(layer)) << "a layer the layering rule does not know: src/" << layer;
        const std::set<std::string> allowed = reachable(layer);
        for (const fs::directory_entry& f : fs::recursive_directory_iterator(dir.path())) {
            const std::string ext = f.path().extension().string();
            if (!f.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".in")) continue;
            ++files;
            std::ifstream in(f.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n) {
                const std::string header = includedPath(line);
                const std::size_t slash = header.find('/');
                if (slash == std::string::npos) continue;
                const std::string used = header.substr(0, slash);
                if (used == layer || !kMayUse.count(used)) continue;  // own headers; sub-folders such as app/dialogs
                const std::string where = fs::relative(f.path(), kSource).string() + ":" + std::to_string(n) + " ";
                if (rank(used) >= rank(layer)) faults.push_back(where + "points up to " + header);
                else if (!allowed.count(used)) faults.push_back(where + layer + " may not use " + used);
                const auto only = kOnlyHeaders.find(layer + ">" + used);
                if (only != kOnlyHeaders.end() && !only->second.count(header))
                    faults.push_back(where + layer + " may use of " + used + " only what it names, not " + header);
            }
        }
    }
    EXPECT_GT(files, 100);  // the sources were found
    std::ostringstream all;
    for (const std::string& f : faults) all << f << "\n";
    EXPECT_TRUE(faults.empty()) << all.str();
}

TEST(Layering, TheReadmeLayoutNamesEveryLayer) {
    std::ifstream in(kSource / "README.md");
    std::string line, layout;
    bool inLayout = false;
    while (std::getline(in, line)) {
        if (line.rfind("## ", 0) == 0) inLayout = line == "## Layout";
        else if (inLayout) layout += line + "\n";
    }
    ASSERT_FALSE(layout.empty());
    for (const fs::directory_entry& dir : fs::directory_iterator(kSource / "src")) {
        if (!dir.is_directory()) continue;
        EXPECT_NE(layout.find("`" + dir.path().filename().string() + "`"), std::string::npos)
            << "README's Layout leaves out " << dir.path().filename();
    }
}

}  // namespace
