#include "tables/route_query.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/cross_section.h"
#include "geometry/point_to_station.h"
#include "geometry/profile.h"
#include "geometry/slopes.h"
#include "geometry/stations.h"
#include "geometry/tunnel.h"
#include "io/read.h"
#include "io/write.h"
#include "text/text.h"

namespace vornex {
namespace {

const Road* roadAt(const RoadProject& p, int index) {
    if (index < 0 || index >= static_cast<int>(p.roads.size())) return nullptr;
    return &p.roads[static_cast<std::size_t>(index)];
}

double valueOrZero(double v) { return (v == kNoValue || v == -kNoValue || !std::isfinite(v)) ? 0.0 : v; }

// The tunnel's section as the query's message box shows it: the crown point
// (L1 offset, H1 height), the crossfall of the tunnel's plate and one line per
// contour element, each completed from the direction carried along its half of
// the contour from the crown (the right half leaving towards 90, the left half
// towards 270), so that the chords of both halves come out right.
std::string tunnelReport(const Road& road, int tunnel, double c, const TunnelSection& section) {
    const Tunnel& t = road.tunnels[static_cast<std::size_t>(tunnel)];
    std::string out = text::format("  隧道参数\n  L1=%7.1f  H1=%7.1f\n  横坡=%7.2f\n\n", section.startOffset,
                                   section.startHeight, plateCrossfall(road, t.plateIndex, c));
    out += "序号 平距        高差        半径       圆心角\n";
    TunnelSection completed = section;
    completeSection(completed);
    int k = 1;
    for (const ContourElement& e : completed.elements) {
        double angle = e.centralAngle;
        double dms = (angle == kNoValue || angle == -kNoValue || !std::isfinite(angle))
                         ? 0.0
                         : (angle < 0 ? -1.0 : degreesToDms(angle));
        out += text::format("%d  %7.3f  |  %7.3f  |  %7.3f  |  %8.4f\n", k++, valueOrZero(e.horizontalDistance),
                            valueOrZero(e.heightDifference), valueOrZero(e.radius), dms);
    }
    return out;
}

// Everything after the chainage is known (steps shared by both modes).
RouteQueryResult queryAt(const RoadProject& project, const Road& road, double c, double offset, double angleDeg,
                         std::optional<double> z) {
    RouteQueryResult r;
    const double tol = curveTolerance(project.precision);
    AlignmentPoint p;
    if (road.elements.empty() || !std::isfinite(c) || c == kNoValue ||
        pointAtStation(road, c, tol, offset, angleDeg, p) != 1)
        return r;
    r.found = true;
    r.chainage = c;
    r.offset = std::fabs(offset);
    r.angle = angleDeg;
    r.x = p.x;
    r.y = p.y;
    r.azimuth = p.azimuth;
    r.z = z;

    // Edge stakes at the full width of each side.
    for (int side : {kLeftSide, kRightSide}) {
        double w = halfWidth(road, side, c);
        AlignmentPoint e;
        pointAtStation(road, c, tol, w, side == kLeftSide ? 270 : 90, e);
        double h = designElevation(road, c, side == kLeftSide ? -w : w).elevation;
        if (side == kLeftSide) {
            r.leftX = e.x, r.leftY = e.y, r.leftElevation = h;
        } else {
            r.rightX = e.x, r.rightY = e.y, r.rightElevation = h;
        }
    }
    // The point: lateral distance across the road, right positive.
    const double lateral = offset * std::sin(angleDeg * kPi / 180);
    ProfileElevation centre = designElevation(road, c, 0);
    ProfileElevation here = designElevation(road, c, lateral);
    r.inProfile = centre.inProfile;
    r.designElevation = here.elevation;
    int plate = plateAtOffset(road, c, std::fabs(lateral), lateral < 0 ? 270 : 90);
    double layer = plate >= 0 ? road.plates[static_cast<std::size_t>(plate)].layerThickness : 0.0;
    r.subgradeElevation = r.designElevation - layer;

    int tunnel = tunnelAtStation(road, c);
    if (tunnel >= 0) {
        TunnelSection section;
        if (tunnelSection(road, c, RecordKind::ExcavationContour, section)) {
            r.inTunnel = true;
            r.tunnelReport = tunnelReport(road, tunnel, c, section);
        }
        BreakDistances d;
        if (z && overUnderBreak(road, c, lateral, *z - centre.elevation, RecordKind::ExcavationContour, d)) {
            if (d.vertical != kNoValue) r.breaks[d.vertical > 0 ? kBreakUp : kBreakDown] = d.vertical;
            if (d.horizontal != kNoValue) r.breaks[d.horizontal > 0 ? kBreakRight : kBreakLeft] = d.horizontal;
            if (d.normal != kNoValue) r.breaks[d.normal > 0 ? kBreakOut : kBreakIn] = d.normal;
        }
    } else if (z) {
        // Outside tunnels: the point against the designed slope (positive: inside it).
        double v = slopeCheck(road, c, lateral, *z);
        if (v != kNoValue) r.breaks[v > 0 ? kBreakOut : kBreakIn] = v;
    }
    // Absurd road values (1e308) can overflow: such a point is no answer.
    bool finite = true;
    for (double v : {r.x, r.y, r.azimuth, r.leftX, r.leftY, r.rightX, r.rightY})
        finite = finite && std::isfinite(v);
    if (r.inProfile)
        for (double v : {r.designElevation, r.subgradeElevation, r.leftElevation, r.rightElevation})
            finite = finite && std::isfinite(v);
    for (const auto& b : r.breaks) finite = finite && (!b || std::isfinite(*b));
    if (!finite) {
        RouteQueryResult none;
        none.overflow = true;
        none.z = z;
        return none;
    }
    return r;
}

}  // namespace

RouteQueryResult queryByStation(const RoadProject& project, int roadIndex, const StationQuery& q) {
    const Road* road = roadAt(project, roadIndex);
    if (!road) return {};
    double c = toContinuousChainage(*road, q.station);
    if (c == kNoValue) return {};
    return queryAt(project, *road, c, q.offset, dmsToDegrees(q.angle), q.z);
}

RouteQueryResult queryByCoordinates(const RoadProject& project, int roadIndex, const CoordinateQuery& q) {
    const Road* road = roadAt(project, roadIndex);
    if (!road || road->elements.empty()) return {};
    AlignmentPoint pt;
    pt.x = q.x;
    pt.y = q.y;
    StationOffset so;
    if (stationOfPoint(*road, pt, curveTolerance(project.precision), so) < 0) {
        RouteQueryResult r;
        r.z = q.z;
        return r;
    }
    return queryAt(project, *road, so.station, std::fabs(so.offset), so.offset < 0 ? 270 : 90, q.z);
}

std::vector<std::pair<std::string, std::string>> routeQueryFields(const Road& road, const RouteQueryResult& r,
                                                                   bool withZ) {
    std::vector<std::pair<std::string, std::string>> f;
    auto add = [&](const char* name, std::string value) { f.emplace_back(name, r.found ? std::move(value) : ""); };
    auto elev = [&](double v) { return r.inProfile ? text::format("%8.3f", v) : std::string(); };
    add("桩号", formatStation(road, r.chainage, true));
    add("偏距", text::format("%8.3f", r.offset));
    add("角度", text::format("%8.5f", degreesToDms(r.angle)));
    add("坐标X", text::format("%8.4f", r.x));
    add("坐标Y", text::format("%8.4f", r.y));
    if (withZ) f.emplace_back("坐标Z", r.z ? text::format("%8.4f", *r.z) : "");
    add("方位角", formatDms(r.azimuth));
    add("设计高", elev(r.designElevation));
    add("路基高", elev(r.subgradeElevation));
    add("左边桩X", text::format("%8.4f", r.leftX));
    add("左边桩Y", text::format("%8.4f", r.leftY));
    add("左边桩设计高", elev(r.leftElevation));
    add("右边桩X", text::format("%8.4f", r.rightX));
    add("右边桩Y", text::format("%8.4f", r.rightY));
    add("右边桩设计高", elev(r.rightElevation));
    const char* names[6] = {"向上", "向下", "向左", "向右", "向外(欠)", "向内(超)"};
    for (int k = 0; k < 6; ++k)
        f.emplace_back(names[k], r.breaks[k] ? text::format("%8.3f", *r.breaks[k]) : std::string("   ------"));
    return f;
}

void rememberQuery(RouteQueryState& state, const Road& road, const RouteQueryResult& r) {
    if (!r.found) {
        if (state.byCoordinates) state.station.clear();
        return;
    }
    state.x = std::atof(text::format("%8.4f", r.x).c_str());
    state.y = std::atof(text::format("%8.4f", r.y).c_str());
    state.offset = std::atof(text::format("%8.3f", r.offset).c_str());
    state.angle = std::atof(text::format("%8.5f", degreesToDms(r.angle)).c_str());
    if (state.byCoordinates) state.station = std::string(text::trim(formatStation(road, r.chainage, false)));
    if (r.z) state.z = *r.z;
}

std::string batchOutputPath(const std::string& inputPath) {
    std::filesystem::path p(inputPath);
    p.replace_extension();
    return p.string() + "0.txt";
}

namespace {

// text::trim's blanks (spaces, tabs, CR, LF), stripped at both ends.
std::string_view trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// The number of a trimmed field: an empty or unreadable one is 0.
double number(std::string_view t) {
    if (t.empty()) return 0;
    const double v = text::parseNumber(t);
    return std::isfinite(v) ? v : 0.0;
}

double field(std::string_view s) { return number(trimmed(s)); }

// Writes "%8.4f" of the number read from trimmed field `t` by copying the
// field's own digits, where they are sure to be what printf writes: a plain
// decimal ([-]digits[.digits], at most 11 digits before the point and 4 after)
// is read as the double nearest to it, less than 0.00001 away, so rounding that
// double to 4 decimals gives the same decimal back. Returns the end of what was
// written (at most 20 characters), or null (nothing written) for any other field.
char* putAsRead(char* out, std::string_view t) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (negative) ++i;
    std::size_t whole = i;
    while (i < t.size() && digit(t[i])) ++i;
    const std::size_t wholeEnd = i;
    if (wholeEnd == whole || wholeEnd - whole > 11) return nullptr;
    std::size_t decimals = 0;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && digit(t[i])) ++i, ++decimals;
        if (decimals == 0) return nullptr;
    }
    if (i != t.size() || decimals > 4) return nullptr;
    while (wholeEnd - whole > 1 && t[whole] == '0') ++whole;  // printf writes no leading zeros
    const std::size_t length = (negative ? 1 : 0) + (wholeEnd - whole) + 5;
    for (std::size_t k = length; k < 8; ++k) *out++ = ' ';
    if (negative) *out++ = '-';
    std::memcpy(out, t.data() + whole, wholeEnd - whole);
    out += wholeEnd - whole;
    *out++ = '.';
    std::memcpy(out, t.data() + wholeEnd + 1, decimals);
    out += decimals;
    for (std::size_t k = decimals; k < 4; ++k) *out++ = '0';
    return out;
}

