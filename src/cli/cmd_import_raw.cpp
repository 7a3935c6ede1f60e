// vornex-cli import-raw: a digital level's or total station's raw file (GSI)
// into a new leveling (*.lev) or control-survey (*.con) file.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "exchange/exchange.h"
#include "exchange/gsi_import.h"

namespace vornex::cli {

namespace {

std::string lowerExtension(const std::filesystem::path& p) {
    std::string e = p.extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e;
}

int runImportRaw(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--order", 1}, {"--line", 1}, {"--known", 1}});
    if (!parsed.error.empty()) return usageError("import-raw", parsed.error);
    if (parsed.positional.size() != 2) return usageError("import-raw", "expected a raw file and an output survey file");
    const std::filesystem::path in = parsed.positional[0], out = parsed.positional[1];
    const std::string ext = lowerExtension(out);
    if (ext != ".lev" && ext != ".con") {
        return usageError("import-raw", "the output must be a leveling file (.lev) or a control-survey file (.con)");
    }
    const exchange::RawKind kind = ext == ".lev" ? exchange::RawKind::Leveling : exchange::RawKind::Control;
    exchange::RawImportOptions options;
    if (auto order = parsed.value("--order")) {
        const std::vector<std::string> names = exchange::rawOrderNames(kind);
        if (std::find(names.begin(), names.end(), *order) == names.end()) {
            std::string list;
            for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
            return usageError("import-raw", "--order for a " + std::string(ext == ".lev" ? "leveling" : "control-survey") +
                                                " file is one of " + list);
        }
        options.order = *order;
    }
    if (auto line = parsed.value("--line")) {
        if (kind != exchange::RawKind::Leveling) return usageError("import-raw", "--line is for leveling files (.lev)");
        const std::string& t = *line;
        if (t.empty() || t.size() > 6 || !std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c); }) ||
            std::stoi(t) < 1) {
            return usageError("import-raw", "--line takes a line number from 1");
        }
        options.line = std::stoi(t);
    }
    if (auto known = parsed.value("--known")) {
        if (kind != exchange::RawKind::Control) return usageError("import-raw", "--known is for control-survey files (.con)");
        std::string error;
        if (!exchange::readKnownPoints(*known, options.knownPoints, error)) {
            std::cerr << "vornex-cli import-raw: " << error << "\n";
            return kExitFailed;
        }
    }
    exchange::RawImportResult result;
    const int status = exchange::importRawFile(in, out, options, result);
    for (const std::string& n : result.notes) std::cerr << "vornex-cli: " << n << "\n";
    if (status != exchange::kExchangeOk) {
        std::cerr << "vornex-cli import-raw: " << in.string() << ": " << result.error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar registerImportRaw(
    "import-raw",
    "import-raw FILE.gsi OUT.lev|OUT.con [--order NAME] [--line N] [--known FILE]\n"
    "      writes a new leveling or control-survey file from a digital level's or total\n"
    "      station's GSI raw file (GSI-8 or GSI-16); the file's words decide the kind, which\n"
    "      must match OUT's extension. --order: 一等|二等|三等|四等 for leveling (default 二等),\n"
    "      二等|三等|四等|一级|二级 for control (default 四等); --line N takes only the Nth line\n"
    "      of a leveling file; --known FILE gives a control survey's known points as\n"
    "      name,X,Y[,H] lines. OUT must not exist. Notes and limit reports go to standard error",
    runImportRaw);

}  // namespace

}  // namespace vornex::cli
