#include "geodesy/point_conversion.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "geodesy/dms_text.h"

namespace vornex::geodesy {
namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> splitFields(std::string_view line) {
    // A full-width comma counts as a comma.
    std::string s;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line.compare(i, 3, "，") == 0) {
            s.push_back(',');
            i += 2;
        } else {
            s.push_back(line[i]);
        }
    }
    std::vector<std::string> fields;
    const bool hard = s.find_first_of(",\t") != std::string::npos;
    std::size_t start = 0;
    if (hard) {
        while (true) {
            const std::size_t end = s.find_first_of(",\t", start);
            fields.emplace_back(trimmed(std::string_view(s).substr(start, end == std::string::npos ? std::string::npos : end - start)));
            if (end == std::string::npos) break;
            start = end + 1;
        }
    } else {
        while (start < s.size()) {
            const std::size_t b = s.find_first_not_of(' ', start);
            if (b == std::string::npos) break;
            const std::size_t e = s.find(' ', b);
            fields.push_back(s.substr(b, e == std::string::npos ? std::string::npos : e - b));
            start = e == std::string::npos ? s.size() : e;
        }
    }
    return fields;
}

bool readMetres(const std::string& text, double& v) {
    if (text.empty()) return false;
    char* end = nullptr;
    v = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(v);
}

}  // namespace

LineRead readPointLine(std::string_view line, bool geographic, PointLine& out, std::string& why) {
    // A UTF-8 byte-order mark at the start of a file is no part of the first point.
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.remove_prefix(3);
    if (trimmed(line).empty()) return LineRead::Blank;
    const std::vector<std::string> f = splitFields(line);
    if (f.size() < 3 || f.size() > 4) {
        why = geographic ? "应为 点名,B,L[,H]" : "应为 点名,X,Y[,H]";
        return LineRead::Unreadable;
    }
    if (f[0].empty()) {
        why = "缺少点名";
        return LineRead::Unreadable;
    }
    PointLine p;
    p.name = f[0];
    if (geographic) {
        if (!parseDmsText(f[1], p.first) || !parseDmsText(f[2], p.second)) {
            why = "B、L 应为度.分秒（如 30.301512）或 30°30′15.12″";
            return LineRead::Unreadable;
        }
    } else if (!readMetres(f[1], p.first) || !readMetres(f[2], p.second)) {
        why = "X、Y 应为以米计的数值";
        return LineRead::Unreadable;
    }
    if (f.size() == 4 && !f[3].empty()) {
        if (!readMetres(f[3], p.height)) {
            why = "H 应为以米计的数值";
            return LineRead::Unreadable;
        }
        p.hasHeight = true;
    }
    out = std::move(p);
    return LineRead::Point;
}

std::string checkSetup(const ConversionSetup& s) {
    if (std::string why = checkSystem(s.from); !why.empty()) return why;
    if (s.zoneChange) {
        if (s.fromGeographic) return "换带需要输入平面坐标";
        if (std::string why = checkSystem(s.to); !why.empty()) return "目标坐标系：" + why;
        if (s.to.ellipsoid != s.from.ellipsoid) return "换带前后应为同一椭球（换椭球不是坐标转换）";
    }
    return {};
}

PointConverter::PointConverter(const ConversionSetup& setup)
    : setup_(setup), from_(setup.from), to_(setup.zoneChange ? setup.to : setup.from) {}

Status PointConverter::convert(const PointLine& in, ConvertedPoint& out) const {
    out.name = in.name;
    if (setup_.fromGeographic) {
        GridPoint g;
        if (Status st = from_.toGrid(in.first, in.second, g); st != Status::Ok) return st;
        out.first = g.x;
        out.second = g.y;
        out.scale = g.scale;
        out.convergence = g.convergence;
        return Status::Ok;
    }
    if (setup_.zoneChange) {
        GridPoint g;
        if (Status st = changeZone(from_, to_, in.first, in.second, g); st != Status::Ok) return st;
        out.first = g.x;
        out.second = g.y;
        out.scale = g.scale;
        out.convergence = g.convergence;
        return Status::Ok;
    }
    GeographicPoint g;
    if (Status st = from_.toGeographic(in.first, in.second, g); st != Status::Ok) return st;
    out.first = g.latitude;
    out.second = g.longitude;
    out.scale = g.scale;
    out.convergence = g.convergence;
    return Status::Ok;
}

ConversionOutcome convertPointText(std::string_view text, const ConversionSetup& setup) {
    ConversionOutcome outcome;
    const PointConverter converter(setup);
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        ++lineNumber;
        PointLine p;
        std::string why;
        const LineRead r = readPointLine(line, setup.fromGeographic, p, why);
        if (r == LineRead::Blank) continue;
        if (r == LineRead::Point) {
            ConvertedPoint c;
            const Status st = converter.convert(p, c);
            if (st == Status::Ok) {
                outcome.points.push_back(std::move(c));
                continue;
            }
            why = p.name + "：" + statusText(st);
        }
        outcome.problems.push_back("第 " + std::to_string(lineNumber) + " 行：" + why + "，已跳过");
    }
    return outcome;
}

}  // namespace vornex::geodesy