// Writes `value` as printf's "%8.<precision>f"; returns the end. Room for 400
// characters (the widest finite value) is needed.
char* putFixed(char* out, double value, int precision) {
    char digits[32];
    const int n = text::fixedDigits(value, precision, digits);
    if (n == 0) {
        std::string text;
        text::appendFixed(text, value, precision, 8);
        std::memcpy(out, text.data(), text.size());
        return out + text.size();
    }
    for (int k = n; k < 8; ++k) *out++ = ' ';
    std::memcpy(out, digits, static_cast<std::size_t>(n));
    return out + n;
}

// The fields of a points-file line "name,X,Y,Z[,...]" (a trailing CR ignored);
// false for a line with fewer than three commas.
struct BatchFields {
    std::string_view name, x, y, z;
};

bool splitBatchLine(std::string_view line, BatchFields& f) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::size_t c1 = line.find(',');
    std::size_t c2 = c1 == std::string_view::npos ? c1 : line.find(',', c1 + 1);
    std::size_t c3 = c2 == std::string_view::npos ? c2 : line.find(',', c2 + 1);
    if (c3 == std::string_view::npos) return false;
    std::size_t c4 = line.find(',', c3 + 1);
    f.name = line.substr(0, c1);
    f.x = line.substr(c1 + 1, c2 - c1 - 1);
    f.y = line.substr(c2 + 1, c3 - c2 - 1);
    f.z = line.substr(c3 + 1, c4 == std::string_view::npos ? std::string_view::npos : c4 - c3 - 1);
    return true;
}

