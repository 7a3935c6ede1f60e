#include "document/project_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <new>
#include <vector>

#include "document/project_values.h"
#include "geometry/intersection_alignment.h"
#include "io/read.h"
#include "io/write.h"
#include "model/record_store.h"
#include "model/scramble.h"

namespace vornex {

namespace {

// ---------------------------------------------------------------- writing

// Appends the fields of version 83: big-endian, every byte XORed with H.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out), h_(scrambleByte(kFormatVersion)) {}

    void byte(unsigned char b) { out_.push_back(static_cast<char>(b)); }
    void plain(const unsigned char* data, std::size_t n) { out_.append(reinterpret_cast<const char*>(data), n); }

    void i32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int b = 3; b >= 0; --b) byte(static_cast<unsigned char>(u >> (8 * b)) ^ h_);
    }
    void f64(double v) {
        const auto u = std::bit_cast<std::uint64_t>(v);
        for (int b = 7; b >= 0; --b) byte(static_cast<unsigned char>(u >> (8 * b)) ^ h_);
    }
    // A text up to its first zero byte, zero-filled to N bytes, the whole block
    // reversed and XORed.
    template <std::size_t N>
    void text(const FixedText<N>& t) {
        unsigned char block[N] = {};
        for (std::size_t i = 0; i < N && t.bytes[i] != '\0'; ++i) block[i] = static_cast<unsigned char>(t.bytes[i]);
        for (std::size_t i = N; i-- > 0;) byte(block[i] ^ h_);
    }
    void count(std::size_t n) { i32(static_cast<std::int32_t>(n)); }

    // The stored image of a record, or the parts [from, to) of it.
    template <class T>
    void image(const T& record, RecordKind kind) {
        RecordImage img = storedImage(record, kind);
        plain(img.data(), img.size());
    }
    template <class T>
    static RecordImage storedImage(const T& record, RecordKind kind) {
        RecordImage img = makeImage(record);
        scramble(img, kFormatVersion, kind);
        return img;
    }
    void part(const RecordImage& img, std::size_t from, std::size_t to) { plain(img.data() + from, to - from); }

    template <class T>
    void imageList(const std::vector<T>& list, RecordKind kind) {
        count(list.size());
        for (const T& r : list) image(r, kind);
    }

private:
    std::string& out_;
    unsigned char h_;
};

void writeRoadSection(Road& road, Writer& w) {
    w.text(road.name);
    // The two prefix bytes swapped, each XORed.
    w.byte(static_cast<unsigned char>(road.stationPrefix.bytes[1]) ^ scrambleByte(kFormatVersion));
    w.byte(static_cast<unsigned char>(road.stationPrefix.bytes[0]) ^ scrambleByte(kFormatVersion));
    w.i32(road.curveForm);
    w.i32(road.calcMethod);
    if (road.curveForm == 0) w.imageList(road.intersectionPoints, RecordKind::IntersectionPoint);
    w.imageList(road.elements, RecordKind::AlignmentElement);
    w.imageList(road.gradePoints, RecordKind::GradePoint);
    w.imageList(road.chainBreaks, RecordKind::ChainBreak);
    w.imageList(road.plates, RecordKind::CrossSectionPlate);

    w.count(road.slopeTemplates.size());
    for (const SlopeTemplate& t : road.slopeTemplates) {
        w.text(t.name);
        w.imageList(t.rows, RecordKind::SlopeTemplateRow);
    }
    w.imageList(road.slopeAssignments, RecordKind::SlopeAssignment);
    w.imageList(road.widthChanges, RecordKind::WidthChange);
    w.imageList(road.crossfallChanges, RecordKind::CrossfallChange);
    w.imageList(road.structures, RecordKind::Structure);

    // Bridges, piers, tunnel templates and tunnels leave the image filler out.
    w.count(road.bridges.size());
    for (const Bridge& b : road.bridges) {
        RecordImage img = Writer::storedImage(b, RecordKind::Bridge);
        w.part(img, 0, 12);
        w.part(img, 16, 60);
        w.count(b.piers.size());
        for (const Pier& p : b.piers) {
            RecordImage pi = Writer::storedImage(p, RecordKind::Pier);
            w.part(pi, 0, 12);
            w.part(pi, 16, 32);
            w.imageList(p.piles, RecordKind::Pile);
        }
    }

    w.count(road.tunnelTemplates.size());
    for (const TunnelTemplate& t : road.tunnelTemplates) {
        // Image order is designOffset, then the three crowns; the file puts the
        // crowns first.
        RecordImage img = Writer::storedImage(t, RecordKind::TunnelTemplate);
        w.part(img, 0, 12);
        w.part(img, 24, 48);
        w.part(img, 16, 24);
        w.imageList(t.excavation, RecordKind::ExcavationContour);
        w.imageList(t.primary, RecordKind::PrimaryContour);
        w.imageList(t.secondary, RecordKind::SecondaryContour);
    }

    w.count(road.tunnels.size());
    for (const Tunnel& t : road.tunnels) {
        RecordImage img = Writer::storedImage(t, RecordKind::Tunnel);
        w.part(img, 0, 12);
        w.part(img, 16, 36);
        w.imageList(t.slopeRules, RecordKind::TunnelSlopeRule);
        w.imageList(t.stationRules, RecordKind::TunnelStationRule);
        w.imageList(t.blastHoles, RecordKind::BlastHole);
    }

    road.roadKey = kFormatVersion;
    const int tunnels = static_cast<int>(road.tunnels.size());
    if (road.currentTunnel > tunnels - 1) road.currentTunnel = tunnels - 1;
}

