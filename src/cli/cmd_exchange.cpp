// vornex-cli import and export: roads to and from the files of other road tools
// (LandXML 1.2, tables of intersection points, DXF plan drawings).
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "document/project_file.h"
#include "exchange/notes.h"
#include "exchange/exchange.h"

namespace vornex::cli {

namespace {

void printNotes(const std::vector<std::string>& notes) {
    for (const std::string& n : notes) std::cerr << "vornex-cli: " << n << "\n";
}

int runImport(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--alignment", 1}});
    if (!parsed.error.empty()) return usageError("import", parsed.error);
    if (parsed.positional.size() != 2) return usageError("import", "expected an input file and an output project");
    const std::filesystem::path in = parsed.positional[0], out = parsed.positional[1];
    if (exchange::formatOfPath(in) != exchange::ExchangeFormat::LandXml &&
        exchange::formatOfPath(in) != exchange::ExchangeFormat::PointsCsv) {
        return usageError("import", "the input must be a LandXML file (.xml) or a table of intersection points (.csv, .tsv, .txt)");
    }
    exchange::ImportOptions options;
    if (auto name = parsed.value("--alignment")) options.alignment = *name;
    exchange::ImportResult result;
    const int status = exchange::importToNewProject(in, out, options, result);
    if (status == exchange::kExchangeChooseAlignment) {
        std::cerr << "vornex-cli import: " << in.string() << " holds several alignments; choose one with --alignment NAME:\n";
        for (const std::string& name : result.alignmentNames) std::cerr << "  " << exchange::quotedInput(name) << "\n";
        return kExitUsage;
    }
    if (status != exchange::kExchangeOk) {
        std::cerr << "vornex-cli import: " << in.string() << ": " << result.error << "\n";
        return kExitFailed;
    }
    printNotes(result.notes);
    return kExitOk;
}

int runExport(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--road", 1}});
    if (!parsed.error.empty()) return usageError("export", parsed.error);
    if (parsed.positional.size() != 2) return usageError("export", "expected a project file and an output file");
    const std::filesystem::path in = parsed.positional[0], out = parsed.positional[1];
    if (exchange::formatOfPath(out) != exchange::ExchangeFormat::LandXml &&
        exchange::formatOfPath(out) != exchange::ExchangeFormat::Dxf) {
        return usageError("export", "the output must be a LandXML file (.xml) or a DXF drawing (.dxf)");
    }
    StderrNoticePrompter prompter;
    RoadProject project;
    const int version = readProject(project, in, prompter);
    if (version <= 0) {
        std::cerr << "vornex-cli export: cannot read " << in.string() << " (" << version << ")\n";
        return kExitFailed;
    }
    int road = -1;
    if (auto r = parsed.value("--road")) {
        road = -2;
        for (std::size_t i = 0; i < project.roads.size(); ++i) {
            if (project.roads[i].name.utf8() == *r || std::to_string(i) == *r) road = static_cast<int>(i);
        }
        if (road < 0) {
            std::cerr << "vornex-cli export: no such road " << *r << "\n";
            return kExitFailed;
        }
    }
    exchange::ExportResult result = exchange::exportRoads(project, road, out);
    printNotes(result.notes);
    if (result.status != exchange::kExchangeOk) {
        std::cerr << "vornex-cli export: " << result.error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar registerImport(
    "import",
    "import FILE.xml|FILE.csv OUT.rod [--alignment NAME]\n"
    "      writes a new project holding the road of a LandXML 1.2 file (the alignment NAME\n"
    "      when the file has several) or of a table of intersection points (name, X, Y, R,\n"
    "      Ls1, Ls2 under a header row); OUT must not exist. Notes go to standard error",
    runImport);

const CommandRegistrar registerExport(
    "export",
    "export FILE.rod OUT.xml|OUT.dxf [--road R]\n"
    "      writes every road (or road R, an index or a name) as LandXML 1.2 or as a DXF plan",
    runExport);

}  // namespace

}  // namespace vornex::cli
