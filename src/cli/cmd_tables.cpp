// vornex-cli tables, table, query and batch: the road tables and the route query
// from the command line, built by the same table builders the program shows.

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "document/edits.h"
#include "document/project_file.h"
#include "geometry/angles.h"
#include "geometry/section_drawing.h"
#include "geometry/stations.h"
#include "model/prompter.h"
#include "model/road.h"
#include "tables/data_tables.h"
#include "tables/grid_text.h"
#include "tables/road_tables.h"
#include "tables/route_query.h"
#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex::cli {
namespace {

namespace tc = table_code;

struct TableName {
    const char* name;
    int code;
};

// The road tables by name, in the order of the program's trees.
const TableName kRoadTables[] = {
    {"control-points", tc::kControlPoints},
    {"chain-breaks", tc::kChainBreaks},
    {"intersection-points", tc::kIntersectionPoints},
    {"elements", tc::kElements},
    {"grade-points", tc::kGradePoints},
    {"plates", tc::kPlates},
    {"width-changes", tc::kWidthChanges},
    {"crossfall-changes", tc::kCrossfallChanges},
    {"structures", tc::kStructures},
    {"slope-assignments", tc::kSlopeAssignments},
    {"slope-template", tc::kSlopeTemplateRows},
    {"piles", tc::kPiles},
    {"contour", tc::kExcavationContour},
    {"tunnel-slope-rules", tc::kTunnelSlopeRules},
    {"tunnel-station-rules", tc::kTunnelStationRules},
    {"blast-holes", tc::kBlastHoles},
    {"curve-elements", tc::kCurveElements},
    {"element-list", tc::kElementList},
    {"coordinates", tc::kCoordinates},
    {"vertical-curves", tc::kVerticalCurves},
    {"structure-stakeout", tc::kStructureStakeout},
    {"bridge-positions", tc::kBridgePositions},
};

// Shows messages on standard error and answers questions with their defaults.
struct StderrPrompter : DefaultAnswerPrompter {
    explicit StderrPrompter(bool gbk) : gbk_(gbk) {}
    void message(std::string_view t, PromptIcon = PromptIcon::Warning) override { std::cerr << encodeOutput(std::string(t), gbk_) << "\n"; }
    bool gbk_;
};

int usage(const std::string& error, const char* command) {
    std::cerr << "vornex-cli " << command << ": " << error << "\n";
    return kExitUsage;
}

bool wantsGbk(const ParsedArgs& a, std::string& error) {
    auto e = a.value("--encoding");
    if (!e || *e == "utf8" || *e == "utf-8") return false;
    if (*e == "gbk") return true;
    error = "unknown encoding " + *e;
    return false;
}

std::optional<int> parseInt(const std::string& s) {
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < -1000000000L || v > 1000000000L) return std::nullopt;
    return static_cast<int>(v);
}

std::optional<double> parseDouble(const std::string& s) { return readTypedNumber(s, NumberText::Whole); }

// Index of a named record: its index (from 0) or its name (UTF-8); -1 none.
template <class List>
int findIndex(const List& list, const std::string& key) {
    if (auto i = parseInt(key); i && *i >= 0 && *i < static_cast<int>(list.size())) return *i;
    for (std::size_t k = 0; k < list.size(); ++k)
        if (list[k].name.utf8() == key) return static_cast<int>(k);
    return -1;
}

bool loadProject(const std::string& file, RoadProject& project, bool gbk) {
    StderrPrompter prompter(gbk);
    int r = readProject(project, std::filesystem::path(file), prompter);
    if (r > 0) return true;
    // A file that could not be opened was named with the reason already.
    if (r != kReadCannotOpen) std::cerr << "vornex-cli: cannot read " << file << " (" << r << ")\n";
    return false;
}

// The road named by --road (index or name); the first road by default.
int chooseRoad(const RoadProject& project, const ParsedArgs& a) {
    auto r = a.value("--road");
    if (!r) return project.roads.empty() ? -1 : 0;
    return findIndex(project.roads, *r);
}

void print(const std::string& utf8, bool gbk) { std::cout << encodeOutput(utf8, gbk); }

// ---- tables -------------------------------------------------------------------

int runTables(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--encoding", 1}});
    if (!a.error.empty()) return usage(a.error, "tables");
    if (!a.positional.empty()) return usage("takes no arguments", "tables");
    std::string error;
    bool gbk = wantsGbk(a, error);
    if (!error.empty()) return usage(error, "tables");
    std::string out;
    for (const TableName& t : kRoadTables) out += text::format("%s\t%d\n", t.name, t.code);
    for (const SurveyTableName& t : surveyTableNames()) out += text::format("%s\t%d\n", t.name, t.code);
    print(out, gbk);
    return kExitOk;
}

