// vornex-cli level / control: read a survey file, adjust it as the program does,
// and print one of its tables.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <string>

#include "adjust/network_plot.h"
#include "adjust/survey_modules.h"
#include "cli/command.h"
#include "cli/coordinate_options.h"
#include "tables/grid_text.h"
#include "geometry/angles.h"
#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex::cli {
namespace {

// Messages of the adjustment go to standard error.
struct StderrPrompter : DefaultAnswerPrompter {
    bool gbk = false;
    void message(std::string_view t, PromptIcon = PromptIcon::Warning) override { std::cerr << encodeOutput(std::string(t), gbk) << "\n"; }
    bool askYesNo(std::string_view t, bool defaultYes, PromptIcon) override {
        message(t);
        return defaultYes;
    }
};

struct Output {
    bool csv = false;
    bool gbk = false;
};

// Common options; returns an exit status, or -1 to go on.
int parseCommon(const ParsedArgs& a, Output& out, const char* command) {
    if (!a.error.empty()) {
        std::cerr << "vornex-cli " << command << ": " << a.error << "\n";
        return kExitUsage;
    }
    if (a.positional.size() != 1) {
        std::cerr << "vornex-cli " << command << ": one input file expected\n";
        return kExitUsage;
    }
    const std::string format = a.value("--format").value_or("tsv");
    const std::string encoding = a.value("--encoding").value_or("utf8");
    if ((format != "tsv" && format != "csv") || (encoding != "utf8" && encoding != "utf-8" && encoding != "gbk")) {
        std::cerr << "vornex-cli " << command << ": --format tsv|csv, --encoding utf8|gbk\n";
        return kExitUsage;
    }
    out.csv = format == "csv";
    out.gbk = encoding == "gbk";
    return -1;
}

bool parseIndex(const ParsedArgs& a, const char* option, int& index) {
    auto v = a.value(option);
    if (!v) return true;
    try {
        std::size_t used = 0;
        index = std::stoi(*v, &used);
        return used == v->size() && index >= 0;
    } catch (...) {
        return false;
    }
}

void print(const Grid& g, const Output& out) {
    std::cout << encodeOutput(out.csv ? gridToCsv(g) : gridToTsv(g), out.gbk);
    std::cout.flush();
}

// --refraction K|none: the coefficient of atmospheric refraction of the
// curvature and refraction correction (kDefaultRefraction when not given; 0 is
// the curvature of the earth only), or none for no correction. False (after the
// usage message) when K is neither none nor a number in [-1, 1].
bool parseRefraction(const ParsedArgs& a, const char* command, ControlModule& m) {
    m.refraction = kDefaultRefraction;
    m.correctCurvature = true;
    auto k = a.value("--refraction");
    if (!k) return true;
    if (*k == "none") {
        m.correctCurvature = false;
        return true;
    }
    double& refraction = m.refraction;
    char* end = nullptr;
    refraction = std::strtod(k->c_str(), &end);
    // A coefficient beyond +-1 has no physical meaning.
    if (k->empty() || *end != '\0' || !(std::fabs(refraction) <= 1)) {
        std::cerr << "vornex-cli " << command << ": --refraction takes a coefficient between -1 and 1, or none\n";
        return false;
    }
    return true;
}

// The correction of trigonometric heights in use, once per command on standard
// error, and only when the file has a height computed from a zenith angle.
void reportHeightCorrection(const ControlModule& m, const Output& out) {
    if (usesTrigonometricHeights(m)) std::cerr << encodeOutput(heightCorrectionText(m), out.gbk) << "\n";
}

int runLevel(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--table", 1}, {"--weighting", 1}, {"--section", 1}, {"--format", 1}, {"--encoding", 1}});
    Output out;
    if (int rc = parseCommon(a, out, "level"); rc >= 0) return rc;
    const std::string tableName = a.value("--table").value_or("points");
    const int code = surveyTableCode(tableName, SurveyModuleKind::Leveling);
    int section = 0;
    const std::string weighting = a.value("--weighting").value_or("");
    if (code == 0 || !parseIndex(a, "--section", section) || (!weighting.empty() && weighting != "length" && weighting != "stations")) {
        std::cerr << "vornex-cli level: unknown table, section or weighting\n";
        return kExitUsage;
    }
    StderrPrompter prompter;
    prompter.gbk = out.gbk;
    LevelingModule m;
    if (!openLevelingModule(m, a.positional[0], prompter)) {
        std::cerr << "vornex-cli level: cannot read " << a.positional[0] << "\n";
        return kExitFailed;
    }
    if (a.has("--section") && section >= m.network.sectionCount()) {
        std::cerr << "vornex-cli level: no section " << section << " (the file has " << m.network.sectionCount()
                  << ")\n";
        return kExitFailed;
    }
    if (!weighting.empty()) {
        // As the pane's choice does, but in memory only: the file is not rewritten.
        applyLevelingWeighting(m.network, weighting == "stations" ? 1 : 0);
        solveLevelingModule(m, prompter);
    }
    print(buildLevelingTable(m, code, section), out);
    const bool failed = m.adjust.pointCount > 0 && !m.adjust.adjusted;
    return failed ? kExitFailed : kExitOk;
}

int runControl(const std::vector<std::string>& args) {
    std::map<std::string, int> arity = {{"--table", 1}, {"--station", 1}, {"--refraction", 1}, {"--format", 1}, {"--encoding", 1}};
    addReductionOptions(arity);
    ParsedArgs a = parseArgs(args, arity);
    Output out;
    if (int rc = parseCommon(a, out, "control"); rc >= 0) return rc;
    ProjectionReduction reduction;
    if (int rc = readReductionOptions(a, "control", reduction, out.gbk); rc >= 0) return rc;
    const std::string tableName = a.value("--table").value_or("points");
    const int code = surveyTableCode(tableName, SurveyModuleKind::Control);
    int station = 0;
    if (code == 0 || !parseIndex(a, "--station", station)) {
        std::cerr << "vornex-cli control: unknown table or station\n";
        return kExitUsage;
    }
    ControlModule m;
    if (!parseRefraction(a, "control", m)) return kExitUsage;
    StderrPrompter prompter;
    prompter.gbk = out.gbk;
    m.reduction = reduction;
    if (!openControlModule(m, a.positional[0], prompter)) {
        std::cerr << "vornex-cli control: cannot read " << a.positional[0] << "\n";
        return kExitFailed;
    }
    // Asked for and not made (the reason has been shown): the results are not what was asked.
    const bool reductionFailed = reduction.enabled && !m.reduced.applied && m.plane.pointCount > 0;
    if (reduction.enabled && m.reduced.applied)
        std::cerr << encodeOutput(describeReduction(m.reduction, m.reduced), out.gbk) << "\n";
    reportHeightCorrection(m, out);
    if (a.has("--station") && station >= static_cast<int>(m.network.stations.size())) {
        std::cerr << "vornex-cli control: no station " << station << " (the file has " << m.network.stations.size()
                  << ")\n";
        return kExitFailed;
    }
    print(buildControlTable(m, code, station), out);
    // A doubtful plane result is printed but does not count as success.
    const bool failed = (m.plane.pointCount > 0 && !m.plane.adjusted) || (m.heights.pointCount > 0 && !m.heights.adjusted) ||
                        m.plane.doubtful || reductionFailed;
    return failed ? kExitFailed : kExitOk;
}

Grid tableOf(std::initializer_list<const char*> captions) {
    Grid g;
    for (const char* c : captions) g.columns.push_back({c, 80, {}});
    return g;
}

void setCell(GridRow& row, int column, std::string text) { row.cells[static_cast<std::size_t>(column)].text = std::move(text); }

// A point's name, coordinates and whether it is known, as the first four columns of a row.
void addPointRow(Grid& points, const NetworkPoint& p) {
    GridRow& row = points.addRow();
    setCell(row, 0, p.name);
    setCell(row, 1, text::format("%.4f", p.at.x));
    setCell(row, 2, text::format("%.4f", p.at.y));
    setCell(row, 3, p.known ? "已知点" : "");
}

// The points and lines of a route schematic, as the network plot draws them.
void printRoute(const RouteSchematic& r, const Output& out) {
    Grid points = tableOf({"点名", "X", "Y", "备注"});
    for (const NetworkPoint& p : r.points) addPointRow(points, p);
    Grid edges = tableOf({"起点", "终点", "测段数", "备注"});
    for (const RouteEdge& e : r.edges) {
        GridRow& row = edges.addRow();
        setCell(row, 0, r.points[static_cast<std::size_t>(e.from)].name);
        setCell(row, 1, r.points[static_cast<std::size_t>(e.to)].name);
        setCell(row, 2, std::to_string(e.sections.size()));
        setCell(row, 3, e.excluded ? "不参与平差" : "");
    }
    print(points, out);
    std::cout << "\n";
    print(edges, out);
}

// vornex-cli network: what the survey module's network plot draws. For a
// control survey the points at their adjusted coordinates with their error
// ellipses, and the sighted lines; for leveling (or a control survey of heights
// only) the route schematic's layout and its sections.
int runNetwork(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--refraction", 1}, {"--format", 1}, {"--encoding", 1}});
    Output out;
    if (int rc = parseCommon(a, out, "network"); rc >= 0) return rc;
    const std::string file = a.positional[0];
    std::string ext = file.size() >= 4 ? file.substr(file.size() - 4) : "";
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".lev" && ext != ".con") {
        std::cerr << "vornex-cli network: the input must be a leveling file (.lev) or a control-survey file (.con)\n";
        return kExitUsage;
    }
    ControlModule m;
    if (!parseRefraction(a, "network", m)) return kExitUsage;
    StderrPrompter prompter;
    prompter.gbk = out.gbk;
    if (ext == ".lev") {
        LevelingModule m;
        if (!openLevelingModule(m, file, prompter)) {
            std::cerr << "vornex-cli network: cannot read " << file << "\n";
            return kExitFailed;
        }
        const RouteSchematic r = levelingRoute(m);
        if (!r.geographic) std::cerr << encodeOutput("路线示意图（未按坐标绘制）", out.gbk) << "\n";
        printRoute(r, out);
        return kExitOk;
    }
    if (!openControlModule(m, file, prompter)) {
        std::cerr << "vornex-cli network: cannot read " << file << "\n";
        return kExitFailed;
    }
    reportHeightCorrection(m, out);
    const ControlPlot plot = controlPlot(m);
    if (plot.points.empty()) {
        // Heights only: the height network as a route schematic.
        printRoute(controlHeightRoute(m), out);
        return kExitOk;
    }
    Grid points = tableOf({"点名", "X", "Y", "备注", "A(mm)", "B(mm)", "F"});
    for (const NetworkPoint& p : plot.points) addPointRow(points, p);
    for (const ErrorEllipse& e : plot.ellipses) {
        GridRow& row = points.rows[static_cast<std::size_t>(e.point)];
        setCell(row, 4, text::format("%.2f", e.a * 1000));
        setCell(row, 5, text::format("%.2f", e.b * 1000));
        setCell(row, 6, formatDms(normalizeAngle(e.f * 180 / kPi)));
    }
    Grid lines = tableOf({"起点", "终点", "观测", "备注"});
    for (const NetworkLine& l : plot.lines) {
        GridRow& row = lines.addRow();
        setCell(row, 0, plot.points[static_cast<std::size_t>(l.from)].name);
        setCell(row, 1, plot.points[static_cast<std::size_t>(l.to)].name);
        setCell(row, 2, l.direction && l.distance ? "方向+边长" : l.direction ? "方向" : "边长");
        setCell(row, 3, l.oneWay ? "单向" : "");
    }
    print(points, out);
    std::cout << "\n";
    print(lines, out);
    const bool failed = (m.plane.pointCount > 0 && !m.plane.adjusted) || m.plane.doubtful;
    return failed ? kExitFailed : kExitOk;
}

const CommandRegistrar levelCommand(
    "level",
    "level FILE.lev [--table NAME] [--weighting length|stations] [--section I] [--format tsv|csv] [--encoding utf8|gbk]",
    runLevel);
const CommandRegistrar controlCommand("control",
                                      "control FILE.con [--table NAME] [--station I] [--refraction K|none] [--format tsv|csv] [--encoding utf8|gbk]\n"
                                      "  vornex-cli control FILE.con --reduce [--ellipsoid cgcs2000|xian80|beijing54|wgs84] (--cm D.MMSS | --zone N [--width 3|6]) "
                                      "[--height H0] [--mean-elevation H] [--arc-to-chord]",
                                      runControl);
const CommandRegistrar networkCommand("network",
                                      "network FILE.lev|FILE.con [--refraction K|none] [--format tsv|csv] [--encoding utf8|gbk]",
                                      runNetwork);

}  // namespace
}  // namespace vornex::cli
