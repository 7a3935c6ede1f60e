// Reading a road from a LandXML 1.2 file.
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

#include "exchange/landxml.h"
#include "exchange/notes.h"
#include "exchange/numbers.h"
#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/profile.h"
#include "geometry/stations.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

// Bounds beyond which a number is damage, not design: coordinates (Gauss-Krüger
// eastings with their zone prefix stay below 1e8 m), lengths and stations,
// radii, elevations, and the number of elements of one alignment.
constexpr double kMaxCoordinate = 1e9;
constexpr double kMaxLength = 1e7;
constexpr double kMinRadius = 0.01;
constexpr double kMaxRadius = 1e12;
constexpr double kMaxElevation = 1e5;
constexpr std::size_t kMaxElements = 1000000;
// Differences worth a note (metres).
constexpr double kReportTolerance = 0.001;

constexpr double kDegToRad = kPi / 180.0;

double curvatureOf(double radius) { return radius == 0 ? 0.0 : 1.0 / radius; }

std::string_view localName(const pugi::xml_node& node) {
    std::string_view n = node.name();
    std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_node child(const pugi::xml_node& node, std::string_view name) {
    for (pugi::xml_node c : node.children()) {
        if (c.type() == pugi::node_element && localName(c) == name) return c;
    }
    return {};
}

std::vector<pugi::xml_node> children(const pugi::xml_node& node, std::string_view name) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : node.children()) {
        if (c.type() == pugi::node_element && localName(c) == name) out.push_back(c);
    }
    return out;
}

// An enumeration or unit attribute as meant: blanks around it and repeated
// blanks inside it do not count ("decimal  dd.mm.ss").
std::string collapsed(std::string_view text) {
    std::string out;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// "northing easting [elevation]" separated by blanks (or commas); false for
// anything else. The elevation stays 0 when missing.
bool coordinates(std::string_view body, double (&v)[3]) {
    int n = 0;
    std::size_t pos = 0;
    auto blank = [](char c) { return c == ' ' || c == ',' || c == '\t' || c == '\n' || c == '\r'; };
    while (pos < body.size()) {
        while (pos < body.size() && blank(body[pos])) ++pos;
        if (pos >= body.size()) break;
        std::size_t end = pos;
        while (end < body.size() && !blank(body[end])) ++end;
        if (n >= 3 || !parseNumber(body.substr(pos, end - pos), v[n])) return false;
        ++n;
        pos = end;
    }
    return n >= 2;
}

// Thrown inside the reader only: a refusal of the file with its message.
struct Refusal {
    std::string message;
};

enum class AngleUnit { Radians, Grads, Degrees, PackedDms };

struct FilePoint {
    double x = 0, y = 0;  // northing, easting (metres)
};

// One element of CoordGeom as the file gives it.
struct FileElement {
    AlignmentElement element;  // length and signed radii
    std::optional<FilePoint> start, end;
    std::optional<double> staStart;  // metres
    std::optional<double> dirStart;  // degrees azimuth, as the file's dir or dirStart attribute states it
    // The start tangent that the file's coordinates give: from the chord and
    // the element's shape, or from the centre of a curve or the PI of a spiral.
    // `baseline` is the distance it rests on (its uncertainty is the
    // coordinates' rounding over it).
    std::optional<double> pointDirection;
    double baseline = 0;
    bool fromChord = false;
    std::string where;  // "第3个元素 <Spiral>（第12行）"
};

class Reader {
public:
    Reader(std::string_view bytes, const ImportOptions& options, Prompter* chooser)
        : bytes_(bytes), options_(options), chooser_(chooser) {}

    ImportResult run();

private:
    [[noreturn]] void refuse(std::string message) { throw Refusal{std::move(message)}; }
    int lineOf(const pugi::xml_node& node) const {
        // Line starts found once: messages name a line per element.
        if (lineStarts_.empty()) {
            lineStarts_.push_back(0);
            for (std::size_t i = 0; i < bytes_.size(); ++i) {
                if (bytes_[i] == '\n') lineStarts_.push_back(i + 1);
            }
        }
        const std::ptrdiff_t offset = node.offset_debug();
        if (offset < 0) return 0;
        auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), static_cast<std::size_t>(offset));
        return static_cast<int>(it - lineStarts_.begin());
    }
    std::string at(const pugi::xml_node& node) const {
        return "<" + quotedInput(localName(node)) + ">（第" + std::to_string(lineOf(node)) + "行）";
    }
    void note(std::string text) { notes_.add(std::move(text)); }

    void readUnits(const pugi::xml_node& root);
    double number(const pugi::xml_node& node, const char* attribute, bool required, double fallback = 0);
    std::optional<double> optionalNumber(const pugi::xml_node& node, const char* attribute);
    double length(const pugi::xml_node& node, const char* attribute, bool required);
    std::optional<double> radius(const pugi::xml_node& node, const char* attribute);  // nullopt: INF
    double toDegrees(double value, AngleUnit unit) const;
    std::optional<FilePoint> point(const pugi::xml_node& owner, const char* name);
    void checkCoordinate(double v, const pugi::xml_node& node);
    double rotationSign(const pugi::xml_node& node, const std::string& where);

    void readControlPoints(const pugi::xml_node& root);
    void readCoordinateSystem(const pugi::xml_node& root);
    void noteWhatIsLeftOut(const pugi::xml_node& root, const pugi::xml_node& alignment);
    pugi::xml_node chooseAlignment(const pugi::xml_node& root);
    void readGeometry(const pugi::xml_node& alignment);
    void readElement(const pugi::xml_node& node, int ordinal, std::vector<FileElement>& out);
    void readStationEquations(const pugi::xml_node& alignment);
    void layElements(const pugi::xml_node& alignment, std::vector<FileElement>& elements);
    void readProfile(const pugi::xml_node& alignment);

    std::string_view bytes_;
    const ImportOptions& options_;
    Prompter* chooser_;
    ImportResult result_;
    double metres_ = 1.0;  // metres per linear unit of the file
    AngleUnit angular_ = AngleUnit::Radians;
    AngleUnit direction_ = AngleUnit::Radians;
    std::map<std::string, FilePoint> namedPoints_;  // CgPoints for pntRef
    double coordinateStep_ = 1e-6;  // metres: the last digit of the coarsest coordinate read
    mutable std::vector<std::size_t> lineStarts_;
    NoteList notes_;
};

