// vornex-cli coords: a points file converted between latitude and longitude and
// a Gauss-Krüger grid, or from one zone (or central meridian) to another.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "cli/coordinate_options.h"
#include "geodesy/dms_text.h"
#include "geodesy/point_conversion.h"
#include "io/read.h"
#include "tables/coordinate_tables.h"
#include "tables/grid_text.h"
#include "text/utf8.h"

namespace vornex::cli {
namespace {

constexpr const char* kUsage =
    "coords IN.txt --from blh|xy [--ellipsoid cgcs2000|xian80|beijing54|wgs84] (--cm D.MMSS | --zone N [--width 3|6]) "
    "[--to-cm D.MMSS | --to-zone N [--to-width 3|6]] [--height H0] [--false-easting M] [--zone-prefix] "
    "[--format tsv|csv] [--encoding utf8|gbk]";

// A points file far larger than any survey's is refused before it is read.
constexpr std::uint64_t kPointFileLimit = 256ull << 20;

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
    if (int rc = readEllipsoidAndHeight(a, "coords", s, gbk); rc >= 0) return rc;
    if (auto fe = a.value("--false-easting"); fe && !readCoordinateNumber(*fe, s.falseEasting))
        return usageError("coords", "--false-easting takes metres");
    if (int rc = readMeridian(a, "coords", "", 3, s, gbk); rc >= 0) return rc;
    setup.zoneChange = a.has("--to-cm") || a.has("--to-zone") || a.has("--to-width");
    if (setup.zoneChange) {
        if (setup.fromGeographic) return usageError("coords", "--to-cm/--to-zone change the zone of x, y (--from xy)");
        setup.to = s;
        if (int rc = readMeridian(a, "coords", "to-", s.zone != 0 ? s.zoneWidth : 3, setup.to, gbk); rc >= 0) return rc;
    }
    if (a.has("--zone-prefix")) {
        // The zone number goes in front of the y written: that of the grid the results are on.
        if (setup.zoneChange) setup.to.zonePrefix = true;
        else if (setup.fromGeographic) s.zonePrefix = true;
    }
    if (std::string why = geodesy::checkSetup(setup); !why.empty()) return coordinateFailure("coords", why, gbk);

    std::string bytes;
    io::FileError error;
    if (!io::readFile(a.positional[0], bytes, error, {.maxBytes = kPointFileLimit}))
        return coordinateFailure("coords", error.message, gbk);
    std::cerr << encodeOutput("坐标系: " + geodesy::describeSystem(s), gbk) << "\n";
    if (setup.zoneChange) std::cerr << encodeOutput("换带到: " + geodesy::describeSystem(setup.to), gbk) << "\n";
    const geodesy::ConversionOutcome outcome = geodesy::convertPointText(text::utf8OrGbkToUtf8(bytes), setup);
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