// ---- table ----------------------------------------------------------------------

int tableCode(const std::string& nameOrCode) {
    for (const TableName& t : kRoadTables)
        if (nameOrCode == t.name) return t.code;
    if (auto c = parseInt(nameOrCode); c && (isDataTableCode(*c) || isRoadResultCode(*c))) return *c;
    return 0;
}

int runTable(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--road", 1}, {"--side", 1}, {"--bridge", 1}, {"--pier", 1}, {"--template", 1},
                                    {"--tunnel", 1}, {"--format", 1}, {"--encoding", 1}, {"--interval", 1}});
    if (!a.error.empty()) return usage(a.error, "table");
    if (a.positional.size() != 2) return usage("needs FILE.rod and a table NAME", "table");
    std::string error;
    bool gbk = wantsGbk(a, error);
    if (!error.empty()) return usage(error, "table");
    std::string format = a.value("--format").value_or("tsv");
    if (format != "tsv" && format != "csv") return usage("unknown format " + format, "table");
    int code = tableCode(a.positional[1]);
    if (code == 0) return usage("unknown table " + a.positional[1], "table");
    double interval = 100;
    if (auto v = a.value("--interval")) {
        auto n = parseDouble(*v);
        if (!n || !validCoordinateInterval(*n))
            return usage(text::format("--interval is a step in metres from %g to %g", kMinCoordinateInterval,
                                      kMaxCoordinateInterval),
                         "table");
        if (code != tc::kCoordinates) return usage("--interval goes with the coordinates table", "table");
        interval = *n;
    }
    DataTableContext ctx;
    ctx.editable = false;  // printed as a read-only table: no empty row for new entries
    if (auto side = a.value("--side")) {
        if (*side == "left") ctx.side = 1;
        else if (*side == "right") ctx.side = 2;
        else return usage("--side is left or right", "table");
    }

    RoadProject project;
    if (!loadProject(a.positional[0], project, gbk)) return kExitFailed;
    ctx.road = chooseRoad(project, a);
    if (ctx.road < 0 && code != tc::kControlPoints) {
        std::cerr << "vornex-cli table: no such road\n";
        return kExitFailed;
    }
    if (ctx.road >= 0) {
        Road& road = project.roads[static_cast<std::size_t>(ctx.road)];
        // The plane alignment table follows the road's method.
        code = planeTableCode(&road, code);
        auto pick = [&](const char* option, auto& list, auto assign) -> bool {
            auto v = a.value(option);
            if (!v) return true;
            int i = findIndex(list, *v);
            if (i < 0) {
                std::cerr << "vornex-cli table: no such " << (option + 2) << " " << *v << "\n";
                return false;
            }
            assign(i);
            return true;
        };
        if (!pick("--bridge", road.bridges, [&](int i) {
                road.currentBridge = i;
                road.currentPier = -1;
            }))
            return kExitFailed;
        if (a.has("--pier")) {
            if (road.currentBridge < 0 || road.currentBridge >= static_cast<int>(road.bridges.size())) {
                std::cerr << "vornex-cli table: --pier needs a bridge\n";
                return kExitFailed;
            }
            if (!pick("--pier", road.bridges[static_cast<std::size_t>(road.currentBridge)].piers,
                      [&](int i) { road.currentPier = i; }))
                return kExitFailed;
        }
        if (!pick("--tunnel", road.tunnels, [&](int i) { road.currentTunnel = i; })) return kExitFailed;
        if (code == tc::kSlopeTemplateRows) {
            if (!pick("--template", road.slopeTemplates, [&](int i) { ctx.slopeTemplate = i; })) return kExitFailed;
            if (!a.has("--template") && !road.slopeTemplates.empty()) ctx.slopeTemplate = 0;
        } else if (code == tc::kExcavationContour || code == tc::kPrimaryContour || code == tc::kSecondaryContour) {
            if (!pick("--template", road.tunnelTemplates, [&](int i) { ctx.tunnelTemplate = i; })) return kExitFailed;
            if (!a.has("--template") && !road.tunnelTemplates.empty()) ctx.tunnelTemplate = 0;
        }
    }
    Grid grid = isRoadResultCode(code) ? buildRoadTable(project, ctx.road, code, interval)
                                       : buildDataTable(project, code, ctx);
    print(format == "csv" ? gridToCsv(grid) : gridToTsv(grid), gbk);
    if (int row = 0, column = 0; findNonFiniteCell(grid, row, column)) {
        std::cerr << "vornex-cli table: a value is not a finite number (row " << row + 1 << ", column "
                  << column + 1 << "): the road holds absurd values\n";
        return kExitFailed;
    }
    return kExitOk;
}