// ---------------------------------------------------------------- reading

struct Damaged {};  // the data end early or a count is impossible

// Bounds-checked reader of one file version: every XOR applies only from
// version 62 on; numbers are always big-endian.
class Reader {
public:
    Reader(std::span<const unsigned char> data, std::size_t pos, int version)
        : data_(data), pos_(pos), v_(version), h_(version > 61 ? scrambleByte(version) : 0) {}

    int version() const { return v_; }
    std::size_t pos() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }

    std::span<const unsigned char> take(std::size_t n) {
        if (pos_ > data_.size() || n > remaining()) throw Damaged{};
        auto s = data_.subspan(pos_, n);
        pos_ += n;
        return s;
    }
    void skip(std::size_t n) { take(n); }

    std::uint64_t bigEndian(std::size_t n) {
        std::uint64_t u = 0;
        for (unsigned char b : take(n)) u = (u << 8) | static_cast<unsigned char>(b ^ h_);
        return u;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(static_cast<std::uint32_t>(bigEndian(4))); }
    double f64() { return std::bit_cast<double>(bigEndian(8)); }

    // A 12-byte name: XORed and reversed from version 62 on, as stored before.
    Name12 text12() {
        auto s = take(12);
        unsigned char block[12];
        for (int i = 0; i < 12; ++i)
            block[i] = v_ > 61 ? static_cast<unsigned char>(s[static_cast<std::size_t>(11 - i)] ^ h_)
                               : s[static_cast<std::size_t>(i)];
        return fixedTextFromBytes<12>(block);
    }

    // A list count, checked against what the remaining bytes can hold.
    std::size_t count(std::size_t minEntryBytes) {
        const std::int32_t n = i32();
        if (n < 0 || static_cast<std::size_t>(n) > remaining() / minEntryBytes) throw Damaged{};
        return static_cast<std::size_t>(n);
    }

    template <class T>
    T record(RecordKind kind) {
        const std::size_t size = static_cast<std::size_t>(imageSize(kind));
        auto s = take(size);
        RecordImage img(s.begin(), s.end());
        scramble(img, v_, kind);
        T r{};
        readImage(img, r);
        return r;
    }
    template <class T>
    void imageList(std::vector<T>& out, RecordKind kind) {
        const std::size_t n = count(static_cast<std::size_t>(imageSize(kind)));
        out.clear();
        out.reserve(n);
        for (std::size_t i = 0; i < n; ++i) out.push_back(record<T>(kind));
    }
    void skipList(std::size_t entryBytes) {
        const std::size_t n = count(entryBytes);
        skip(n * entryBytes);
    }

private:
    std::span<const unsigned char> data_;
    std::size_t pos_;
    int v_;
    unsigned char h_;
};

// Smallest number of bytes a tunnel template takes in a file of version v.
std::size_t tunnelTemplateMinBytes(int v) {
    std::size_t n = 12 + 8 + 8;            // name, excavationCrown, designOffset
    if (v < 81) n += 16;                   // startStation, length of the old tunnel
    if (v >= 74) n += 16;                  // second and third crowns
    n += (v < 73 ? 1 : 3) * 4;             // contour list counts
    if (v < 81) n += 4;                    // skipped list of 32-byte entries
    if (v > 74 && v < 81) n += 3 * 4;      // three skipped lists of 44-byte entries
    if (v > 76 && v < 81) n += 4 * 4;      // four skipped lists of 16-byte entries
    return n;
}