double Reader::toDegrees(double value, AngleUnit unit) const {
    switch (unit) {
    case AngleUnit::Radians: return value / kDegToRad;
    case AngleUnit::Grads: return value * 0.9;
    case AngleUnit::Degrees: return value;
    case AngleUnit::PackedDms: return (value < 0 ? -1 : 1) * dmsToDegrees(std::fabs(value));
    }
    return value;
}

AngleUnit angleUnitOf(std::string_view text, bool& known) {
    known = true;
    if (text == "radians") return AngleUnit::Radians;
    if (text == "grads") return AngleUnit::Grads;
    if (text == "decimal degrees") return AngleUnit::Degrees;
    if (text == "decimal dd.mm.ss") return AngleUnit::PackedDms;
    known = false;
    return AngleUnit::Radians;
}

void Reader::readUnits(const pugi::xml_node& root) {
    pugi::xml_node units = child(root, "Units");
    pugi::xml_node system = units ? child(units, "Metric") : pugi::xml_node();
    if (!system && units) system = child(units, "Imperial");
    if (!system) return;  // the format's defaults: metres and radians
    const std::string linear = collapsed(system.attribute("linearUnit").as_string("meter"));
    // Feet are converted exactly: the international foot is 0.3048 m, the US
    // survey foot 1200/3937 m.
    static const std::pair<const char*, double> kLinear[] = {
        {"meter", 1.0},       {"millimeter", 0.001},          {"centimeter", 0.01}, {"kilometer", 1000.0},
        {"foot", 0.3048},     {"USSurveyFoot", 1200.0 / 3937.0}, {"inch", 0.0254},  {"mile", 1609.344},
    };
    bool found = false;
    for (const auto& [name, factor] : kLinear) {
        if (linear == name) {
            metres_ = factor;
            found = true;
        }
    }
    if (!found) refuse("不支持的长度单位 linearUnit=\"" + quotedInput(linear) + "\" " + at(system));
    if (linear != "meter") {
        // The road model is metric: what comes in another unit goes out in metres.
        note("文件的长度单位为 " + linear + "，已换算为米；导出时一律写成米");
    }
    bool known = true;
    const std::string angular = collapsed(system.attribute("angularUnit").as_string("radians"));
    angular_ = angleUnitOf(angular, known);
    if (!known) refuse("不支持的角度单位 angularUnit=\"" + quotedInput(angular) + "\" " + at(system));
    // Directions default to the angular unit.
    const std::string direction =
        system.attribute("directionUnit") ? collapsed(system.attribute("directionUnit").value()) : angular;
    direction_ = angleUnitOf(direction, known);
    if (!known) refuse("不支持的方向单位 directionUnit=\"" + quotedInput(direction) + "\" " + at(system));
}

std::optional<double> Reader::optionalNumber(const pugi::xml_node& node, const char* attribute) {
    pugi::xml_attribute a = node.attribute(attribute);
    if (!a) return std::nullopt;
    double v = 0;
    if (!parseNumber(a.value(), v)) {
        refuse(std::string(attribute) + "=\"" + quotedInput(a.value()) + "\" 不是数值 " + at(node));
    }
    return v;
}

double Reader::number(const pugi::xml_node& node, const char* attribute, bool required, double fallback) {
    std::optional<double> v = optionalNumber(node, attribute);
    if (!v) {
        if (required) refuse("缺少 " + std::string(attribute) + " " + at(node));
        return fallback;
    }
    return *v;
}

double Reader::length(const pugi::xml_node& node, const char* attribute, bool required) {
    double v = number(node, attribute, required) * metres_;
    if (std::fabs(v) > kMaxLength) {
        refuse(std::string(attribute) + "=\"" + quotedInput(node.attribute(attribute).value()) + "\" 超出合理范围 " + at(node));
    }
    return v;
}

std::optional<double> Reader::radius(const pugi::xml_node& node, const char* attribute) {
    pugi::xml_attribute a = node.attribute(attribute);
    if (!a) refuse("缺少 " + std::string(attribute) + " " + at(node));
    std::string_view t = text::trim(a.value());
    if (iequals(t, "INF") || iequals(t, "infinity") || iequals(t, "+INF")) return std::nullopt;
    double v = 0;
    if (!parseNumber(t, v)) refuse(std::string(attribute) + "=\"" + quotedInput(a.value()) + "\" 不是数值 " + at(node));
    v = std::fabs(v) * metres_;
    if (v == 0 || v > kMaxRadius) return std::nullopt;  // written by some tools for a straight end
    if (v < kMinRadius) refuse(std::string(attribute) + "=\"" + quotedInput(a.value()) + "\" 超出合理范围 " + at(node));
    return v;
}

void Reader::checkCoordinate(double v, const pugi::xml_node& node) {
    if (std::fabs(v) > kMaxCoordinate) refuse("坐标 \"" + quotedInput(text::trim(node.child_value())) + "\" 超出合理范围 " + at(node));
}

std::optional<FilePoint> Reader::point(const pugi::xml_node& owner, const char* name) {
    pugi::xml_node p = child(owner, name);
    if (!p) return std::nullopt;
    std::string_view body = text::trim(p.child_value());
    if (body.empty()) {
        std::string ref = p.attribute("pntRef").as_string();
        auto it = namedPoints_.find(ref);
        if (ref.empty() || it == namedPoints_.end()) {
            refuse("点 " + at(p) + " 没有坐标" + (ref.empty() ? "" : "，也找不到它引用的点 " + quotedInput(ref)));
        }
        return it->second;
    }
    double v[3] = {0, 0, 0};
    if (!coordinates(body, v)) refuse("点 \"" + quotedInput(body) + "\" 不是“北坐标 东坐标 [高程]” " + at(p));
    FilePoint fp{v[0] * metres_, v[1] * metres_};
    checkCoordinate(fp.x, p);
    checkCoordinate(fp.y, p);
    // The coarsest last digit of the file's coordinates: directions taken from
    // them are no better than that.
    for (std::size_t i = 0; i < body.size();) {
        std::size_t dot = body.find('.', i);
        if (dot == std::string_view::npos) break;
        std::size_t end = dot + 1;
        while (end < body.size() && body[end] >= '0' && body[end] <= '9') ++end;
        coordinateStep_ = std::max(coordinateStep_, std::pow(10.0, -static_cast<double>(end - dot - 1)) * metres_);
        i = end;
    }
    return fp;
}