// ---- query ------------------------------------------------------------------------

int runQuery(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--road", 1}, {"--station", 1}, {"--offset", 1}, {"--side", 1}, {"--angle", 1},
                                    {"--z", 1}, {"--xy", 2}, {"--encoding", 1}});
    if (!a.error.empty()) return usage(a.error, "query");
    if (a.positional.size() != 1) return usage("needs FILE.rod", "query");
    std::string error;
    bool gbk = wantsGbk(a, error);
    if (!error.empty()) return usage(error, "query");
    bool byStation = a.has("--station"), byXy = a.has("--xy");
    if (byStation == byXy) return usage("give either --station or --xy", "query");
    if (byXy && (a.has("--offset") || a.has("--side") || a.has("--angle")))
        return usage("--offset, --side and --angle go with --station", "query");
    if (a.has("--side") && a.has("--angle")) return usage("give --side or --angle, not both", "query");
    std::optional<double> z;
    if (auto v = a.value("--z")) {
        z = parseDouble(*v);
        if (!z) return usage("--z needs a number", "query");
    }
    StationQuery sq;
    CoordinateQuery cq;
    if (byStation) {
        sq.station = *a.value("--station");
        sq.z = z;
        if (auto v = a.value("--offset")) {
            auto d = parseDouble(*v);
            if (!d) return usage("--offset needs a number", "query");
            sq.offset = *d;
        }
        if (auto v = a.value("--side")) {
            if (*v == "left") sq.angle = 270;
            else if (*v == "right") sq.angle = 90;
            else return usage("--side is left or right", "query");
        }
        if (auto v = a.value("--angle")) {
            auto d = parseDouble(*v);
            if (!d) return usage("--angle needs a 度.分秒 number", "query");
            sq.angle = *d;
        }
    } else {
        const auto& xy = a.options.at("--xy");
        auto x = parseDouble(xy[0]), y = parseDouble(xy[1]);
        if (!x || !y) return usage("--xy needs two numbers", "query");
        cq = {*x, *y, z};
    }

    RoadProject project;
    if (!loadProject(a.positional[0], project, gbk)) return kExitFailed;
    int road = chooseRoad(project, a);
    if (road < 0) {
        std::cerr << "vornex-cli query: no such road\n";
        return kExitFailed;
    }
    RouteQueryResult r = byStation ? queryByStation(project, road, sq) : queryByCoordinates(project, road, cq);
    std::string out;
    for (const auto& [field, value] : routeQueryFields(project.roads[static_cast<std::size_t>(road)], r, byXy && z))
        out += field + "\t" + value + "\n";
    print(out, gbk);
    if (!r.found) {
        TypedStation typed;
        if (r.overflow)
            std::cerr << "vornex-cli query: the result is not a finite number: the road holds absurd values\n";
        else if (byStation && !parseStationText(project.roads[static_cast<std::size_t>(road)], sq.station, typed))
            std::cerr << "vornex-cli query: cannot read the station " << sq.station
                      << " (a number, or the road's station text such as K12+100)\n";
        else
            std::cerr << "vornex-cli query: the point is not on the road\n";
        return kExitFailed;
    }
    return kExitOk;
}

// ---- batch -------------------------------------------------------------------------

int runBatch(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--road", 1}, {"--encoding", 1}});
    if (!a.error.empty()) return usage(a.error, "batch");
    if (a.positional.size() != 2) return usage("needs FILE.rod and INPUT.txt", "batch");
    std::string error;
    bool gbk = wantsGbk(a, error);
    if (!error.empty()) return usage(error, "batch");
    RoadProject project;
    if (!loadProject(a.positional[0], project, gbk)) return kExitFailed;
    int road = chooseRoad(project, a);
    if (road < 0) {
        std::cerr << "vornex-cli batch: no such road\n";
        return kExitFailed;
    }
    struct Collect : DefaultAnswerPrompter {
        std::vector<std::string> shown;
        void message(std::string_view t, PromptIcon = PromptIcon::Warning) override { shown.emplace_back(t); }
    } prompter;
    // On a terminal, the share of the input read so far goes to standard error.
    BatchProgress progress;
    const bool terminal = isatty(STDERR_FILENO) == 1;
    if (terminal)
        progress.report = [](std::uint64_t done, std::uint64_t total) {
            std::cerr << "\r" << (total ? done * 100 / total : 100) << "%" << std::flush;
            return true;
        };
    int n = batchQuery(project, road, a.positional[1], prompter, progress);
    if (terminal) std::cerr << "\r    \r" << std::flush;
    if (n == -1 && prompter.shown.empty()) {
        std::cerr << "vornex-cli batch: cannot read " << a.positional[1] << "\n";
        return kExitFailed;
    }
    for (const auto& m : prompter.shown) (n >= 0 ? std::cout : std::cerr) << encodeOutput(m, gbk) << "\n";
    if (n < 0) return kExitFailed;
    print(batchOutputPath(a.positional[1]) + "\n", gbk);
    return kExitOk;
}