void parseRoad(Reader& in, Road& road, double precision) {
    const int v = in.version();
    road.name = in.text12();
    if (v >= 62) {
        auto p = in.take(2);
        const unsigned char h = scrambleByte(v);
        const unsigned char swapped[2] = {static_cast<unsigned char>(p[1] ^ h), static_cast<unsigned char>(p[0] ^ h)};
        road.stationPrefix = fixedTextFromBytes<2>(swapped);
    }
    road.curveForm = in.i32();
    road.calcMethod = v > 59 ? in.i32() : 0;

    if (road.curveForm == 0) {
        in.imageList(road.intersectionPoints, RecordKind::IntersectionPoint);
        // Older files hold no elements for an intersection-point road.
        if (v < 72) buildElementsFromIntersectionPoints(road, precision);
    }
    if (road.curveForm != 0 || v > 71) in.imageList(road.elements, RecordKind::AlignmentElement);
    in.imageList(road.gradePoints, RecordKind::GradePoint);
    if (v < 50) return;

    in.imageList(road.chainBreaks, RecordKind::ChainBreak);

    if (v > 82) {
        in.imageList(road.plates, RecordKind::CrossSectionPlate);
    } else {
        // 40-byte plates without the change links.
        const std::size_t n = in.count(40);
        road.plates.clear();
        road.plates.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            CrossSectionPlate p;
            p.side = in.i32();
            p.plateType = in.i32();
            p.width = in.f64();
            p.crossfall = in.f64();
            p.layerThickness = in.f64();
            p.curbHeight = in.f64();
            road.plates.push_back(p);
        }
    }

    if (v > 80) {
        const std::size_t n = in.count(16);
        road.slopeTemplates.clear();
        road.slopeTemplates.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            SlopeTemplate t;
            t.name = in.text12();
            in.imageList(t.rows, RecordKind::SlopeTemplateRow);
            road.slopeTemplates.push_back(std::move(t));
        }
        in.imageList(road.slopeAssignments, RecordKind::SlopeAssignment);
    } else {
        in.skipList(60);  // old slope data is not read
    }

    in.imageList(road.widthChanges, RecordKind::WidthChange);
    if (v < 83) rebuildWidthLinks(road);
    in.imageList(road.crossfallChanges, RecordKind::CrossfallChange);
    if (v < 83) rebuildCrossfallLinks(road);
    if (v < 70) return;

    in.imageList(road.structures, RecordKind::Structure);

    const std::size_t bridges = in.count(12 + 4 + 32 + (v > 80 ? 8 : 0) + 4);
    road.bridges.clear();
    road.bridges.reserve(bridges);
    for (std::size_t i = 0; i < bridges; ++i) {
        Bridge b;
        b.name = in.text12();
        b.calcType = in.i32();
        b.startStation = in.f64();
        b.length = in.f64();
        b.leftWidth = in.f64();
        b.rightWidth = in.f64();
        b.axisOffset = v > 80 ? in.f64() : 0.0;
        road.bridges.push_back(std::move(b));
        road.currentBridge = static_cast<std::int32_t>(i);
        Bridge& bridge = road.bridges.back();
        const std::size_t piers = in.count(12 + 8 + 8 + 4);
        bridge.piers.reserve(piers);
        for (std::size_t k = 0; k < piers; ++k) {
            Pier p;
            p.name = in.text12();
            p.station = in.f64();
            p.angle = in.f64();
            bridge.piers.push_back(std::move(p));
            road.currentPier = static_cast<std::int32_t>(k);
            in.imageList(bridge.piers.back().piles, RecordKind::Pile);
        }
    }

    const std::size_t templates = in.count(tunnelTemplateMinBytes(v));
    road.tunnelTemplates.clear();
    road.tunnelTemplates.reserve(templates);
    if (v < 81) road.tunnels.clear();
    for (std::size_t i = 0; i < templates; ++i) {
        TunnelTemplate t;
        t.name = in.text12();
        if (v < 81) {
            // The template of an old file carries its tunnel as well.
            Tunnel tunnel;
            tunnel.name = t.name;
            tunnel.startStation = in.f64();
            tunnel.length = in.f64();
            tunnel.plateIndex = 0;
            road.tunnels.push_back(std::move(tunnel));
            road.currentTunnel = static_cast<std::int32_t>(road.tunnels.size() - 1);
            TunnelStationRule rule;
            rule.station = road.tunnels.back().startStation;
            // A sudden rule for the template's own section: a stretch end here
            // would leave the tunnel without any section.
            rule.changeForm = 2;
            rule.templateIndex = road.currentTunnel;
            road.tunnels.back().stationRules.push_back(rule);
        }
        t.excavationCrown = in.f64();
        if (v >= 74) {
            t.primaryCrown = in.f64();
            t.secondaryCrown = in.f64();
        }
        t.designOffset = in.f64();
        in.imageList(t.excavation, RecordKind::ExcavationContour);
        if (v >= 73) {
            in.imageList(t.primary, RecordKind::PrimaryContour);
            in.imageList(t.secondary, RecordKind::SecondaryContour);
        }
        if (v < 81) in.skipList(32);
        if (v > 74 && v < 81)
            for (int k = 0; k < 3; ++k) in.skipList(44);
        if (v > 76 && v < 81)
            for (int k = 0; k < 4; ++k) in.skipList(16);
        road.tunnelTemplates.push_back(std::move(t));
    }

    if (v > 80) {
        const std::size_t tunnels = in.count(12 + 8 + 8 + 4 + 3 * 4);
        road.tunnels.clear();
        road.tunnels.reserve(tunnels);
        for (std::size_t i = 0; i < tunnels; ++i) {
            Tunnel t;
            t.name = in.text12();
            t.startStation = in.f64();
            t.length = in.f64();
            t.plateIndex = in.i32();
            in.imageList(t.slopeRules, RecordKind::TunnelSlopeRule);
            in.imageList(t.stationRules, RecordKind::TunnelStationRule);
            in.imageList(t.blastHoles, RecordKind::BlastHole);
            road.tunnels.push_back(std::move(t));
        }
    }
    road.currentTunnel = road.tunnels.empty() ? -1 : 0;
}