double Reader::rotationSign(const pugi::xml_node& node, const std::string& where) {
    const std::string rot = collapsed(node.attribute("rot").as_string());
    if (rot == "cw") return 1.0;
    if (rot == "ccw") return -1.0;
    refuse(where + " 的转向 rot=\"" + quotedInput(rot) + "\" 应为 cw 或 ccw");
}

void Reader::readControlPoints(const pugi::xml_node& root) {
    for (pugi::xml_node group : children(root, "CgPoints")) {
        for (pugi::xml_node p : group.children()) {
            if (p.type() != pugi::node_element || localName(p) != "CgPoint") continue;
            std::string_view body = text::trim(p.child_value());
            if (body.empty()) continue;  // a reference to another point, no coordinates of its own
            double v[3] = {0, 0, 0};
            if (!coordinates(body, v)) refuse("点 \"" + quotedInput(body) + "\" 不是“北坐标 东坐标 [高程]” " + at(p));
            ControlPoint cp;
            cp.x = v[0] * metres_;
            cp.y = v[1] * metres_;
            cp.h = v[2] * metres_;
            checkCoordinate(cp.x, p);
            checkCoordinate(cp.y, p);
            if (std::fabs(cp.h) > kMaxElevation) refuse("高程超出合理范围 " + at(p));
            std::string name = p.attribute("name").as_string();
            cp.name = nameFromFile(name, "控制点名", false, notes_);
            std::string desc = p.attribute("desc").as_string(p.attribute("code").as_string());
            cp.note = nameFromFile(desc, "控制点说明", false, notes_);
            if (!name.empty()) namedPoints_[name] = FilePoint{cp.x, cp.y};
            result_.controlPoints.push_back(cp);
        }
    }
}

void Reader::readCoordinateSystem(const pugi::xml_node& root) {
    pugi::xml_node cs = child(root, "CoordinateSystem");
    if (!cs) return;
    // Kept as read, within a sane size, without control characters.
    auto value = [&](std::initializer_list<const char*> names) {
        for (const char* n : names) {
            std::string_view v = text::trim(cs.attribute(n).as_string());
            if (v.empty()) continue;
            bool removed = false;
            return withoutControls(v.substr(0, 65536), removed);
        }
        return std::string();
    };
    FileCoordinateSystem f;
    f.name = value({"name"});
    f.epsgCode = value({"epsgCode"});
    f.description = value({"desc"});
    f.projection = value({"projectedCoordinateSystemName", "horizontalCoordinateSystemName"});
    f.datum = value({"horizontalDatum", "datum"});
    f.verticalDatum = value({"verticalDatum"});
    f.ellipsoid = value({"ellipsoidName"});
    f.wkt = value({"ogcWktCode"});
    std::string what = !f.name.empty() ? "\"" + quotedInput(f.name) + "\"" : "";
    if (!f.epsgCode.empty()) what += (what.empty() ? "EPSG " : "（EPSG ") + quotedInput(f.epsgCode) + (what.empty() ? "" : "）");
    if (what.empty() && !f.projection.empty()) what = "\"" + quotedInput(f.projection) + "\"";
    // A grid the program knows is named in its own terms, so the user sees what the project would take.
    geodesy::CoordinateSystem known;
    const std::string named = knownCoordinateSystem(f, known) ? "。它是 " + geodesy::describeSystem(known) : "";
    note("文件的坐标系 " + what + " 未用于换算：坐标按原值导入" + (what.empty() ? "" : "，坐标系记下供项目选用") + named);
    result_.coordinateSystem = std::move(f);
}

// One note per kind of thing the road model has no place for, with its count.
void Reader::noteWhatIsLeftOut(const pugi::xml_node& root, const pugi::xml_node& alignment) {
    auto countIn = [](const pugi::xml_node& from, std::string_view group, std::string_view item) {
        std::size_t n = 0;
        for (pugi::xml_node g : children(from, group)) n += children(g, item).size();
        return n;
    };
    // Elements of a name anywhere below a node (PI names, design speeds).
    auto countBelow = [](pugi::xml_node from, std::string_view item, bool named) {
        struct Walker : pugi::xml_tree_walker {
            std::string_view item;
            bool named = false;
            std::size_t n = 0;
            bool for_each(pugi::xml_node& node) override {
                if (node.type() == pugi::node_element && localName(node) == item && (!named || node.attribute("name")))
                    ++n;
                return true;
            }
        } w;
        w.item = item;
        w.named = named;
        from.traverse(w);
        return w.n;
    };
    const struct {
        std::size_t count;
        const char* what;
    } left[] = {
        {countIn(alignment, "CrossSects", "CrossSect"), "横断面 (CrossSect)"},
        {countIn(root, "Roadways", "Roadway"), "道路模型 (Roadway)"},
        {countIn(root, "Surfaces", "Surface"), "地形曲面 (Surface)"},
        {countBelow(alignment, "PI", true), "交点名称 (PI name)"},
        {countBelow(root, "DesignSpeed", false), "设计速度 (DesignSpeed)"},
    };
    for (const auto& l : left) {
        if (l.count > 0) note(std::string("文件中的") + l.what + " " + std::to_string(l.count) + " 个未导入");
    }
}

pugi::xml_node Reader::chooseAlignment(const pugi::xml_node& root) {
    std::vector<pugi::xml_node> all;
    for (pugi::xml_node group : children(root, "Alignments")) {
        for (pugi::xml_node a : children(group, "Alignment")) {
            all.push_back(a);
            result_.alignmentNames.emplace_back(a.attribute("name").as_string());
        }
    }
    if (all.empty()) refuse("文件中没有线路 (Alignments/Alignment)");
    if (options_.alignment) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (result_.alignmentNames[i] == *options_.alignment) return all[i];
        }
        result_.status = kExchangeNoSuchAlignment;
        std::string names;
        for (const std::string& n : result_.alignmentNames) names += (names.empty() ? "" : "、") + quotedInput(n);
        result_.error = "文件中没有线路 \"" + quotedInput(*options_.alignment) + "\"；文件中的线路：" + names;
        return {};
    }
    if (all.size() == 1) return all[0];
    if (chooser_ != nullptr) {
        int k = chooser_->askChoice("文件中有多条线路，请选择要导入的线路：", result_.alignmentNames);
        if (k >= 0 && k < static_cast<int>(all.size())) return all[static_cast<std::size_t>(k)];
        result_.status = kExchangeCancelled;
        return {};
    }
    result_.status = kExchangeChooseAlignment;
    result_.error = "文件中有多条线路，请指明要导入哪一条";
    return {};
}