// Longest line of a points file that is read; a longer one cannot be a point
// ("name,X,Y,Z") and is skipped without holding it in memory.
constexpr std::size_t kMaxLine = 4096;

// Lines of a file read through a block buffer: the next line without its "\n"
// (empty when too long); false at the end of the file. The line stays valid
// until the next call; one that lies wholly in the block is not copied.
class LineReader {
public:
    explicit LineReader(io::InputFile& in) : in_(in), block_(1 << 16) {}
    bool next(std::string_view& line) {
        carried_.clear();
        bool any = false, tooLong = false, carrying = false;
        for (;;) {
            if (pos_ == size_) {
                size_ = in_.read(block_.data(), block_.size());
                pos_ = 0;
                if (size_ == 0) break;
            }
            any = true;
            const char* begin = block_.data() + pos_;
            const char* nl = static_cast<const char*>(std::memchr(begin, '\n', size_ - pos_));
            std::size_t n = nl ? static_cast<std::size_t>(nl - begin) : size_ - pos_;
            if (nl && !carrying) {
                pos_ += n + 1;
                line = n <= kMaxLine ? std::string_view(begin, n) : std::string_view();
                return true;
            }
            carrying = true;
            if (carried_.size() + n <= kMaxLine) carried_.append(begin, n);
            else tooLong = true;
            pos_ += n;
            if (nl) {
                ++pos_;
                break;
            }
        }
        line = tooLong ? std::string_view() : std::string_view(carried_);
        return any;
    }

private:
    io::InputFile& in_;
    std::vector<char> block_;
    std::string carried_;  // a line that runs over the end of a block
    std::size_t pos_ = 0, size_ = 0;
};