// Everything a file holds, parsed before the project is touched.
struct ParsedProject {
    int version = 0;
    bool hasPassword = false;
    FixedText<12> password;
    bool hasHeader = false;  // project name and precision
    FixedText<24> projectName;
    double precision = 0;
    std::vector<ControlPoint> controlPoints;
    std::vector<Road> roads;
};

void parseProject(std::span<const unsigned char> bytes, ParsedProject& p, double currentPrecision) {
    Reader plain(bytes, 0, 0);
    const int v = static_cast<std::int32_t>(static_cast<std::uint32_t>(plain.bigEndian(4)));
    p.version = v;
    if (v > kFormatVersion || v <= 0) return;  // handled by the caller
    Reader in(bytes, 4, v);

    if (v > 70) {
        p.hasPassword = true;
        p.password = fixedTextFromBytes<12>(in.take(12));
    }
    in.skip(4);
    p.precision = currentPrecision;
    if (v > 59) {
        p.hasHeader = true;
        auto name = in.take(24);
        unsigned char block[24];
        for (int i = 0; i < 24; ++i)
            block[i] = v > 61 ? static_cast<unsigned char>(name[static_cast<std::size_t>(23 - i)] ^ scrambleByte(v))
                              : name[static_cast<std::size_t>(i)];
        p.projectName = fixedTextFromBytes<24>(block);
        p.precision = in.f64();
    }

    const std::int32_t count = in.i32();
    if (count < 0) throw Damaged{};
    const std::size_t slots = v < 76 ? 20 : static_cast<std::size_t>(count);
    if (slots > in.remaining() / 52) throw Damaged{};
    for (std::size_t i = 0; i < slots; ++i) {
        ControlPoint c = in.record<ControlPoint>(RecordKind::ControlPoint);
        if (i < static_cast<std::size_t>(count)) p.controlPoints.push_back(c);
    }

    // A road section takes at least its name, curveForm and three list counts.
    const std::size_t roads = in.count(12 + 4 + 3 * 4);
    p.roads.reserve(roads);
    for (std::size_t i = 0; i < roads; ++i) {
        Road road;
        road.roadKey = v;
        parseRoad(in, road, p.precision);
        p.roads.push_back(std::move(road));
    }
}

}  // namespace

// ---------------------------------------------------------------- public

FileSystemOps& realFileSystem() { return io::realFileOps(); }

int writeRoad(Road& road, std::string& out) {
    Writer w(out);
    writeRoadSection(road, w);
    return kWriteOk;
}

int writeProject(RoadProject& project, std::string& out) {
    out.clear();
    Writer w(out);
    const unsigned char version[4] = {0, 0, 0, static_cast<unsigned char>(kFormatVersion)};
    w.plain(version, 4);
    // The password is stored as it is, zero-filled after the text.
    for (std::size_t i = 0, end = 0; i < 12; ++i) {
        if (project.password.bytes[i] == '\0') end = 1;
        w.byte(end ? 0 : static_cast<unsigned char>(project.password.bytes[i]));
    }
    for (int i = 0; i < 4; ++i) w.byte(0);
    w.text(project.projectName);
    w.f64(project.precision);
    w.imageList(project.controlPoints, RecordKind::ControlPoint);
    const auto written = std::count_if(project.roads.begin(), project.roads.end(),
                                       [](const Road& r) { return !r.isManual(); });
    w.count(static_cast<std::size_t>(written));
    for (Road& road : project.roads)
        if (!road.isManual()) writeRoadSection(road, w);
    return kWriteOk;
}

