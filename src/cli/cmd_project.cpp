// vornex-cli new, info and convert: project files as a whole.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "document/document.h"
#include "document/project_file.h"
#include "exchange/notes.h"
#include "text/text.h"

namespace vornex::cli {

namespace {

// Opens a project into `doc`; false when it cannot be read (the reason, such as
// "P is a directory", was shown through the prompter on standard error).
bool openProject(CVornexPcDoc& doc, const std::string& path, int& version) {
    version = doc.open(path);
    if (version <= 0) {
        if (version != kReadCannotOpen)
            std::cerr << "vornex-cli: " << path << ": cannot read the project (status " << version << ")\n";
        return false;
    }
    return true;
}

// The reason of a failed save ("cannot write P: ...") was shown through the prompter.
int saveProject(CVornexPcDoc& doc, const std::string& path) {
    return doc.save(path) == 1 ? kExitOk : kExitFailed;
}

int runNew(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {});
    if (!parsed.error.empty()) return usageError("new", parsed.error);
    if (parsed.positional.size() != 1) return usageError("new", "expected one output file");
    StderrNoticePrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    return saveProject(doc, parsed.positional[0]);
}

int runConvert(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {});
    if (!parsed.error.empty()) return usageError("convert", parsed.error);
    if (parsed.positional.size() != 2) return usageError("convert", "expected an input and an output file");
    StderrNoticePrompter prompter;
    CVornexPcDoc doc(prompter);
    int version = 0;
    if (!openProject(doc, parsed.positional[0], version)) return kExitFailed;
    return saveProject(doc, parsed.positional[1]);
}

std::string countsOf(const Road& road) {
    std::size_t rows = 0, piers = 0, piles = 0, contours = 0, slopeRules = 0, stationRules = 0, holes = 0;
    for (const SlopeTemplate& t : road.slopeTemplates) rows += t.rows.size();
    for (const Bridge& b : road.bridges) {
        piers += b.piers.size();
        for (const Pier& p : b.piers) piles += p.piles.size();
    }
    for (const TunnelTemplate& t : road.tunnelTemplates) {
        contours += t.excavation.size() + t.primary.size() + t.secondary.size();
    }
    for (const Tunnel& t : road.tunnels) {
        slopeRules += t.slopeRules.size();
        stationRules += t.stationRules.size();
        holes += t.blastHoles.size();
    }
    const std::size_t counts[] = {road.intersectionPoints.size(), road.elements.size(), road.gradePoints.size(),
                                  road.chainBreaks.size(),        road.plates.size(),   road.widthChanges.size(),
                                  road.crossfallChanges.size(),   road.slopeTemplates.size(), rows,
                                  road.slopeAssignments.size(),   road.structures.size(), road.bridges.size(),
                                  piers,                          piles,                road.tunnelTemplates.size(),
                                  contours,                       road.tunnels.size(),  slopeRules,
                                  stationRules,                   holes};
    std::string out;
    for (std::size_t c : counts) out += "\t" + std::to_string(c);
    return out;
}

int runInfo(const std::vector<std::string>& args) {
    ParsedArgs parsed = parseArgs(args, {{"--encoding", 1}});
    if (!parsed.error.empty()) return usageError("info", parsed.error);
    if (parsed.positional.size() != 1) return usageError("info", "expected one project file");
    const std::string encoding = parsed.value("--encoding").value_or("utf8");
    if (encoding != "utf8" && encoding != "gbk") return usageError("info", "--encoding takes utf8 or gbk");
    StderrNoticePrompter prompter;
    CVornexPcDoc doc(prompter);
    int version = 0;
    if (!openProject(doc, parsed.positional[0], version)) return kExitFailed;
    const RoadProject& project = doc.project();

    std::string out;
    out += "version\t" + std::to_string(version) + "\n";
    out += "project\t" + exchange::quotedInput(project.projectName.utf8()) + "\n";
    out += "password\t" + std::string(project.password.empty() ? "none" : "set") + "\n";
    out += text::format("precision(m)\t%.6g\n", project.precision);
    out += "control-points\t" + std::to_string(project.controlPoints.size()) + "\n";
    out += "roads\t" + std::to_string(project.roads.size()) + "\n";
    out += "\n";
    out += "road\tname\tprefix\tcurve-form\tcalc-method\tintersection-points\telements\tgrade-points\tchain-breaks"
           "\tplates\twidth-changes\tcrossfall-changes\tslope-templates\tslope-template-rows\tslope-assignments"
           "\tstructures\tbridges\tpiers\tpiles\ttunnel-templates\tcontour-elements\ttunnels"
           "\ttunnel-slope-rules\ttunnel-station-rules\tblast-holes\n";
    for (std::size_t i = 0; i < project.roads.size(); ++i) {
        const Road& road = project.roads[i];
        // Names from older files may hold control characters: shown escaped,
        // never sent to the terminal.
        out += std::to_string(i) + "\t" + exchange::quotedInput(road.name.utf8()) + "\t" +
               exchange::quotedInput(road.stationPrefix.utf8()) + "\t" +
               (road.curveForm == 1 ? "线元法" : "交点法") + "\t" + (road.calcMethod == 0 ? "传统算法" : "精确算法") +
               countsOf(road) + "\n";
    }
    std::cout << encodeOutput(out, encoding == "gbk");
    return std::cout.good() ? kExitOk : kExitFailed;
}

const CommandRegistrar registerNew("new", "new OUT.rod\n      writes a new project: one road \"Road01\", no records", runNew);

const CommandRegistrar registerInfo(
    "info",
    "info FILE.rod [--encoding utf8|gbk]\n"
    "      prints tab-separated lines \"version\", \"project\", \"password\" (set or none),\n"
    "      \"precision(m)\", \"control-points\" and \"roads\" with their values; an empty line;\n"
    "      then a header row and one row per road: index, name, prefix, curve form,\n"
    "      calculation method and the record counts of each list",
    runInfo);

const CommandRegistrar registerConvert(
    "convert", "convert IN.rod OUT.rod\n      reads a project of any version and saves it as the current version",
    runConvert);

}  // namespace

}  // namespace vornex::cli