// The tangent azimuth at an element's start from its chord: the azimuth of the
// chord in the file less the chord's angle on the element laid from the origin
// heading north. Needs no direction from the file, so it is exact to the
// coordinates' own rounding.
std::optional<double> azimuthFromChord(const AlignmentElement& shape, const FilePoint& a, const FilePoint& b,
                                       double tolerance) {
    PolarVector chord = joinPoints(b.x - a.x, b.y - a.y);
    if (chord.distance < 1e-6 || shape.length < 1e-6) return std::nullopt;
    AlignmentElement local = shape;
    local.x = local.y = 0;
    local.startAzimuth = local.arrivalAzimuth = 0;
    AlignmentPoint end = pointOnElement(local, local.length, tolerance);
    PolarVector localChord = joinPoints(end.x, end.y);
    if (localChord.distance < 1e-6) return std::nullopt;  // a closed loop: the chord says nothing
    return normalizeAngle(chord.azimuth - localChord.azimuth);
}

double angleDifference(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

void Reader::readElement(const pugi::xml_node& node, int ordinal, std::vector<FileElement>& out) {
    const std::string_view kind = localName(node);
    FileElement fe;
    fe.where = "第" + std::to_string(ordinal) + "个平面元素 " + at(node);
    AlignmentElement& e = fe.element;
    const double tol = curveTolerance(options_.precision);
    if (auto s = optionalNumber(node, "staStart")) fe.staStart = *s * metres_;

    if (kind == "Line") {
        fe.start = point(node, "Start");
        fe.end = point(node, "End");
        if (!fe.start || !fe.end) refuse(fe.where + " 缺少起点或终点坐标");
        double chord = joinPoints(fe.end->x - fe.start->x, fe.end->y - fe.start->y).distance;
        e.length = node.attribute("length") ? length(node, "length", true) : chord;
        if (std::fabs(e.length - chord) > kReportTolerance) {
            note(fe.where + "：长度 " + formatFixed(e.length, 4) + " 与起终点距离 " + formatFixed(chord, 4) +
                 " 相差超过 1 mm，按长度计算");
        }
        if (auto d = optionalNumber(node, "dir")) fe.dirStart = toDegrees(*d, direction_);
    } else if (kind == "Curve") {
        fe.start = point(node, "Start");
        fe.end = point(node, "End");
        std::optional<FilePoint> centre = point(node, "Center");
        const double sign = rotationSign(node, fe.where);
        double r = 0;
        if (node.attribute("radius")) {
            std::optional<double> rr = radius(node, "radius");
            if (!rr) refuse(fe.where + " 的半径不是有限值");
            r = *rr;
        } else if (fe.start && centre) {
            r = joinPoints(fe.start->x - centre->x, fe.start->y - centre->y).distance;
        } else {
            refuse(fe.where + " 缺少半径");
        }
        if (r < kMinRadius) refuse(fe.where + " 的半径超出合理范围");
        if (fe.start && centre) {
            double rc = joinPoints(fe.start->x - centre->x, fe.start->y - centre->y).distance;
            if (std::fabs(rc - r) > kReportTolerance) {
                note(fe.where + "：半径 " + formatFixed(r, 4) + " 与圆心到起点的距离 " + formatFixed(rc, 4) +
                     " 相差超过 1 mm，按半径计算");
            }
        }
        // The arc length from the geometry: the chord and the centre's side
        // decide between the short and the long arc.
        std::optional<double> geometric;
        if (fe.start && fe.end) {
            double c = joinPoints(fe.end->x - fe.start->x, fe.end->y - fe.start->y).distance;
            double half = std::asin(std::min(1.0, c / (2 * r)));
            double arc = 2 * r * half;
            if (centre) {
                // Long arc when the centre lies on the turning side's far side of the chord.
                double cx = fe.end->x - fe.start->x, cy = fe.end->y - fe.start->y;
                double px = centre->x - fe.start->x, py = centre->y - fe.start->y;
                double cross = cx * py - cy * px;  // > 0: centre to the right of the chord
                if (cross * sign < 0) arc = 2 * r * (kPi - half);
            }
            geometric = arc;
        }
        const bool chordDefinition = collapsed(node.attribute("crvType").as_string("arc")) == "chord";
        if (chordDefinition) {
            if (!geometric) refuse(fe.where + " 按弦长定义 (crvType=\"chord\")，缺少起点或终点坐标，无法换算弧长");
            e.length = *geometric;
            note(fe.where + "：按弦长定义的曲线 (crvType=\"chord\") 不受支持，按圆弧导入，弧长由坐标算得 " +
                 formatFixed(e.length, 4));
        } else if (node.attribute("length")) {
            e.length = length(node, "length", true);
        } else if (auto delta = optionalNumber(node, "delta")) {
            e.length = r * std::fabs(toDegrees(*delta, angular_)) * kDegToRad;
        } else if (geometric) {
            e.length = *geometric;
        } else {
            refuse(fe.where + " 缺少长度");
        }
        e.startRadius = e.endRadius = sign * r;
        if (auto d = optionalNumber(node, "dirStart")) fe.dirStart = toDegrees(*d, direction_);
        if (!fe.start && centre && fe.end) refuse(fe.where + " 缺少起点坐标");
        if (fe.start && centre) {
            // Tangent from the centre: the centre lies to the right of a right turn.
            PolarVector toCentre = joinPoints(centre->x - fe.start->x, centre->y - fe.start->y);
            if (toCentre.distance > 1e-6) {
                fe.pointDirection = normalizeAngle(toCentre.azimuth - 90.0 * sign);
                fe.baseline = toCentre.distance;
            }
        }
    } else if (kind == "Spiral") {
        fe.start = point(node, "Start");
        fe.end = point(node, "End");
        const std::string type = collapsed(node.attribute("spiType").as_string("clothoid"));
        const double sign = rotationSign(node, fe.where);
        e.length = length(node, "length", true);
        std::optional<double> r1 = radius(node, "radiusStart");
        std::optional<double> r2 = radius(node, "radiusEnd");
        e.startRadius = r1 ? sign * *r1 : 0.0;
        e.endRadius = r2 ? sign * *r2 : 0.0;
        if (type != "clothoid") {
            note(fe.where + "：缓和曲线类型 spiType=\"" + quotedInput(type) + "\" 不受支持，按回旋线导入");
        }
        if (auto d = optionalNumber(node, "dirStart")) fe.dirStart = toDegrees(*d, direction_);
        if (fe.start) {
            if (std::optional<FilePoint> pi = point(node, "PI")) {
                PolarVector t = joinPoints(pi->x - fe.start->x, pi->y - fe.start->y);
                if (t.distance > 1e-6) {
                    fe.pointDirection = t.azimuth;
                    fe.baseline = t.distance;
                }
            }
        }
    } else if (kind == "IrregularLine" || kind == "Chain") {
        fe.start = point(node, "Start");
        fe.end = point(node, "End");
        if (!fe.start || !fe.end) {
            note(fe.where + "：不受支持的元素，且没有起终点坐标，未导入；其后线元的位置以前一线元的终点为准");
            return;
        }
        e.length = joinPoints(fe.end->x - fe.start->x, fe.end->y - fe.start->y).distance;
        note(fe.where + "：不受支持的元素，以起点到终点的直线代替");
    } else if (kind == "Feature") {
        return;  // application data of other programs
    } else {
        refuse("平面线形中有未知元素 " + at(node));
    }

    if (!std::isfinite(e.length) || e.length < 0 || e.length > kMaxLength) refuse(fe.where + " 的长度超出合理范围");
    // A road element turns less than a full circle.
    const double turn = e.length * (std::fabs(curvatureOf(e.startRadius)) + std::fabs(curvatureOf(e.endRadius))) / 2;
    if (turn > 2 * kPi + 1e-9) refuse(fe.where + " 转过的角度超过一周，不是道路线形");
    if (e.length < 0.0001) {
        note(fe.where + "：长度为零，略去");
        return;
    }
    if (fe.start && fe.end) {
        if (std::optional<double> az = azimuthFromChord(e, *fe.start, *fe.end, tol)) {
            fe.pointDirection = *az;
            fe.baseline = joinPoints(fe.end->x - fe.start->x, fe.end->y - fe.start->y).distance;
            fe.fromChord = true;
        }
    }
    out.push_back(fe);
}

void Reader::readGeometry(const pugi::xml_node& alignment) {
    std::vector<FileElement> elements;
    std::vector<pugi::xml_node> geoms = children(alignment, "CoordGeom");
    if (geoms.empty()) refuse("线路 \"" + quotedInput(alignment.attribute("name").as_string()) + "\" 没有平面线形 (CoordGeom)");
    int ordinal = 0;
    for (const pugi::xml_node& geom : geoms) {
        for (pugi::xml_node c : geom.children()) {
            if (c.type() != pugi::node_element) continue;
            if (elements.size() >= kMaxElements) refuse("平面线形的元素超过 " + std::to_string(kMaxElements) + " 个");
            readElement(c, ++ordinal, elements);
        }
    }
    if (elements.empty()) refuse("线路 \"" + quotedInput(alignment.attribute("name").as_string()) + "\" 的平面线形没有元素");
    layElements(alignment, elements);
}

void Reader::readStationEquations(const pugi::xml_node& alignment) {
    struct Equation {
        double back, ahead;
        std::optional<double> internal;
        pugi::xml_node node;
    };
    std::vector<Equation> list;
    for (pugi::xml_node n : children(alignment, "StaEquation")) {
        Equation q{length(n, "staBack", true), length(n, "staAhead", true), std::nullopt, n};
        if (n.attribute("staInternal")) q.internal = length(n, "staInternal", true);
        list.push_back(q);
    }
    // Applied along the road: by internal station where every equation has one.
    bool allInternal = std::all_of(list.begin(), list.end(), [](const Equation& q) { return q.internal.has_value(); });
    if (allInternal) {
        std::stable_sort(list.begin(), list.end(), [](const Equation& a, const Equation& b) { return *a.internal < *b.internal; });
    }
    double shift = 0;  // design minus continuous station before the equation
    for (const Equation& q : list) {
        if (q.internal && std::fabs(q.back - shift - *q.internal) > kReportTolerance) {
            note("断链 " + at(q.node) + "：staInternal " + formatFixed(*q.internal, 4) + " 与 staBack 推算的 " +
                 formatFixed(q.back - shift, 4) + " 不一致，按 staBack 与 staAhead 导入");
        }
        result_.road.chainBreaks.push_back({q.back, q.ahead});
        shift += q.ahead - q.back;
    }
}

namespace {

constexpr double kSecond = 1.0 / 3600.0;  // degrees
// A junction is kept when the laid road is within these of the file.
constexpr double kKeepPosition = 0.001;      // metres
constexpr double kKeepDirection = kSecond;   // degrees
// An element shorter than this has no direction of its own worth keeping.
constexpr double kDecidesDirection = 0.001;  // metres
// The rounding of a file's coordinates that a direction from them may carry:
// two points, each to half its last digit in both axes, and never less than
// two points to a tenth of a millimetre.
double coordinateRounding(double step) { return std::max(0.0002, 1.5 * step); }
// Longest angle-point straight, and the most it may move the curve it leads into.
constexpr double kAngleStraight = 0.001;     // metres
constexpr double kAngleStraightShift = 0.0002;
// Sideways drift along an element that a small angle may cause unkept.
constexpr double kDrift = 0.0003;

bool isStraight(const AlignmentElement& e) { return e.startRadius == 0 && e.endRadius == 0; }

// How far a direction from coordinates over `baseline` metres may be off
// (degrees), never less than the second the result is held to.
double directionUncertainty(double baseline, double rounding) {
    if (!(baseline > 0)) return kKeepDirection;
    return std::max(kKeepDirection, std::atan(rounding / baseline) / kDegToRad);
}

// Where the laid element ends and in which direction.
AlignmentPoint endOf(const AlignmentElement& e, double tolerance) { return pointOnElement(e, e.length, tolerance); }

std::string secondsText(double degrees) { return formatFixed(std::fabs(degrees) * 3600.0, 1) + "″"; }

}  // namespace

void Reader::layElements(const pugi::xml_node& alignment, std::vector<FileElement>& list) {
    Road& road = result_.road;
    const double tol = curveTolerance(options_.precision);
    const std::string roadName = "线路 \"" + quotedInput(alignment.attribute("name").as_string()) + "\"";
    const double rounding = coordinateRounding(coordinateStep_);

    // The file's dir attributes against its own coordinates. Some programs
    // count directions from east, counter-clockwise: when that reading (and
    // only that one) agrees on every element that has both, the coordinates
    // are taken and one note says so.
    int both = 0, north = 0, east = 0;
    for (const FileElement& fe : list) {
        if (!fe.dirStart || !fe.fromChord || fe.element.length < kDecidesDirection) continue;
        const double allowed = 2 * directionUncertainty(fe.baseline, rounding);
        ++both;
        if (std::fabs(angleDifference(*fe.dirStart, *fe.pointDirection)) <= allowed) ++north;
        if (std::fabs(angleDifference(90.0 - *fe.dirStart, *fe.pointDirection)) <= allowed) ++east;
    }
    const bool fromEast = both > 0 && east == both && north < both;
    if (fromEast) {
        note(roadName + "：文件中的方向 (dir、dirStart) 自东起逆时针量取，与坐标一致；按坐标导入");
        for (FileElement& fe : list)
            if (fe.dirStart) fe.dirStart = normalizeAngle(90.0 - *fe.dirStart);
    }

    // The direction each element leaves in, as the file says it: its
    // coordinates first (positions come first), else its dir attribute.
    struct Said {
        std::optional<double> direction;
        double uncertainty = kKeepDirection;  // what the check allows (degrees)
        double fromRounding = 0;              // what the coordinates' rounding alone may give (degrees)
    };
    std::vector<Said> said(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileElement& fe = list[i];
        if (fe.element.length < kDecidesDirection) continue;  // its neighbours decide
        if (fe.pointDirection) {
            said[i] = {fe.pointDirection, directionUncertainty(fe.baseline, rounding),
                       std::atan(rounding / fe.baseline) / kDegToRad};
            if (fe.dirStart && !fromEast) {
                const double d = angleDifference(*fe.dirStart, *fe.pointDirection);
                if (std::fabs(d) > 2 * said[i].uncertainty) {
                    note(fe.where + "：文件中的方向 " + formatDms(normalizeAngle(*fe.dirStart)) +
                                                   " 与其坐标相差 " + secondsText(d) + "，按坐标导入");
                }
            }
        } else if (fe.dirStart) {
            said[i] = {normalizeAngle(*fe.dirStart), kKeepDirection, 0};
        }
    }
    // An element too short to decide takes the direction of the next one that
    // decides, less its own turn; the last ones take the previous.
    auto turnOf = [](const AlignmentElement& e) {
        return e.length * (curvatureOf(e.startRadius) + curvatureOf(e.endRadius)) / 2 / kDegToRad;
    };
    std::vector<std::optional<double>> laidFrom(list.size());  // direction used to lay short ones
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].element.length >= kDecidesDirection) continue;
        double turn = 0;
        for (std::size_t k = i; k < list.size(); ++k) {
            if (said[k].direction) {
                laidFrom[i] = normalizeAngle(*said[k].direction - turn);
                break;
            }
            turn += turnOf(list[k].element);
        }
    }

    const FileElement& first = list.front();
    if (!first.start) refuse(first.where + " 缺少起点坐标");
    std::optional<double> firstDirection = said[0].direction ? said[0].direction : laidFrom[0];
    if (!firstDirection) refuse(first.where + " 无法确定起点的切线方向（缺少终点坐标和方向）");

    // Lay the elements one after the other as the road model does (each starts
    // where the previous one ends; only a straight after a straight keeps a
    // direction of its own) and keep the file's direction where a curve meets
    // a straight at an angle: a short straight taken from the straight makes
    // the angle point.
    std::vector<AlignmentElement> laid;
    laid.reserve(list.size() + 8);
    // Index in `laid` of each file element's start, and of the element that
    // leaves in its direction (the rest of a straight whose head was split off).
    std::vector<std::size_t> startsAt(list.size()), leaves(list.size());
    auto place = [&](AlignmentElement e, std::optional<double> ownDirection) {
        if (laid.empty()) {
            e.x = first.start->x;
            e.y = first.start->y;
            e.startAzimuth = e.arrivalAzimuth = *ownDirection;
        } else {
            const AlignmentElement& prev = laid.back();
            AlignmentPoint end = endOf(prev, tol);
            e.x = end.x;
            e.y = end.y;
            e.arrivalAzimuth = end.azimuth;
            e.startAzimuth = (isStraight(prev) && isStraight(e) && ownDirection) ? *ownDirection : end.azimuth;
        }
        laid.push_back(e);
    };
    auto angleStraightLength = [](double turn) {
        const double chord = 2 * std::sin(std::fabs(turn) * kDegToRad / 2);
        return chord * kAngleStraight <= kAngleStraightShift ? kAngleStraight
                                                             : std::max(kAngleStraightShift, kAngleStraightShift / chord);
    };
    // A straight that follows a straight keeps its own direction (an angle
    // point), so it needs one of its own.
    for (std::size_t i = 1; i < list.size(); ++i) {
        if (isStraight(list[i].element) && isStraight(list[i - 1].element) && !said[i].direction && !laidFrom[i]) {
            refuse(list[i].where + " 无法确定直线的方向（缺少终点坐标和方向）");
        }
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileElement& fe = list[i];
        AlignmentElement e = fe.element;
        const std::optional<double> own = said[i].direction ? said[i].direction : laidFrom[i];
        if (laid.empty()) {
            startsAt[i] = leaves[i] = 0;
            place(e, own);
            continue;
        }
        const AlignmentPoint arrival = endOf(laid.back(), tol);
        const double turn = own ? angleDifference(*own, arrival.azimuth) : 0.0;
        // An angle is kept where it exceeds half a second or would carry the
        // road sideways along the element; what the rounding of the file's
        // coordinates may give is no angle.
        const bool angle = said[i].direction && std::fabs(turn) > said[i].fromRounding &&
                           (std::fabs(turn) > kKeepDirection / 2 || std::fabs(turn) * kDegToRad * e.length > kDrift);
        if (angle && isStraight(e) && !isStraight(laid.back())) {
            // A curve into a straight at an angle: the straight's first part
            // follows the curve, the rest leaves in the file's direction.
            const double eps = angleStraightLength(turn);
            if (e.length >= eps + kDecidesDirection) {
                AlignmentElement head = e;
                head.length = eps;
                startsAt[i] = laid.size();
                place(head, std::nullopt);
                e.length -= eps;
                leaves[i] = laid.size();
                place(e, own);
                note(fe.where + "：与前一曲线相接处转折 " + secondsText(turn) + "，在直线起端留出 " +
                                             formatFixed(eps * 1000, 1) + " mm 的直线作为转折点");
                continue;
            }
        } else if (angle && !isStraight(e) && isStraight(laid.back())) {
            // A straight into a curve at an angle: the straight's end moves back
            // and a short straight in the curve's direction leads into it.
            const double eps = angleStraightLength(turn);
            AlignmentElement& prev = laid.back();
            if (prev.length >= eps + kDecidesDirection) {
                prev.length -= eps;
                AlignmentElement lead = prev;
                lead.length = eps;
                place(lead, own);
                startsAt[i] = leaves[i] = laid.size();
                place(e, own);
                note(fe.where + "：与前一直线相接处转折 " + secondsText(turn) + "，在直线末端留出 " +
                                             formatFixed(eps * 1000, 1) + " mm 的直线作为转折点");
                continue;
            }
        }
        startsAt[i] = leaves[i] = laid.size();
        place(e, own);
    }

    road.elements = std::move(laid);
    double start = 0;
    if (auto s = optionalNumber(alignment, "staStart")) {
        start = *s * metres_;
    } else if (first.staStart) {
        start = *first.staStart;
    }
    if (std::fabs(start) > kMaxLength * 100) refuse("线路的起点桩号超出合理范围 " + at(alignment));
    road.elements.front().startStation = start;
    propagateElements(road, 0, tol);

    // Every element must start where the file says and leave in its
    // direction; a road that cannot be kept so is refused, never imported wrong.
    auto refuseJunction = [&](const std::string& where, double gap, double turn) {
        refuse(roadName + " 的" + where + "：与文件中的位置相差 " + formatFixed(gap * 1000, 1) + " mm，方向相差 " +
               secondsText(turn) + "，无法保持在 1 mm 与 1″ 之内，未导入");
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        const FileElement& fe = list[i];
        const AlignmentElement& e = road.elements[startsAt[i]];
        double gap = 0, turn = 0;
        if (fe.start) gap = joinPoints(fe.start->x - e.x, fe.start->y - e.y).distance;
        if (said[i].direction) turn = angleDifference(road.elements[leaves[i]].startAzimuth, *said[i].direction);
        if (gap > kKeepPosition || std::fabs(turn) > said[i].uncertainty + 1e-9) refuseJunction(fe.where, gap, turn);
        if (fe.staStart) {
            bool continuous = std::fabs(*fe.staStart - e.startStation) <= kReportTolerance;
            bool design = std::fabs(*fe.staStart - toDesignStation(road, e.startStation).station) <= kReportTolerance;
            if (!continuous && !design) {
                note(fe.where + "：staStart " + formatFixed(*fe.staStart, 4) +
                                          " 与前面线元长度推算的桩号 " + formatFixed(e.startStation, 4) + " 不一致，按长度计算");
            }
        }
    }
    const FileElement& last = list.back();
    if (last.end) {
        AlignmentPoint end = endOf(road.elements.back(), tol);
        double gap = joinPoints(last.end->x - end.x, last.end->y - end.y).distance;
        if (gap > kKeepPosition) refuseJunction("线路终点 " + last.where, gap, 0);
    }
}

