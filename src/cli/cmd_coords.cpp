// vornex-cli coords: a points file converted between latitude and longitude and
// a Gauss-Krüger grid, or from one zone (or central meridian) to another.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "geodesy/dms_text.h"
#include "geodesy/point_conversion.h"
#include "io/read.h"
#include "tables/coordinate_tables.h"
#include "tables/grid_text.h"

namespace vornex::cli {
namespace {

constexpr const char* kUsage =
    "coords IN.txt --from blh|xy [--ellipsoid cgcs2000|xian80|beijing54|wgs84] (--cm D.MMSS | --zone N [--width 3|6]) "
    "[--to-cm D.MMSS | --to-zone N [--to-width 3|6]] [--height H0] [--false-easting M] [--zone-prefix] "
    "[--format tsv|csv] [--encoding utf8|gbk]";

// A points file far larger than any survey's is refused before it is read.
constexpr std::uint64_t kPointFileLimit = 256ull << 20;

bool readNumber(const std::string& text, double& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

bool readInt(const std::string& text, int& v) {
    double d = 0;
    if (!readNumber(text, d) || d != static_cast<int>(d)) return false;
    v = static_cast<int>(d);
    return true;
}

int failed(const std::string& utf8, bool gbk) {
    std::cerr << "vornex-cli coords: " << encodeOutput(utf8, gbk) << "\n";
    return kExitFailed;
}

// The meridian of one side: --cm, or --zone with --width. 0 when set, else an exit status.
int readMeridian(const ParsedArgs& a, const std::string& prefix, int defaultWidth, geodesy::CoordinateSystem& s,
                 bool gbk) {
    const auto cm = a.value("--" + prefix + "cm");
    const auto zone = a.value("--" + prefix + "zone");
    const auto width = a.value("--" + prefix + "width");
    if (cm && (zone || width)) return usageError("coords", "--" + prefix + "cm and --" + prefix + "zone exclude each other");
    if (cm) {
        if (!geodesy::parseDmsText(*cm, s.centralMeridian))
            return usageError("coords", "--" + prefix + "cm takes a meridian in D.MMSS");
        s.zone = 0;
        return 0;
    }
    int z = 0, w = defaultWidth;
    if (!zone || !readInt(*zone, z) || (width && !readInt(*width, w)))
        return usageError("coords", "give the central meridian with --" + prefix + "cm D.MMSS or --" + prefix +
                                        "zone N [--" + prefix + "width 3|6]");
    if (w != 3 && w != 6) return usageError("coords", "--" + prefix + "width is 3 or 6");
    if (!geodesy::setZone(s, z, w))
        return failed(w == 3 ? "没有第 " + std::to_string(z) + " 带：3°带为 1–120 带"
                             : "没有第 " + std::to_string(z) + " 带：6°带为 1–60 带",
                      gbk);
    return 0;
}

int runCoords(const std::vector<std::string>& args) {
    ParsedArgs a = parseArgs(args, {{"--from", 1},      {"--ellipsoid", 1}, {"--cm", 1},     {"--zone", 1},
                                    {"--width", 1},     {"--to-cm", 1},     {"--to-zone", 1}, {"--to-width", 1},
                                    {"--height", 1},    {"--false-easting", 1}, {"--zone-prefix", 0},
                                    {"--format", 1},    {"--encoding", 1}});
    if (!a.error.empty()) return usageError("coords", a.error);
    if (a.positional.size() != 1) return usageError("coords", "one input file expected");
    const std::string from = a.value("--from").value_or("");
    if (from != "blh" && from != "xy") return usageError("coords", "--from blh|xy is required");
    const std::string format = a.value("--format").value_or("tsv");
    const std::string encoding = a.value("--encoding").value_or("utf8");
    if ((format != "tsv" && format != "csv") || (encoding != "utf8" && encoding != "utf-8" && encoding != "gbk"))
        return usageError("coords", "--format tsv|csv, --encoding utf8|gbk");
    const bool gbk = encoding == "gbk";

    geodesy::ConversionSetup setup;
    setup.fromGeographic = from == "blh";
    geodesy::CoordinateSystem& s = setup.from;
    if (auto e = a.value("--ellipsoid"); e && !geodesy::ellipsoidFromKey(*e, s.ellipsoid))
        return failed("未知的椭球“" + *e + "”：可选 cgcs2000、xian80、beijing54、wgs84", gbk);
    if (auto h = a.value("--height"); h && !readNumber(*h, s.projectionHeight))
        return usageError("coords", "--height takes the projection height in metres");
    if (auto fe = a.value("--false-easting"); fe && !readNumber(*fe, s.falseEasting))
        return usageError("coords", "--false-easting takes metres");
    if (int rc = readMeridian(a, "", 3, s, gbk); rc != 0) return rc;
    setup.zoneChange = a.has("--to-cm") || a.has("--to-zone") || a.has("--to-width");
    if (setup.zoneChange) {
        if (setup.fromGeographic) return usageError("coords", "--to-cm/--to-zone change the zone of x, y (--from xy)");
        setup.to = s;
        if (int rc = readMeridian(a, "to-", s.zone != 0 ? s.zoneWidth : 3, setup.to, gbk); rc != 0) return rc;
    }
    if (a.has("--zone-prefix")) {
        // The zone number goes in front of the y written: that of the grid the results are on.
        if (setup.zoneChange) setup.to.zonePrefix = true;
        else if (setup.fromGeographic) s.zonePrefix = true;
    }
    if (std::string why = geodesy::checkSetup(setup); !why.empty()) return failed(why, gbk);

    std::string bytes;
    io::FileError error;
    if (!io::readFile(a.positional[0], bytes, error, {.maxBytes = kPointFileLimit}))
        return failed(error.message, gbk);
    std::cerr << encodeOutput("坐标系: " + geodesy::describeSystem(s), gbk) << "\n";
    if (setup.zoneChange) std::cerr << encodeOutput("换带到: " + geodesy::describeSystem(setup.to), gbk) << "\n";
    const geodesy::ConversionOutcome outcome = geodesy::convertPointText(pointFileText(bytes), setup);
    for (const std::string& p : outcome.problems) std::cerr << "vornex-cli coords: " << encodeOutput(p, gbk) << "\n";
    const Grid g = coordinateConversionTable(outcome, geodesy::resultIsGeographic(setup));
    std::cout << encodeOutput(format == "csv" ? gridToCsv(g) : gridToTsv(g), gbk);
    std::cout.flush();
    // Lines left out make the run a failure, though every good line is converted.
    return outcome.problems.empty() ? kExitOk : kExitFailed;
}

const CommandRegistrar coordsCommand("coords", kUsage, runCoords);

}  // namespace
}  // namespace vornex::cli