int writeProject(RoadProject& project, const std::filesystem::path& file, FileSystemOps& fs) {
    io::FileError error;
    return writeProject(project, file, error, fs);
}

int writeProject(RoadProject& project, const std::filesystem::path& file, io::FileError& error, FileSystemOps& fs) {
    std::string bytes;
    try {
        writeProject(project, bytes);
    } catch (const std::bad_alloc&) {
        error = {ENOMEM, "cannot write " + file.string() + ": " + io::errnoText(ENOMEM)};
        return kWriteFailed;
    }
    io::WriteOptions options;
    options.ops = &fs;
    return io::writeFile(file, bytes, error, options) ? kWriteOk : kWriteFailed;
}

long long readRoad(Road& road, std::span<const unsigned char> bytes, std::size_t offset, double precision) {
    try {
        Reader in(bytes, offset, road.roadKey);
        parseRoad(in, road, precision);
        return static_cast<long long>(in.pos());
    } catch (const Damaged&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return kRoadNoMemory;
    }
}

int readProject(RoadProject& project, std::span<const unsigned char> bytes, Prompter& prompter) {
    ParsedProject parsed;
    try {
        parseProject(bytes, parsed, project.precision);
    } catch (const Damaged&) {
        prompter.message("项目文件已损坏，不能读入。");
        return kReadDamaged;
    } catch (const std::bad_alloc&) {
        prompter.message("内存已满");
        return kReadNoMemory;
    }
    const int v = parsed.version;
    if (v > kFormatVersion) {
        prompter.message("不能读入高版本项目");
        return kReadNewerVersion;
    }
    if (v <= 0) {
        prompter.message("项目文件已损坏，不能读入。");
        return kReadDamaged;
    }
    if (std::string bad = nonFiniteProjectValue(parsed.precision, parsed.roads); !bad.empty()) {
        prompter.message(bad);
        return kReadBadValue;
    }
    if (v < 80) prompter.message("v0.9以前项目不能读取边坡数据.");

    if (parsed.hasPassword) project.password = parsed.password;
    if (parsed.hasHeader) {
        project.projectName = parsed.projectName;
        project.precision = parsed.precision;
    }
    project.controlPoints = std::move(parsed.controlPoints);
    std::erase_if(project.roads, [](const Road& r) { return !r.isManual(); });
    for (Road& r : parsed.roads) project.roads.push_back(std::move(r));
    const int roads = static_cast<int>(project.roads.size());
    if (project.currentRoad >= roads) project.currentRoad = roads > 0 ? 0 : -1;
    return v;
}

int readProject(RoadProject& project, const std::filesystem::path& file, Prompter& prompter,
                io::FileError* fileFailure) {
    if (fileFailure) fileFailure->clear();
    io::InputFile in;
    auto cannotRead = [&] {
        if (fileFailure) *fileFailure = in.error();
        else prompter.message(in.error().message);
        return kReadCannotOpen;
    };
    if (!in.open(file, io::kProjectFileLimit)) return cannotRead();
    // The version first: a newer or foreign file costs four bytes, not its whole size.
    unsigned char head[4] = {};
    if (!in.readExact(head, sizeof head)) {
        if (in.failed()) return cannotRead();
        prompter.message("项目文件已损坏，不能读入。");
        return kReadDamaged;
    }
    const auto version = static_cast<std::int32_t>((std::uint32_t{head[0]} << 24) | (std::uint32_t{head[1]} << 16) |
                                                   (std::uint32_t{head[2]} << 8) | std::uint32_t{head[3]});
    if (version > kFormatVersion) {
        prompter.message("不能读入高版本项目");
        return kReadNewerVersion;
    }
    if (version <= 0) {
        prompter.message("项目文件已损坏，不能读入。");
        return kReadDamaged;
    }
    std::vector<unsigned char> bytes(head, head + sizeof head);
    if (!in.readRest(bytes)) {
        if (in.error().code == ENOMEM) {
            prompter.message("内存已满");
            return kReadNoMemory;
        }
        return cannotRead();
    }
    return readProject(project, bytes, prompter);
}

}  // namespace vornex