void Reader::readProfile(const pugi::xml_node& alignment) {
    std::vector<pugi::xml_node> designs;
    bool ground = false;
    for (pugi::xml_node profile : children(alignment, "Profile")) {
        for (pugi::xml_node c : profile.children()) {
            if (c.type() != pugi::node_element) continue;
            if (localName(c) == "ProfAlign") designs.push_back(c);
            if (localName(c) == "ProfSurf") ground = true;
        }
    }
    if (ground) note("地面线 (ProfSurf) 不属于设计数据，未导入");
    auto stationText = [&](double s) { return std::string(text::trim(formatStation(result_.road, s, true))); };
    if (designs.empty()) return;
    for (std::size_t i = 1; i < designs.size(); ++i) {
        note("纵断面 \"" + quotedInput(designs[i].attribute("name").as_string()) + "\" " + at(designs[i]) +
             "：只导入第一条设计纵断面");
    }
    struct Vertex {
        double station, elevation;
        enum { None, Parabola, Circle } curve;
        double length, radius;
        pugi::xml_node node;
    };
    std::vector<Vertex> vertices;
    for (pugi::xml_node c : designs.front().children()) {
        if (c.type() != pugi::node_element) continue;
        std::string_view kind = localName(c);
        if (kind == "Feature") continue;
        if (kind != "PVI" && kind != "ParaCurve" && kind != "CircCurve" && kind != "UnsymParaCurve") {
            refuse("纵断面中有未知元素 " + at(c));
        }
        std::string body(text::trim(c.child_value()));
        for (char& ch : body) {
            if (ch == ',' || ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
        }
        std::size_t gap = body.find(' ');
        double s = 0, h = 0;
        if (gap == std::string::npos || !parseNumber(std::string_view(body).substr(0, gap), s) ||
            !parseNumber(std::string_view(body).substr(gap), h)) {
            refuse("变坡点 \"" + quotedInput(body) + "\" 不是“桩号 高程” " + at(c));
        }
        Vertex v{s * metres_, h * metres_, Vertex::None, 0, 0, c};
        if (std::fabs(v.station) > kMaxLength * 100 || std::fabs(v.elevation) > kMaxElevation) {
            refuse("变坡点 \"" + quotedInput(body) + "\" 超出合理范围 " + at(c));
        }
        if (kind == "ParaCurve") {
            v.curve = Vertex::Parabola;
            v.length = length(c, "length", true);
        } else if (kind == "UnsymParaCurve") {
            v.curve = Vertex::Parabola;
            v.length = length(c, "lengthIn", true) + length(c, "lengthOut", true);
            note("变坡点 " + stationText(v.station) + " " + at(c) + "：不对称抛物线不受支持，按总长 " +
                 formatFixed(v.length, 3) + " 的对称抛物线导入");
        } else if (kind == "CircCurve") {
            v.curve = Vertex::Circle;
            v.length = c.attribute("length") ? length(c, "length", true) : 0.0;
            if (c.attribute("radius")) {
                std::optional<double> r = radius(c, "radius");
                v.radius = r ? *r : 0.0;
            } else if (!c.attribute("length")) {
                refuse("圆形竖曲线缺少半径 " + at(c));
            }
        }
        if (v.length < 0) refuse("竖曲线长度为负 " + at(c));
        if (!vertices.empty() && v.station <= vertices.back().station) {
            refuse("变坡点的桩号没有递增 " + at(c));
        }
        vertices.push_back(v);
    }
    bool parabolas = false, circles = false;
    for (const Vertex& v : vertices) {
        parabolas |= v.curve == Vertex::Parabola && v.length > 0;
        circles |= v.curve == Vertex::Circle;
    }
    Road& road = result_.road;
    road.calcMethod = circles && !parabolas ? kExactMethod : kTraditionalMethod;
    const std::size_t n = vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Vertex& v = vertices[i];
        GradePoint g{v.station, v.elevation, 0};
        if (i == 0 || i + 1 == n) {
            if (v.curve != Vertex::None && (v.length > 0 || v.radius > 0)) {
                note("变坡点 " + stationText(v.station) + " 是纵断面的端点，其竖曲线略去");
            }
            road.gradePoints.push_back(g);
            continue;
        }
        const Vertex& a = vertices[i - 1];
        const Vertex& b = vertices[i + 1];
        const double i1 = (v.elevation - a.elevation) / (v.station - a.station);
        const double i2 = (b.elevation - v.elevation) / (b.station - v.station);
        const double omega = std::fabs(i2 - i1);
        if (v.curve == Vertex::Parabola && v.length > 0) {
            if (omega < 1e-12) {
                note("变坡点 " + stationText(v.station) + "：前后坡度相同，竖曲线略去");
            } else {
                g.verticalRadius = v.length / omega;  // L = R·|i2 − i1|
            }
        } else if (v.curve == Vertex::Circle) {
            g.verticalRadius = v.radius;
            if (g.verticalRadius == 0 && v.length > 0 && omega > 1e-12) g.verticalRadius = v.length / omega;
            if (road.calcMethod == kTraditionalMethod) {
                note("变坡点 " + stationText(v.station) + "：纵断面中抛物线与圆形竖曲线混用，按传统算法导入，"
                     "此处的圆形竖曲线按同半径 " + formatFixed(g.verticalRadius, 3) + " 的抛物线计算");
            }
        }
        road.gradePoints.push_back(g);
    }
    // Vertical curves that overlap give heights that jump where the later one
    // takes over. The profile is kept as the file has it (the grade-point
    // table marks the overlap in red, as for a profile typed so), and the
    // note says where and how the heights are computed there.
    for (std::size_t i = 1; i < road.gradePoints.size(); ++i) {
        const GradePointValues here = gradePointValues(road, static_cast<int>(i));
        if (!here.hasBack || here.straightLength >= -kReportTolerance) continue;
        const Vertex& a = vertices[i - 1];
        const Vertex& b = vertices[i];
        note("纵断面：变坡点 " + stationText(a.station) + " " + at(a.node) + " 与 " + stationText(b.station) + " " +
             at(b.node) + " 的竖曲线重叠 " + formatFixed(-here.straightLength, 3) +
             " m（切线长之和大于两变坡点间距）；重叠段按前一竖曲线计算，至其终点后接后一竖曲线，该处高程不连续");
    }
}

