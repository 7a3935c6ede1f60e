// A total station's raw file into a control survey.
//
// A block with station words (84-86 coordinates, 88 instrument height) and no
// angle sets up a station named by its word 11; the blocks after it with a
// horizontal direction (21) are its sightings: target (11), zenith angle (22),
// slope or horizontal distance (31, 32), height difference (33), reflector
// height (87, kept for the following sightings until it changes).
//
// Face: a zenith angle over 180 degrees is face right. A target sighted on both
// faces of a round gives
//   2C  = Hz(left) - (Hz(right) - 180 deg),   direction = Hz(left) - 2C / 2
//   i   = (V(left) + V(right) - 360 deg) / 2,  zenith    = V(left) - i
// A round ends where a target is sighted again on the same face, except the
// closing sighting of the round's first target on that face (归零). Each round
// is reduced to the station's first target and the rounds are meaned.
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

#include "exchange/gsi_convert.h"
#include "exchange/numbers.h"

namespace vornex::exchange {
namespace {

using gsi::Block;
using gsi::Word;

// Limits of the direction method in seconds, by order: GB 50026-2007 table
// 3.3.8 (半测回归零差, 一测回内 2C 互差, 同一方向值各测回较差; 二等 with a 1"
// instrument, 三等 and 四等 with a 2" instrument, 一级 and 二级 under "一级及以
// 下" with a 2" instrument) and table 4.3.3 (指标差较差: 7" for 四等 and above,
// 10" below it).
struct OrderLimits {
    const char* name;
    double closing, twoC, rounds, indexError;
};
constexpr OrderLimits kOrderLimits[] = {
    {"二等", 6, 9, 6, 7},
    {"三等", 8, 13, 9, 7},
    {"四等", 8, 13, 9, 7},
    {"一级", 12, 18, 12, 10},
    {"二级", 12, 18, 12, 10},
};

struct Sighting {
    std::string target;
    double hz = 0, v = 0, sd = 0, hd = 0, dh = 0, reflector = -1;
    bool hasV = false, hasSd = false, hasHd = false, hasDh = false;
    bool right = false;
    int line = 0;
};

struct Setup {
    std::string name;
    double instrumentHeight = 0;
    bool hasInstrumentHeight = false;
    int line = 0;
    std::vector<Sighting> sightings;
};

struct Pair {
    std::string target;
    std::optional<Sighting> left, right;
};

struct Round {
    std::vector<Pair> pairs;
    bool closedLeft = false, closedRight = false;
    int sightsLeft = 0, sightsRight = 0;
    std::vector<std::pair<double, int>> closings;  // 归零差 in seconds, line
    Pair* find(const std::string& t) {
        for (Pair& p : pairs) {
            if (p.target == t) return &p;
        }
        return nullptr;
    }
};

// Into (-180, 180].
double wrap180(double d) {
    d = std::fmod(d, 360.0);
    if (d > 180) d -= 360;
    if (d <= -180) d += 360;
    return d;
}
double wrap360(double d) {
    d = std::fmod(d, 360.0);
    if (d < 0) d += 360;
    if (d >= 360) d -= 360;
    return d;
}

std::string seconds(double s) { return formatFixed(s, 1) + "″"; }

// Direction and zenith of one target in one round (face right reduced to face left).
struct Reduced {
    double direction = 0, zenith = 0;
    bool hasZenith = false;
    std::optional<double> twoC, indexError;  // seconds
};

Reduced reducePair(const Pair& p) {
    Reduced r;
    if (p.left && p.right) {
        const double c = wrap180(p.left->hz - (p.right->hz - 180.0));
        r.twoC = c * 3600;
        r.direction = wrap360(p.left->hz - c / 2);
        if (p.left->hasV && p.right->hasV) {
            const double i = (p.left->v + p.right->v - 360.0) / 2;
            r.indexError = i * 3600;
            r.zenith = p.left->v - i;
            r.hasZenith = true;
        }
    } else if (p.left) {
        r.direction = wrap360(p.left->hz);
        r.zenith = p.left->v;
        r.hasZenith = p.left->hasV;
    } else {
        r.direction = wrap360(p.right->hz - 180.0);
        r.zenith = 360.0 - p.right->v;
        r.hasZenith = p.right->hasV;
    }
    return r;
}

}  // namespace

bool convertControlBlocks(const std::vector<Block>& blocks, const RawImportOptions& options, RawImportResult& result) {
    std::vector<std::string>& notes = result.notes;
    std::string& error = result.error;

    const std::string orderName = options.order.empty() ? "四等" : options.order;
    const OrderLimits* limits = nullptr;
    for (const OrderLimits& l : kOrderLimits) {
        if (orderName == l.name) limits = &l;
    }
    if (limits == nullptr) {
        error = "控制测量没有“" + orderName + "”这个等级（二等、三等、四等、一级、二级）";
        return false;
    }

    // ---- blocks into set-ups and sightings ----
    std::vector<Setup> setups;
    std::set<int> unused;
    bool stationCoordinates = false;
    double reflector = -1;
    for (const Block& b : blocks) {
        std::string point;
        if (const Word* p = b.find(11)) point = gsi::pointName(*p);
        const bool sighting = b.find(21) != nullptr || b.find(22) != nullptr;
        const bool station = !sighting && (b.find(84) || b.find(85) || b.find(86) || b.find(88));
        if (station) {
            if (point.empty()) {
                error = "第 " + std::to_string(b.line) + " 行：设站没有点名（字 11）";
                return false;
            }
            Setup s;
            s.name = point;
            s.line = b.line;
            setups.push_back(std::move(s));
            reflector = -1;
        }
        if (sighting && setups.empty()) {
            error = "第 " + std::to_string(b.line) + " 行：观测之前没有设站（字 84–88）";
            return false;
        }
        if (sighting && b.find(21) == nullptr) {
            error = "第 " + std::to_string(b.line) + " 行：有垂直角（字 22）而没有水平方向（字 21）";
            return false;
        }
        if (sighting && point.empty()) {
            error = "第 " + std::to_string(b.line) + " 行：观测没有照准点名（字 11）";
            return false;
        }
        Sighting s;
        s.target = point;
        s.line = b.line;
        for (const Word& w : b.words) {
            double value = 0;
            switch (w.index) {
                case 11: break;
                case 21:
                    if (!gsi::angleValue(b, w, s.hz, error)) return false;
                    break;
                case 22:
                    if (!gsi::angleValue(b, w, s.v, error)) return false;
                    if (!(s.v > 0 && s.v < 360)) {
                        error = gsi::where(b, w) + "：天顶距不在 0 与 360 度之间";
                        return false;
                    }
                    s.hasV = true;
                    break;
                case 31:
                case 32:
                case 33:
                case 87:
                case 88:
                    if (!gsi::lengthValue(b, w, value, error)) return false;
                    if (!(std::fabs(value) < 100000) || (w.index != 33 && value < 0)) {
                        error = gsi::where(b, w) + "：数值超出范围";
                        return false;
                    }
                    if (w.index == 31) s.sd = value, s.hasSd = value > 0;
                    if (w.index == 32) s.hd = value, s.hasHd = value > 0;
                    if (w.index == 33) s.dh = value, s.hasDh = true;
                    if (w.index == 87) reflector = value;
                    if (w.index == 88 && !setups.empty()) {
                        setups.back().instrumentHeight = value;
                        setups.back().hasInstrumentHeight = true;
                    }
                    break;
                case 84:
                case 85:
                case 86: stationCoordinates = true; break;
                default: unused.insert(w.index);
            }
        }
        if (!sighting) continue;
        s.reflector = reflector;
        s.right = s.hasV && s.v > 180.0;
        if (!s.hasV && (s.hasSd)) {
            error = "第 " + std::to_string(b.line) + " 行：斜距没有天顶距（字 22）";
            return false;
        }
        setups.back().sightings.push_back(s);
    }
    if (setups.empty()) {
        error = "文件中没有设站（字 84–88 与点名）";
        return false;
    }

    // ---- the distance kind of the whole file ----
    int firstSlope = 0, firstHorizontal = 0;
    for (const Setup& st : setups) {
        for (const Sighting& s : st.sightings) {
            if (s.hasSd && firstSlope == 0) firstSlope = s.line;
            if (!s.hasSd && s.hasHd && firstHorizontal == 0) firstHorizontal = s.line;
        }
    }
    if (firstSlope != 0 && firstHorizontal != 0) {
        error = "文件中既有斜距（第 " + std::to_string(firstSlope) + " 行）又有只记平距的观测（第 " +
                std::to_string(firstHorizontal) + " 行），控制测量数据文件只能存一种观测类型";
        return false;
    }
    const bool slope = firstSlope != 0;

    // ---- stations ----
    SurveyNetwork& net = result.network;
    net.reset();
    std::vector<std::string> longNames;
    bool missingHeights = false;
    auto checkName = [&](const std::string& n) {
        if (n.size() > 12) longNames.push_back(n);
    };
    for (const Setup& st : setups) {
        checkName(st.name);
        if (st.sightings.empty()) {
            notes.push_back("第 " + std::to_string(st.line) + " 行：测站 " + st.name + " 没有观测，未导入");
            continue;
        }
        // Rounds.
        std::vector<Round> rounds(1);
        for (const Sighting& s : st.sightings) {
            checkName(s.target);
            Round* r = &rounds.back();
            Pair* p = r->find(s.target);
            if (p != nullptr) {
                std::optional<Sighting>& face = s.right ? p->right : p->left;
                if (!face) {
                    face = s;
                    (s.right ? r->sightsRight : r->sightsLeft) += 1;
                    continue;
                }
                bool& closed = s.right ? r->closedRight : r->closedLeft;
                const int sights = s.right ? r->sightsRight : r->sightsLeft;
                const Pair& first = r->pairs.front();
                const std::optional<Sighting>& firstFace = s.right ? first.right : first.left;
                if (p == &r->pairs.front() && !closed && sights > 1 && firstFace) {
                    r->closings.emplace_back(wrap180(s.hz - firstFace->hz) * 3600, s.line);
                    closed = true;
                    continue;
                }
                rounds.emplace_back();
                r = &rounds.back();
            }
            Pair np;
            np.target = s.target;
            (s.right ? np.right : np.left) = s;
            (s.right ? r->sightsRight : r->sightsLeft) += 1;
            r->pairs.push_back(std::move(np));
        }

        const std::string reference = rounds.front().pairs.front().target;
        struct Target {
            std::string name;
            std::vector<double> directions;  // reduced to the reference, one per round
            std::vector<double> zeniths;
            std::vector<double> distances;
            std::vector<double> heightDifferences;
            double reflector = -1;
            bool reflectorVaries = false;
        };
        std::vector<Target> targets;
        auto targetOf = [&](const std::string& name) -> Target& {
            for (Target& t : targets) {
                if (t.name == name) return t;
            }
            targets.push_back(Target{name, {}, {}, {}, {}, -1, false});
            return targets.back();
        };
        for (std::size_t k = 0; k < rounds.size(); ++k) {
            Round& r = rounds[k];
            const std::string roundText = "测站 " + st.name + " 第 " + std::to_string(k + 1) + " 测回";
            Pair* ref = r.find(reference);
            if (ref == nullptr) {
                error = roundText + "（第 " + std::to_string((r.pairs.front().left ? r.pairs.front().left : r.pairs.front().right)->line) +
                        " 行起）没有照准起始方向 " + reference + "，无法归算到起始方向";
                return false;
            }
            const double zero = reducePair(*ref).direction;
            double cMin = 1e9, cMax = -1e9, iMin = 1e9, iMax = -1e9;
            for (const Pair& p : r.pairs) {
                const Reduced red = reducePair(p);
                Target& t = targetOf(p.target);
                t.directions.push_back(wrap360(red.direction - zero));
                if (red.hasZenith) t.zeniths.push_back(red.zenith);
                if (red.twoC) cMin = std::min(cMin, *red.twoC), cMax = std::max(cMax, *red.twoC);
                if (red.indexError) iMin = std::min(iMin, *red.indexError), iMax = std::max(iMax, *red.indexError);
                for (const std::optional<Sighting>* f : {&p.left, &p.right}) {
                    if (!*f) continue;
                    const Sighting& s = **f;
                    if (s.hasSd) t.distances.push_back(s.sd);
                    else if (s.hasHd) t.distances.push_back(s.hd);
                    if (s.hasDh) t.heightDifferences.push_back(s.dh);
                    if (t.reflector >= 0 && s.reflector >= 0 && std::fabs(t.reflector - s.reflector) > 1e-9) t.reflectorVaries = true;
                    if (s.reflector >= 0 && t.reflector < 0) t.reflector = s.reflector;
                }
            }
            if (cMax > cMin && cMax - cMin > limits->twoC + 1e-9) {
                notes.push_back(roundText + "：2C 互差 " + seconds(cMax - cMin) + " 超过" + limits->name + "限差 " +
                                seconds(limits->twoC));
            }
            if (iMax > iMin && iMax - iMin > limits->indexError + 1e-9) {
                notes.push_back(roundText + "：指标差较差 " + seconds(iMax - iMin) + " 超过" + limits->name + "限差 " +
                                seconds(limits->indexError));
            }
            for (const auto& [diff, line] : r.closings) {
                if (std::fabs(diff) > limits->closing + 1e-9) {
                    notes.push_back(roundText + "（第 " + std::to_string(line) + " 行）：半测回归零差 " +
                                    seconds(std::fabs(diff)) + " 超过" + limits->name + "限差 " + seconds(limits->closing));
                }
            }
        }

        SurveyStation out;
        out.name.assign(st.name);
        out.instrumentHeight = st.hasInstrumentHeight ? st.instrumentHeight : 0;
        if (slope && !st.hasInstrumentHeight) missingHeights = true;
        for (const Target& t : targets) {
            SurveyObservation o;
            o.targetName.assign(t.name);
            // Mean of the rounds about the first round's value, so that directions near 0/360 mean right.
            double sum = 0;
            for (double d : t.directions) sum += wrap180(d - t.directions.front());
            o.direction = wrap360(t.directions.front() + sum / static_cast<double>(t.directions.size()));
            if (t.directions.size() > 1) {
                double lo = 1e9, hi = -1e9;
                for (double d : t.directions) {
                    const double dev = wrap180(d - t.directions.front()) * 3600;
                    lo = std::min(lo, dev);
                    hi = std::max(hi, dev);
                }
                if (hi - lo > limits->rounds + 1e-9) {
                    notes.push_back("测站 " + st.name + " 照准 " + t.name + "：同一方向值各测回较差 " + seconds(hi - lo) +
                                    " 超过" + limits->name + "限差 " + seconds(limits->rounds));
                }
            }
            if (!t.distances.empty()) {
                double d = 0;
                for (double x : t.distances) d += x;
                o.distance = d / static_cast<double>(t.distances.size());
            }
            if (slope && !t.zeniths.empty()) {
                double z = 0;
                for (double x : t.zeniths) z += x;
                o.verticalOrHeight = z / static_cast<double>(t.zeniths.size());
            }
            o.targetHeight = t.reflector;
            if (slope && o.distance > 0 && t.reflector < 0) missingHeights = true;
            if (t.reflectorVaries) {
                notes.push_back("测站 " + st.name + " 照准 " + t.name + "：棱镜高前后不同，用第一次的 " +
                                formatFixed(t.reflector, 3) + " m");
            }
            out.observations.push_back(o);
        }
        net.stations.push_back(std::move(out));
    }
    if (!longNames.empty()) {
        std::sort(longNames.begin(), longNames.end());
        longNames.erase(std::unique(longNames.begin(), longNames.end()), longNames.end());
        error = "点名超过 12 个字符，控制测量数据文件存不下：" + joinNames(longNames);
        return false;
    }
    if (net.stations.empty()) {
        error = "文件中没有观测";
        return false;
    }

    // ---- known points and the observation type ----
    if (options.knownPoints.size() > static_cast<std::size_t>(kMaxKnownPoints)) {
        std::vector<std::string> names;
        for (const ControlPoint& p : options.knownPoints) names.push_back(p.name.utf8());
        error = "已知点有 " + std::to_string(options.knownPoints.size()) + " 个，控制测量数据文件最多存 10 个：" +
                joinNames(names);
        return false;
    }
    bool knownWithoutHeight = false;
    for (ControlPoint p : options.knownPoints) {
        if (p.h == kNoHeight) {
            knownWithoutHeight = true;
            p.h = 0;
        }
        net.knownPoints.push_back(p);
    }
    if (options.knownPoints.empty()) notes.push_back("没有已知点：平差前请在已知点表中输入");
    if (slope) {
        net.control.observationType = kSlopeAndZenith;
        if (missingHeights || knownWithoutHeight) {
            net.control.observationType = kSlopeDistance;
            notes.push_back(std::string(missingHeights ? "有的测站没有仪器高或照准没有棱镜高" : "有的已知点没有高程") +
                            "：导入为“倾斜距离”，只做平面平差");
        }
    } else {
        net.control.observationType = kHorizontalDistance;
    }
    if (stationCoordinates) notes.push_back("设站坐标（字 84–86）未导入：已知点另行给出");
    if (!unused.empty()) {
        std::vector<std::string> words;
        for (int w : unused) words.push_back(std::to_string(w));
        notes.push_back("未用到的字：" + joinNames(words));
    }
    return true;
}

}  // namespace vornex::exchange
