// A digital level's raw file into a leveling survey.
//
// Each measured line (a block with word 41 starts one) is a row of stations;
// a station holds its back and fore readings (331/332, and 335/336 for the
// second reading), each with its sight length (32). The line is cut into
// sections at its named points: its first and last point, every point with a
// known height, and every point whose name holds a character other than a
// digit; points named by digits only inside a line are turning points (the
// level numbers them itself). A station is stored as the eight readings of the
// double-face sheet so that the file's reduction gives back the measured
// height difference:
//   black middle = first reading, red middle = second reading + staff constant
//   (4687 or 4787 as the section's staff pair alternates), so K + 黑 - 红 is the
//   difference of the two readings of one staff; a single reading is also its
//   second; the stadia readings lie half the sight length (in 0.01 mm, the
//   file's rule "stadia difference / 1000 = metres") above and below the middle.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "adjust/tolerances.h"
#include "exchange/gsi_convert.h"
#include "exchange/numbers.h"

namespace vornex::exchange {
namespace {

using gsi::Block;
using gsi::Word;

struct Sight {
    double reading = 0;   // m
    double distance = 0;  // m
    int line = 0;
};

struct InstrumentResult {
    double value = 0;
    double resolution = 0;
    int line = 0;
};

struct RawStation {
    std::string back, fore;
    int line = 0;  // line of its first reading
    std::optional<Sight> b1, f1, b2, f2;
    std::map<int, InstrumentResult> results;  // 571..574
    bool complete() const { return b1 && f1 && b2.has_value() == f2.has_value(); }
};

struct HeightMark {
    std::string point;
    double height = 0;
    int line = 0;
    char inputMode = '.';
    bool withReading = false;  // in a block that also holds a staff reading
    int readingsBefore = 0;  // staff readings of the line before it
};

struct RawLine {
    int number = 0;
    int line = 0;
    std::string method;
    std::vector<RawStation> stations;
    std::vector<HeightMark> heights;
    bool started = false;  // opened by a word 41 (else: blocks before the first one)
    int readings = 0;
};

bool digitsOnly(const std::string& name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string lineName(const RawLine& l) { return "第 " + std::to_string(l.number) + " 条路线"; }

std::string fmt(double v, int decimals) { return formatFixed(v, decimals); }

// One staff reading word into the line's current station.
bool addReading(RawLine& line, const Block& b, const Word& w, const std::string& point, double value, double distance,
                std::vector<std::string>& notes, std::string& error) {
    auto fail = [&](const std::string& why) {
        error = gsi::where(b, w) + "：" + why;
        return false;
    };
    RawStation* cur = line.stations.empty() ? nullptr : &line.stations.back();
    const Sight sight{value, distance, b.line};
    switch (w.index) {
        case 331:
            if (cur == nullptr || cur->complete()) {
                RawStation s;
                s.back = point;
                s.line = b.line;
                s.b1 = sight;
                line.stations.push_back(std::move(s));
                return true;
            }
            if (!cur->f1 && !cur->b2 && cur->back == point) {
                // The back staff measured again before the fore staff: the later reading counts.
                notes.push_back("第 " + std::to_string(b.line) + " 行：后视点 " + point + " 重测，用后一次读数");
                cur->b1 = sight;
                return true;
            }
            return fail("上一站（第 " + std::to_string(cur->line) + " 行起）的读数不全，又开始了新的一站");
        case 332:
            if (cur == nullptr || cur->complete() || !cur->b1) return fail("前视读数之前没有后视读数");
            if (cur->f1) {
                if (cur->fore == point && !cur->f2 && !cur->b2) {
                    notes.push_back("第 " + std::to_string(b.line) + " 行：前视点 " + point + " 重测，用后一次读数");
                    cur->f1 = sight;
                    return true;
                }
                return fail("本站已有第一次前视读数");
            }
            cur->fore = point;
            cur->f1 = sight;
            return true;
        case 335:
            if (cur == nullptr || !cur->b1 || cur->b2 || (cur->complete() && !cur->f2)) {
                return fail("第二次后视读数没有对应的第一次后视读数");
            }
            if (point != cur->back) return fail("第二次后视的点名与第一次（" + cur->back + "）不同");
            cur->b2 = sight;
            return true;
        case 336:
            if (cur == nullptr || !cur->f1 || cur->f2) return fail("第二次前视读数没有对应的第一次前视读数");
            if (point != cur->fore) return fail("第二次前视的点名与第一次（" + cur->fore + "）不同");
            cur->f2 = sight;
            return true;
        default: return true;
    }
}

// Readings in 0.01 mm within what a staff and a sight can be.
bool toUnits(double metres, double limit, std::int32_t& units) {
    if (!(std::fabs(metres) <= limit)) return false;
    units = static_cast<std::int32_t>(std::llround(metres * 100000.0));
    return true;
}

}  // namespace

std::string joinNames(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += "、";
        out += n;
    }
    return out;
}

bool convertLevelingBlocks(const std::vector<Block>& blocks, const RawImportOptions& options, RawImportResult& result) {
    std::vector<std::string>& notes = result.notes;
    std::string& error = result.error;

    // ---- blocks into lines of stations ----
    std::vector<RawLine> lines;
    int intermediate = 0, measureOnly = 0;
    std::set<int> unused;
    auto currentLine = [&](const Block& b) -> RawLine& {
        if (lines.empty()) {
            RawLine l;
            l.number = 1;
            l.line = b.line;
            lines.push_back(l);
        }
        return lines.back();
    };
    for (const Block& b : blocks) {
        if (const Word* start = b.find(41)) {
            RawLine l;
            l.number = static_cast<int>(lines.size()) + 1;
            l.line = b.line;
            l.method = gsi::pointName(*start);
            l.started = true;
            // Blocks before the first word 41 that hold nothing of a line make no line.
            if (!lines.empty() && !lines.back().started && lines.back().readings == 0 && lines.back().heights.empty()) {
                lines.pop_back();
                l.number = static_cast<int>(lines.size()) + 1;
            }
            lines.push_back(std::move(l));
            continue;
        }
        std::string point;
        if (const Word* p = b.find(11)) point = gsi::pointName(*p);
        double distance = 0;
        bool hasDistance = false;
        if (const Word* d = b.find(32)) {
            if (!gsi::lengthValue(b, *d, distance, error)) return false;
            if (!(distance >= 0 && distance < 10000)) {
                error = gsi::where(b, *d) + "：视距超出范围";
                return false;
            }
            hasDistance = true;
        }
        bool blockHasReading = false;
        for (const Word& w : b.words) blockHasReading |= (w.index >= 330 && w.index <= 336);
        for (const Word& w : b.words) {
            switch (w.index) {
                case 11:
                case 32:
                case 390:
                case 391:
                case 392: break;
                case 331:
                case 332:
                case 335:
                case 336: {
                    RawLine& line = currentLine(b);
                    ++line.readings;
                    double value = 0;
                    if (!gsi::lengthValue(b, w, value, error)) return false;
                    if (!(std::fabs(value) < 100)) {
                        error = gsi::where(b, w) + "：读数超出范围";
                        return false;
                    }
                    if (!hasDistance) {
                        error = gsi::where(b, w) + "：读数没有视距（字 32）";
                        return false;
                    }
                    if (!addReading(line, b, w, point, value, distance, notes, error)) return false;
                    break;
                }
                case 333: ++intermediate; break;
                case 330: ++measureOnly; break;
                case 83: {
                    RawLine& line = currentLine(b);
                    HeightMark m;
                    if (!gsi::lengthValue(b, w, m.height, error)) return false;
                    if (!(std::fabs(m.height) < 100000)) {
                        error = gsi::where(b, w) + "：高程超出范围";
                        return false;
                    }
                    if (point.empty()) {
                        error = gsi::where(b, w) + "：高程没有点名（字 11）";
                        return false;
                    }
                    m.point = point;
                    m.line = b.line;
                    m.inputMode = w.inputMode;
                    m.withReading = blockHasReading;
                    m.readingsBefore = line.readings;
                    line.heights.push_back(m);
                    break;
                }
                case 571:
                case 572:
                case 573:
                case 574: {
                    RawLine& line = currentLine(b);
                    if (line.stations.empty()) {
                        error = gsi::where(b, w) + "：测站成果之前没有测站";
                        return false;
                    }
                    InstrumentResult r;
                    if (!gsi::lengthValue(b, w, r.value, error)) return false;
                    r.resolution = gsi::lengthResolution(w);
                    r.line = b.line;
                    line.stations.back().results[w.index] = r;
                    break;
                }
                default: unused.insert(w.index);
            }
        }
    }
    if (!lines.empty() && !lines.back().started && lines.back().readings == 0 && lines.back().heights.empty()) {
        lines.pop_back();
    }

    // ---- the lines taken ----
    if (options.line < 0 || options.line > static_cast<int>(lines.size())) {
        error = "文件中没有第 " + std::to_string(options.line) + " 条路线（共 " + std::to_string(lines.size()) + " 条）";
        return false;
    }
    std::vector<const RawLine*> taken;
    for (const RawLine& l : lines) {
        if (options.line != 0 && l.number != options.line) continue;
        if (!l.stations.empty() && !l.stations.back().complete()) {
            error = lineName(l) + "（第 " + std::to_string(l.line) + " 行起）在第 " +
                    std::to_string(l.stations.back().line) + " 行起的一站读数不全处结束，路线没有闭合";
            return false;
        }
        if (l.stations.empty()) {
            if (options.line != 0) {
                error = lineName(l) + "（第 " + std::to_string(l.line) + " 行起）没有测站";
                return false;
            }
            notes.push_back(lineName(l) + "（第 " + std::to_string(l.line) + " 行起）没有测站，未导入");
            continue;
        }
        for (std::size_t k = 1; k < l.stations.size(); ++k) {
            if (l.stations[k].back != l.stations[k - 1].fore) {
                error = "第 " + std::to_string(l.stations[k].line) + " 行：后视点 " + l.stations[k].back +
                        " 不是上一站的前视点 " + l.stations[k - 1].fore;
                return false;
            }
        }
        taken.push_back(&l);
    }
    if (taken.empty()) {
        error = "文件中没有完整的水准测站";
        return false;
    }

    // ---- known heights ----
    std::map<std::string, HeightMark> known;
    for (const RawLine* l : taken) {
        for (const HeightMark& m : l->heights) {
            // Typed on the keyboard, or alone before the line's first or after its last reading.
            bool isKnown = m.inputMode == '1';
            if (m.inputMode != '4' && !m.withReading) {
                isKnown |= m.readingsBefore == 0 || m.readingsBefore == l->readings;
            }
            if (!isKnown) continue;
            auto [it, added] = known.emplace(m.point, m);
            if (!added && std::fabs(it->second.height - m.height) > 0.00005) {
                error = "已知点 " + m.point + " 的高程在第 " + std::to_string(it->second.line) + " 行为 " +
                        fmt(it->second.height, 5) + " m，在第 " + std::to_string(m.line) + " 行为 " + fmt(m.height, 5) +
                        " m";
                return false;
            }
        }
    }

    // ---- sections ----
    SurveyNetwork& net = result.network;
    net.reset();
    {
        static const std::map<std::string, int> kOrders = {
            {"一等", kFirstOrder}, {"二等", kSecondOrder}, {"三等", kThirdOrder}, {"四等", kFourthOrder},
            {"一等水准", kFirstOrder}, {"二等水准", kSecondOrder}, {"三等水准", kThirdOrder}, {"四等水准", kFourthOrder}};
        const std::string order = options.order.empty() ? "二等" : options.order;
        auto it = kOrders.find(order);
        if (it == kOrders.end()) {
            error = "水准测量没有“" + order + "”这个观测等级（一等、二等、三等、四等）";
            return false;
        }
        net.leveling.levelClass = it->second;
    }
    net.leveling.instrument = 1;  // keeps the readings' 0.01 mm
    net.leveling.weighting = 0;   // by section length
    net.leveling.closureCoefficient = defaultClosureCoefficient(net.leveling.levelClass, 0);

    std::set<std::string> named;
    std::vector<std::string> longNames;
    int turningPoints = 0;
    for (const RawLine* l : taken) {
        auto isNamed = [&](std::size_t k) {
            // Point k of the line: k = 0 the first back point, k = n the last fore point.
            const std::string& p = k == 0 ? l->stations[0].back : l->stations[k - 1].fore;
            return k == 0 || k == l->stations.size() || known.count(p) != 0 || !digitsOnly(p);
        };
        LevelingSection section;
        std::size_t j = 0;  // station index within the section
        double cumulativeDh = 0, cumulativeBalance = 0, cumulativeLength = 0;
        int sights = 0;
        for (std::size_t k = 0; k < l->stations.size(); ++k) {
            const RawStation& s = l->stations[k];
            if (j == 0) {
                section = {};
                section.startName.assign(s.back);
                section.staffSelector = 0;
                if (s.back.size() > 12) longNames.push_back(s.back);
                named.insert(s.back);
            }
            const Sight b2 = s.b2 ? *s.b2 : *s.b1, f2 = s.f2 ? *s.f2 : *s.f1;
            const bool back4787 = backStaffIs4787(section.staffSelector, static_cast<int>(j));
            const double kBack = back4787 ? 4.787 : 4.687, kFore = back4787 ? 4.687 : 4.787;
            const double backSight = s.b2 ? (s.b1->distance + s.b2->distance) / 2 : s.b1->distance;
            const double foreSight = s.f2 ? (s.f1->distance + s.f2->distance) / 2 : s.f1->distance;
            LevelingStation st;
            std::int32_t bBlack = 0, bRed = 0, fBlack = 0, fRed = 0;
            if (!toUnits(s.b1->reading, 100, bBlack) || !toUnits(b2.reading + kBack, 200, bRed) ||
                !toUnits(s.f1->reading, 100, fBlack) || !toUnits(f2.reading + kFore, 200, fRed)) {
                error = "第 " + std::to_string(s.line) + " 行：读数超出范围";
                return false;
            }
            const auto backUnits = static_cast<std::int32_t>(std::llround(backSight * 1000));
            const auto foreUnits = static_cast<std::int32_t>(std::llround(foreSight * 1000));
            const std::int32_t backHalf = (backUnits + 1) / 2, foreHalf = (foreUnits + 1) / 2;
            st.readings = {bBlack + backHalf, bBlack, bBlack + backHalf - backUnits, bRed,
                           fBlack + foreHalf, fBlack, fBlack + foreHalf - foreUnits, fRed};
            section.stations.push_back(st);

            // The instrument's own station results against ours.
            const StationReduction red = reduceStation(st, back4787);
            cumulativeDh += red.meanHeightDifference;
            cumulativeBalance += backSight - foreSight;
            cumulativeLength += backSight + foreSight;
            sights += (s.b2 ? 2 : 1) + (s.f2 ? 2 : 1);
            const double sightRes = 0.001;  // the stored sight lengths are whole millimetres
            for (const auto& [index, r] : s.results) {
                double ours = 0, tolerance = 0.0001 + r.resolution / 2 + 1e-9;
                const char* what = "";
                switch (index) {
                    case 571: ours = red.meanHeightDifference; what = "测站高差"; break;
                    case 572: ours = cumulativeDh; what = "累积高差"; break;
                    case 573: ours = cumulativeBalance; what = "累积视距差"; tolerance += sights * sightRes / 2; break;
                    default: ours = cumulativeLength; what = "路线长度"; tolerance += sights * sightRes / 2; break;
                }
                // The sign of the distance balance differs between instruments: compare its size.
                const double theirs = index == 573 ? std::fabs(r.value) : r.value;
                if (index == 573) ours = std::fabs(ours);
                if (std::fabs(theirs - ours) > tolerance) {
                    notes.push_back("第 " + std::to_string(r.line) + " 行：仪器记录的" + what + " " + fmt(r.value, 5) +
                                    " m 与读数算得的 " + fmt(ours, 5) + " m 相差 " +
                                    fmt(std::fabs(theirs - ours) * 1000, 2) + " mm（读数可能被改动或缺失）");
                }
            }

            ++j;
            if (isNamed(k + 1)) {
                section.endName.assign(s.fore);
                if (s.fore.size() > 12) longNames.push_back(s.fore);
                named.insert(s.fore);
                net.sections.push_back(std::move(section));
                j = 0;
            } else {
                ++turningPoints;
            }
        }
    }
    if (!longNames.empty()) {
        std::sort(longNames.begin(), longNames.end());
        longNames.erase(std::unique(longNames.begin(), longNames.end()), longNames.end());
        error = "点名超过 12 个字符，水准记录存不下：" + joinNames(longNames);
        return false;
    }
    std::vector<std::string> knownNames;
    for (const auto& [name, m] : known) {
        if (named.count(name) == 0) {
            notes.push_back("第 " + std::to_string(m.line) + " 行：点 " + name + " 的高程没有用到（不是所导入路线的测段端点）");
            continue;
        }
        knownNames.push_back(name);
        ControlPoint p;
        p.name.assign(name);
        p.h = m.height;
        net.knownPoints.push_back(p);
    }
    if (net.knownPoints.size() > static_cast<std::size_t>(kMaxKnownPoints)) {
        error = "已知点有 " + std::to_string(net.knownPoints.size()) + " 个，水准记录最多存 10 个：" + joinNames(knownNames);
        return false;
    }
    if (intermediate > 0) {
        notes.push_back("中间视读数（字 333）" + std::to_string(intermediate) + " 个：水准记录没有它们的位置，未导入");
    }
    if (measureOnly > 0) {
        notes.push_back("单独测量的读数（字 330）" + std::to_string(measureOnly) + " 个：不属于测站，未导入");
    }
    if (!unused.empty()) {
        std::vector<std::string> words;
        for (int w : unused) words.push_back(std::to_string(w));
        notes.push_back("未用到的字：" + joinNames(words));
    }
    notes.push_back(std::to_string(taken.size()) + " 条路线，" + std::to_string(net.sections.size()) + " 个测段，" +
                    std::to_string(turningPoints) + " 个转点，" + std::to_string(net.knownPoints.size()) + " 个已知点");
    return true;
}

}  // namespace vornex::exchange