ImportResult Reader::run() {
    pugi::xml_document doc;
    pugi::xml_parse_result parsed =
        doc.load_buffer(bytes_.data(), bytes_.size(), pugi::parse_default, pugi::encoding_auto);
    if (!parsed) {
        result_.status = kExchangeBadFile;
        result_.error = std::string("不是有效的 XML 文件：") + parsed.description() + "（第" +
                        std::to_string(lineOfOffset(bytes_, parsed.offset)) + "行）";
        return result_;
    }
    pugi::xml_node root = doc.document_element();
    if (localName(root) != "LandXML") {
        result_.status = kExchangeBadFile;
        result_.error = "不是 LandXML 文件：根元素是 <" + quotedInput(root.name()) + ">";
        return result_;
    }
    try {
        readUnits(root);
        readControlPoints(root);
        pugi::xml_node alignment = chooseAlignment(root);
        if (!alignment) return result_;
        Road& road = result_.road;
        road.curveForm = 1;
        std::string name = alignment.attribute("name").as_string();
        road.name = nameFromFile(name.empty() ? "Road01" : name, "线路名称", true, notes_);
        // The station prefix travels in a Feature of this program's own files.
        for (pugi::xml_node feature : children(alignment, "Feature")) {
            if (std::string_view(feature.attribute("code").as_string()) != "Vornex") continue;
            for (pugi::xml_node property : children(feature, "Property")) {
                if (std::string_view(property.attribute("label").as_string()) == "stationPrefix") {
                    bool removed = false;
                    road.stationPrefix.assignUtf8(withoutControls(property.attribute("value").as_string(), removed));
                }
            }
        }
        readStationEquations(alignment);
        readGeometry(alignment);
        readProfile(alignment);
        readCoordinateSystem(root);
        noteWhatIsLeftOut(root, alignment);
        result_.notes = notes_.take();
        result_.status = kExchangeOk;
    } catch (const Refusal& r) {
        result_.status = kExchangeBadFile;
        result_.error = r.message;
        result_.road = Road{};
        result_.controlPoints.clear();
    }
    return result_;
}

}  // namespace

ImportResult readLandXml(std::string_view bytes, const ImportOptions& options, Prompter* chooser) {
    return Reader(bytes, options, chooser).run();
}

}  // namespace vornex::exchange
