#include "cli/coordinate_options.h"

#include <cmath>
#include <cstdlib>
#include <iostream>

#include "geodesy/dms_text.h"

namespace vornex::cli {
namespace {

bool readInt(const std::string& text, int& v) {
    double d = 0;
    if (!readCoordinateNumber(text, d) || std::fabs(d) > 1e6 || d != std::trunc(d)) return false;
    v = static_cast<int>(d);
    return true;
}

}  // namespace

bool readCoordinateNumber(const std::string& text, double& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

int coordinateFailure(const char* command, const std::string& utf8, bool gbk) {
    std::cerr << "vornex-cli " << command << ": " << encodeOutput(utf8, gbk) << "\n";
    return kExitFailed;
}

int readEllipsoidAndHeight(const ParsedArgs& a, const char* command, geodesy::CoordinateSystem& s, bool gbk) {
    if (auto e = a.value("--ellipsoid"); e && !geodesy::ellipsoidFromKey(*e, s.ellipsoid))
        return coordinateFailure(command, "未知的椭球“" + *e + "”：可选 cgcs2000、xian80、beijing54、wgs84", gbk);
    if (auto h = a.value("--height"); h && !readCoordinateNumber(*h, s.projectionHeight))
        return usageError(command, "--height takes the projection height in metres");
    return -1;
}

int readMeridian(const ParsedArgs& a, const char* command, const std::string& prefix, int defaultWidth,
                 geodesy::CoordinateSystem& s, bool gbk) {
    const auto cm = a.value("--" + prefix + "cm");
    const auto zone = a.value("--" + prefix + "zone");
    const auto width = a.value("--" + prefix + "width");
    if (cm && (zone || width)) return usageError(command, "--" + prefix + "cm and --" + prefix + "zone exclude each other");
    if (cm) {
        if (!geodesy::parseDmsText(*cm, s.centralMeridian))
            return usageError(command, "--" + prefix + "cm takes a meridian in D.MMSS");
        s.zone = 0;
        return -1;
    }
    int z = 0, w = defaultWidth;
    if (!zone || !readInt(*zone, z) || (width && !readInt(*width, w)))
        return usageError(command, "give the central meridian with --" + prefix + "cm D.MMSS or --" + prefix +
                                       "zone N [--" + prefix + "width 3|6]");
    if (w != 3 && w != 6) return usageError(command, "--" + prefix + "width is 3 or 6");
    if (!geodesy::setZone(s, z, w))
        return coordinateFailure(command,
                                 "没有第 " + std::to_string(z) + " 带：" + (w == 3 ? "3°带为 1–120 带" : "6°带为 1–60 带"),
                                 gbk);
    return -1;
}

}  // namespace vornex::cli

#include "adjust/projection_reduction.h"

namespace vornex::cli {

void addReductionOptions(std::map<std::string, int>& arity) {
    for (const char* o : {"--ellipsoid", "--cm", "--zone", "--width", "--height", "--mean-elevation"}) arity[o] = 1;
    arity["--reduce"] = 0;
    arity["--arc-to-chord"] = 0;
}

int readReductionOptions(const ParsedArgs& a, const char* command, ProjectionReduction& choice, bool gbk) {
    if (!a.has("--reduce")) {
        for (const char* o : {"--ellipsoid", "--cm", "--zone", "--width", "--height", "--mean-elevation", "--arc-to-chord"})
            if (a.has(o)) return usageError(command, std::string(o) + " belongs to --reduce");
        return -1;
    }
    ProjectionReduction c;
    c.enabled = true;
    if (int rc = readEllipsoidAndHeight(a, command, c.system, gbk); rc >= 0) return rc;
    if (int rc = readMeridian(a, command, "", 3, c.system, gbk); rc >= 0) return rc;
    if (auto h = a.value("--mean-elevation")) {
        if (!readCoordinateNumber(*h, c.meanElevation) || std::fabs(c.meanElevation) > 10000)
            return usageError(command, "--mean-elevation takes metres between -10000 and 10000");
        c.hasMeanElevation = true;
    }
    c.arcToChordEveryLine = a.has("--arc-to-chord");
    if (std::string why = geodesy::checkSystem(c.system); !why.empty()) return coordinateFailure(command, why, gbk);
    choice = c;
    return -1;
}

}  // namespace vornex::cli