// ---- section -----------------------------------------------------------------------

// The designed cross-section at a station, one point per line: the piece (路面,
// 路基, 左边坡, 右边坡, and in a tunnel each half of its contours: 开挖线右,
// 开挖线左, 初支右 ...), the offset from the centreline, the height above the
// centreline design elevation and the elevation (empty without a profile).
int runSection(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--road", 1}, {"--station", 1}, {"--encoding", 1}});
    if (!a.error.empty()) return usage(a.error, "section");
    if (a.positional.size() != 1) return usage("needs FILE.rod", "section");
    if (!a.has("--station")) return usage("needs --station", "section");
    std::string error;
    bool gbk = wantsGbk(a, error);
    if (!error.empty()) return usage(error, "section");
    RoadProject project;
    if (!loadProject(a.positional[0], project, gbk)) return kExitFailed;
    int roadIndex = chooseRoad(project, a);
    if (roadIndex < 0) {
        std::cerr << "vornex-cli section: no such road\n";
        return kExitFailed;
    }
    const Road& road = project.roads[static_cast<std::size_t>(roadIndex)];
    double c = toContinuousChainage(road, *a.value("--station"));
    if (c == kNoValue) {
        std::cerr << "vornex-cli section: cannot read the station " << *a.value("--station")
                  << " (a number, or the road's station text such as K12+100)\n";
        return kExitFailed;
    }
    if (c < alignmentStart(road) - 0.0005 || c > alignmentEnd(road) + 0.0005) {
        std::cerr << "vornex-cli section: the station is not on the road\n";
        return kExitFailed;
    }
    DesignedSection s = designedSection(road, c);
    std::string out = "部分\t偏距\t高差\t高程\n";
    bool finite = !s.hasElevation || std::isfinite(s.centreElevation);
    auto piece = [&](const char* name, const SectionPolyline& line) {
        for (const SectionPoint& p : line) {
            finite = finite && std::isfinite(p.offset) && std::isfinite(p.height);
            std::string z = s.hasElevation ? text::format("%.3f", s.centreElevation + p.height) : "";
            out += text::format("%s\t%.3f\t%.3f\t", name, p.offset, p.height) + z + "\n";
        }
    };
    piece("路面", s.surface);
    piece("路基", s.subgrade);
    piece("左边坡", s.leftSlope);
    piece("右边坡", s.rightSlope);
    for (const TunnelOutline& o : s.tunnel) {
        const std::string name = o.contour == RecordKind::ExcavationContour ? "开挖线"
                                 : o.contour == RecordKind::PrimaryContour  ? "初支"
                                                                            : "二衬";
        piece((name + "右").c_str(), o.right);
        piece((name + "左").c_str(), o.left);
    }
    print(out, gbk);
    if (!finite) {
        std::cerr << "vornex-cli section: the result is not a finite number: the road holds absurd values\n";
        return kExitFailed;
    }
    return kExitOk;
}

const CommandRegistrar tablesCommand("tables", "tables [--encoding utf8|gbk]", runTables);
const CommandRegistrar tableCommand(
    "table",
    "table FILE.rod NAME [--road R] [--side left|right] [--bridge B] [--pier P] [--template T] [--tunnel T] "
    "[--format tsv|csv] [--encoding utf8|gbk] [--interval N]",
    runTable);
const CommandRegistrar sectionCommand("section", "section FILE.rod --station TEXT [--road R] [--encoding utf8|gbk]",
                                      runSection);
const CommandRegistrar queryCommand(
    "query",
    "query FILE.rod [--road R] --station TEXT [--offset W] [--side left|right | --angle DMS] [--z Z]\n"
    "  vornex-cli query FILE.rod [--road R] --xy X Y [--z Z]",
    runQuery);
const CommandRegistrar batchCommand("batch", "batch FILE.rod INPUT.txt [--road R]", runBatch);

}  // namespace
}  // namespace vornex::cli