// The secondary-lining contours a batch has laid out, by the templates and the
// weight that make the section: along most of a tunnel the section is the same
// for every point, so it is laid out once rather than once per point. Holds the
// last few sections met (a section interpolated by crossfall may change from
// point to point); one cache belongs to one batch run.
class SectionCache {
public:
    explicit SectionCache(const Road& road) : road_(road) {}

    // The contour at the chainage of tunnel `tunnel`, as overUnderBreak takes
    // it; null where no section applies.
    const BreakContour* at(int tunnel, double chainage) {
        TemplateChoice choice;
        if (!tunnelTemplateChoice(road_, tunnel, chainage, choice)) return nullptr;
        const auto weight = std::bit_cast<std::uint64_t>(choice.weight);
        for (const Entry& e : entries_)
            if (e.first == choice.first && e.second == choice.second && e.weight == weight)
                return e.valid ? &e.contour : nullptr;
        Entry entry{choice.first, choice.second, weight, false, {}};
        TunnelSection section;
        const TunnelTemplate& a = road_.tunnelTemplates[static_cast<std::size_t>(choice.first)];
        const TunnelTemplate& b = road_.tunnelTemplates[static_cast<std::size_t>(choice.second)];
        if (interpolateSection(a, b, choice.weight, RecordKind::SecondaryContour, section)) {
            entry.valid = true;
            entry.contour = BreakContour(section);
        }
        Entry* slot;
        if (entries_.size() < kEntries) {
            slot = &entries_.emplace_back(std::move(entry));
        } else {
            slot = &entries_[next_];
            *slot = std::move(entry);
            next_ = (next_ + 1) % kEntries;
        }
        return slot->valid ? &slot->contour : nullptr;
    }

private:
    struct Entry {
        int first, second;
        std::uint64_t weight;  // the bits of the weight: equal bits, equal section
        bool valid;
        BreakContour contour;
    };
    static constexpr std::size_t kEntries = 16;
    const Road& road_;
    std::vector<Entry> entries_;
    std::size_t next_ = 0;
};

}  // namespace

bool parseBatchLine(std::string_view line, BatchPoint& point) {
    BatchFields f;
    if (!splitBatchLine(line, f)) return false;
    point.name = text::cutGbk(f.name, 12);
    point.x = field(f.x);
    point.y = field(f.y);
    point.z = field(f.z);
    return true;
}

int batchQuery(const RoadProject& project, int roadIndex, const std::string& inputPath, Prompter& prompter) {
    return batchQuery(project, roadIndex, inputPath, prompter, BatchProgress{});
}

int batchQuery(const RoadProject& project, int roadIndex, const std::string& inputPath, Prompter& prompter,
               const BatchProgress& progress) {
    const Road* road = roadAt(project, roadIndex);
    if (!road) return -3;
    // Only a regular file: a folder or a FIFO is refused with its reason, never read as empty.
    io::InputFile in;
    if (!in.open(inputPath)) {
        prompter.message(in.error().message);
        return -1;
    }
    const std::string outPath = batchOutputPath(inputPath);
    // Through the writing door: a private temporary file renamed over the output
    // at the end, so a failure or a second run at the same time never leaves a
    // half-written or mixed result file.
    io::OutputFile out;
    if (!out.open(outPath)) {
        prompter.message("不能建立文件。\n" + out.error().message);
        return -2;
    }
    const AlignmentIndex index(road->elements, 0.0001);
    const ProfileSearch profile = profileSearch(*road);
    SectionCache sections(*road);
    // The elements a foot in a tunnel may lie on (a centimetre to spare): a point
    // whose foot surely lies elsewhere needs no exact foot.
    std::vector<char> inTunnels(road->elements.size(), 0);
    for (std::size_t k = 0; k < road->elements.size(); ++k) {
        const AlignmentElement& e = road->elements[k];
        const double lo = e.startStation - 0.011, hi = e.startStation + e.length + 0.011;
        bool want = !(std::isfinite(lo) && std::isfinite(hi));
        for (const Tunnel& t : road->tunnels) {
            const double from = t.startStation - 0.011, to = t.startStation + t.length + 0.011;
            want = want || !(std::isfinite(from) && std::isfinite(to)) || (lo <= to && from <= hi);
        }
        inTunnels[k] = want;
    }
    const std::string noValueText = text::format("%8.3f", kNoValue);
    // Result lines are written into a block that goes out whenever it holds
    // 64 KiB; a line takes at most 12 + 6 · 401 + 1 bytes.
    constexpr std::size_t kFlushAt = 1 << 16, kLineRoom = 4096;
    std::vector<char> block(kFlushAt + kLineRoom);
    std::size_t used = 0;
    bool writeOk = true;
    int written = 0;
    std::string_view line;
    LineReader reader(in);
    // Progress goes out by the clock, checked every few hundred points so that
    // asking the time costs nothing next to the computation.
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::milliseconds(std::max(1, progress.intervalMs));
    auto nextReport = Clock::now() + interval;
    auto cancelled = [&](bool force) {
        if (!progress.report) return false;
        if (!force) {
            if (Clock::now() < nextReport) return false;
            nextReport = Clock::now() + interval;
        }
        return !progress.report(in.position(), in.size());
    };
    auto cancel = [&] {
        out.discard();
        prompter.message(kBatchCancelledText);
        return kBatchCancelled;
    };
    if (cancelled(true)) return cancel();
    unsigned sinceCheck = 0;
    while (reader.next(line)) {
        if (++sinceCheck == 256) {
            sinceCheck = 0;
            if (cancelled(false)) return cancel();
        }
        BatchFields fields;
        if (!splitBatchLine(line, fields)) continue;  // fewer than three commas
        const std::string name = text::cutGbk(fields.name, 12);
        const std::string_view xyz[3] = {trimmed(fields.x), trimmed(fields.y), trimmed(fields.z)};
        AlignmentPoint pt;
        pt.x = number(xyz[0]);
        pt.y = number(xyz[1]);
        const double z = number(xyz[2]);
        double h = kNoValue, v = kNoValue, n = kNoValue;
        StationOffset so;
        // Breaks exist only inside a tunnel: elsewhere the design elevation is not needed.
        int tunnel = -1;
        if (!road->elements.empty() && index.stationOfPointOn(pt, inTunnels, so) >= 0 &&
            (tunnel = tunnelAtStation(*road, so.station)) >= 0) {
            const double dz = designElevation(*road, profile, so.station).elevation;
            if (const BreakContour* contour = sections.at(tunnel, so.station)) {
                const BreakDistances d = contour->distances(so.offset, z - dz);
                h = d.horizontal;
                v = d.vertical;
                n = d.normal;
            }
        }
        if (!std::isfinite(h) || !std::isfinite(v) || !std::isfinite(n)) {
            // Absurd road values overflowed: no result file rather than a wrong one.
            out.discard();
            prompter.message(text::format("点%s的计算结果不是有限数，计算中止。", text::gbkToUtf8(name).c_str()));
            return kBatchNotFinite;
        }
        char* p = block.data() + used;
        std::memcpy(p, name.data(), name.size());
        p += name.size();
        const double values[3] = {pt.x, pt.y, z};
        for (int k = 0; k < 3; ++k) {
            *p++ = ',';
            char* asRead = putAsRead(p, xyz[k]);
            p = asRead ? asRead : putFixed(p, values[k], 4);
        }
        for (double value : {h, v, n}) {
            *p++ = ',';
            // kNoValue is by far the most common value: its text is made once.
            if (value == kNoValue) {
                std::memcpy(p, noValueText.data(), noValueText.size());
                p += noValueText.size();
            } else {
                p = putFixed(p, value, 3);
            }
        }
        *p++ = '\n';
        used = static_cast<std::size_t>(p - block.data());
        ++written;
        if (used >= kFlushAt) {
            writeOk = writeOk && out.write(block.data(), used);
            used = 0;
        }
    }
    if (in.failed()) {
        out.discard();
        prompter.message(in.error().message);
        return -1;
    }
    if (cancelled(true)) return cancel();
    in.close();
    if (used > 0) writeOk = writeOk && out.write(block.data(), used);
    if (!writeOk || !out.commit()) {
        out.discard();
        prompter.message("不能建立文件。\n" + out.error().message);
        return -2;
    }
    prompter.message("计算完成。", PromptIcon::Information);
    return written;
}

}  // namespace vornex
