// Properties of the project file over random projects: what is written reads
// back to the same values and the same bytes, and a save that fails part-way
// never damages the file it was replacing.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "document/project_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "text/text.h"

using namespace vornex;

namespace {

// A random project holding every record kind, with names that mix ASCII and
// Chinese characters (always valid GBK, cut to whole characters).
class RandomProject {
public:
    explicit RandomProject(unsigned seed) : rng_(seed) {}

    RoadProject make() {
        RoadProject p;
        p.projectName.assign(name(24));
        p.precision = real(0.00001, 0.01);
        int cps = count(0, 20);
        for (int i = 0; i < cps; ++i) {
            ControlPoint cp;
            cp.name.assign(name(12));
            cp.note.assign(name(12));
            cp.x = real(-1e6, 4e6);
            cp.y = real(-1e6, 1e6);
            cp.h = real(-100, 5000);
            p.controlPoints.push_back(cp);
        }
        int roads = count(1, 3);
        for (int r = 0; r < roads; ++r) p.roads.push_back(road());
        p.currentRoad = 0;
        return p;
    }

private:
    std::mt19937 rng_;

    int count(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    std::int32_t i32() { return std::uniform_int_distribution<std::int32_t>(-5, 1 << 20)(rng_); }

    std::string name(std::size_t limit) {
        static const char* pieces[] = {"桥", "隧道", "K", "A1", "边坡", "模板", "x", "ZD", "断面", "7", "墩"};
        std::string utf8;
        int n = count(0, 8);
        for (int i = 0; i < n; ++i) utf8 += pieces[count(0, 10)];
        return text::nameFromUtf8(utf8, limit);
    }

    template <class F>
    auto many(int hi, F make) {
        std::vector<decltype(make())> v;
        int n = count(0, hi);
        for (int i = 0; i < n; ++i) v.push_back(make());
        return v;
    }

    Road road() {
        Road r;
        r.name.assign(name(12));
        r.curveForm = count(0, 1);
        r.calcMethod = count(0, 1);
        r.stationPrefix.assign(count(0, 1) ? "DK" : "K");
        if (r.curveForm == 0) {
            r.intersectionPoints = many(6, [&] {
                IntersectionPoint ip;
                ip.name.assign(name(12));
                ip.label.assign(name(12));
                ip.x = real(3e6, 3.5e6); ip.y = real(4e5, 6e5); ip.computed = real(-1, 1); ip.station = real(0, 1e5);
                ip.radius = real(-1, 3000); ip.spiralIn = real(0, 200); ip.spiralOut = real(0, 200);
                ip.startRadius = real(-500, 500); ip.endRadius = real(-500, 500);
                return ip;
            });
        }
        r.elements = many(6, [&] {
            AlignmentElement e;
            e.name.assign(name(12));
            e.label.assign(name(12));
            e.x = real(3e6, 3.5e6); e.y = real(4e5, 6e5); e.arrivalAzimuth = real(0, 360); e.startStation = real(0, 1e5);
            e.length = real(0, 900); e.startAzimuth = real(0, 360); e.startRadius = real(-3000, 3000); e.endRadius = real(-3000, 3000);
            return e;
        });
        r.gradePoints = many(5, [&] { return GradePoint{real(0, 1e5), real(-10, 3000), real(0, 30000)}; });
        r.chainBreaks = many(3, [&] { return ChainBreak{real(0, 1e5), real(0, 1e5)}; });
        r.plates = many(6, [&] {
            CrossSectionPlate c;
            c.side = count(1, 2); c.plateType = count(0, 7); c.width = real(0, 10); c.crossfall = real(-4, 4);
            c.layerThickness = real(0, 1); c.curbHeight = real(0, 0.3);
            c.firstWidthChange = i32(); c.lastWidthChange = i32(); c.firstCrossfallChange = i32(); c.lastCrossfallChange = i32();
            return c;
        });
        r.slopeTemplates = many(3, [&] {
            SlopeTemplate t;
            t.name.assign(name(12));
            t.rows = many(4, [&] {
                SlopeTemplateRow row;
                row.rowType = count(0, 7);
                for (double& v : row.values) v = real(-10, 10);
                return row;
            });
            return t;
        });
        r.slopeAssignments = many(3, [&] { return SlopeAssignment{real(0, 1e5), i32(), i32(), i32(), i32()}; });
        r.widthChanges = many(4, [&] { return WidthChange{real(0, 1e5), i32(), count(0, 3), real(0, 10)}; });
        r.crossfallChanges = many(4, [&] { return CrossfallChange{real(0, 1e5), i32(), count(0, 3), real(-4, 4)}; });
        r.structures = many(3, [&] {
            return Structure{i32(), real(0, 1e5), real(0, 180), real(0, 30), real(0, 30), real(0, 10), real(0, 3000), real(-4, 4)};
        });
        r.bridges = many(2, [&] {
            Bridge b;
            b.name.assign(name(12));
            b.calcType = count(0, 1); b.startStation = real(0, 1e5); b.length = real(0, 900);
            b.leftWidth = real(0, 20); b.rightWidth = real(0, 20); b.axisOffset = real(-5, 5);
            b.piers = many(3, [&] {
                Pier pier;
                pier.name.assign(name(12));
                pier.station = real(0, 1e5); pier.angle = real(0, 180);
                pier.piles = many(3, [&] {
                    Pile pile;
                    pile.name.assign(name(12));
                    pile.coordMode = count(0, 1); pile.along = real(-20, 20); pile.across = real(-20, 20); pile.elevation = real(0, 3000);
                    return pile;
                });
                return pier;
            });
            return b;
        });
        r.tunnelTemplates = many(2, [&] {
            TunnelTemplate t;
            t.name.assign(name(12));
            t.designOffset = real(-2, 2); t.excavationCrown = real(0, 12); t.primaryCrown = real(0, 12); t.secondaryCrown = real(0, 12);
            auto contour = [&] {
                return many(4, [&] {
                    return ContourElement{real(-10, 10), real(-10, 10), count(0, 1) ? kNoValue : real(-10, 10), count(0, 2) == 0 ? -1.0 : real(0, 180)};
                });
            };
            t.excavation = contour();
            t.primary = contour();
            t.secondary = contour();
            return t;
        });
        r.tunnels = many(2, [&] {
            Tunnel t;
            t.name.assign(name(12));
            t.startStation = real(0, 1e5); t.length = real(0, 3000); t.plateIndex = i32();
            t.slopeRules = many(3, [&] { return TunnelSlopeRule{real(-10, 10), i32()}; });
            t.stationRules = many(3, [&] { return TunnelStationRule{real(0, 1e5), count(0, 2), i32()}; });
            t.blastHoles = many(4, [&] {
                BlastHole h;
                h.name.assign(name(12));
                h.heightDifference = real(-2, 12); h.offset = real(-8, 8);
                return h;
            });
            return t;
        });
        return r;
    }
};

// The records of two projects, ignoring the current-parent indices that a read sets.
void expectSameRecords(const RoadProject& a, const RoadProject& b) {
    EXPECT_EQ(a.projectName, b.projectName);
    EXPECT_EQ(a.password, b.password);
    EXPECT_EQ(a.precision, b.precision);
    EXPECT_EQ(a.controlPoints, b.controlPoints);
    ASSERT_EQ(a.roads.size(), b.roads.size());
    for (std::size_t i = 0; i < a.roads.size(); ++i) {
        Road ra = a.roads[i], rb = b.roads[i];
        ra.currentBridge = rb.currentBridge = -1;
        ra.currentPier = rb.currentPier = -1;
        ra.currentTunnel = rb.currentTunnel = -1;
        if (ra.curveForm != 0) ra.intersectionPoints.clear();  // not written for element roads
        EXPECT_TRUE(ra == rb) << "road " << i;
    }
}

}  // namespace

TEST(ProjectFileProperty, RandomProjectsRoundTripValuesAndBytes) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        RoadProject original = RandomProject(seed).make();
        std::string first;
        ASSERT_EQ(writeProject(original, first), 1);

        RoadProject read;
        vornex::testing::ScriptedPrompter prompter;
        auto* data = reinterpret_cast<const unsigned char*>(first.data());
        ASSERT_EQ(readProject(read, std::span<const unsigned char>(data, first.size()), prompter), kFormatVersion);
        EXPECT_TRUE(prompter.shown.empty());
        expectSameRecords(original, read);
        for (const Road& r : read.roads) EXPECT_EQ(r.roadKey, kFormatVersion);

        std::string second;
        ASSERT_EQ(writeProject(read, second), 1);
        EXPECT_EQ(first, second);
    }
}

namespace {

// Fails the save's writes once `failAt` bytes have gone out (a short write and
// then an error), or fails the flush or the rename.
struct FailingFileSystem : FileSystemOps {
    std::size_t failAt = 0;
    std::size_t written = 0;
    bool failFsync = false;
    bool failRename = false;

    long write(int fd, const void* data, std::size_t size) override {
        if (written >= failAt) return -1;
        std::size_t n = std::min(size, failAt - written);
        long r = FileSystemOps::write(fd, data, n);
        if (r > 0) written += static_cast<std::size_t>(r);
        return r;
    }
    int fsync(int fd) override { return failFsync ? -1 : FileSystemOps::fsync(fd); }
    int rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        return failRename ? -1 : FileSystemOps::rename(from, to);
    }
};

}  // namespace

TEST(ProjectFileProperty, SaveFailingAtAnyByteLeavesTheOldFileIntact) {
    vornex::testing::TempDir dir;
    const auto file = dir / "road.rod";
    RoadProject oldProject = RandomProject(7).make();
    ASSERT_EQ(writeProject(oldProject, file), 1);
    const std::string oldBytes = vornex::testing::readAll(file);

    RoadProject newProject = RandomProject(8).make();
    std::string newBytes;
    ASSERT_EQ(writeProject(newProject, newBytes), 1);
    ASSERT_NE(newBytes, oldBytes);

    auto onlyTheTarget = [&] {
        int entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            (void)e;
            ++entries;
        }
        return entries == 1;
    };

    for (std::size_t cut = 0; cut < newBytes.size(); ++cut) {
        FailingFileSystem fs;
        fs.failAt = cut;
        ASSERT_EQ(writeProject(newProject, file, fs), kWriteFailed) << "write cut at " << cut;
        ASSERT_EQ(vornex::testing::readAll(file), oldBytes) << "write cut at " << cut;
        ASSERT_TRUE(onlyTheTarget()) << "a temporary file was left behind at " << cut;
    }
    for (int which = 0; which < 2; ++which) {
        FailingFileSystem fs;
        fs.failAt = newBytes.size();
        fs.failFsync = which == 0;
        fs.failRename = which == 1;
        EXPECT_EQ(writeProject(newProject, file, fs), kWriteFailed);
        EXPECT_EQ(vornex::testing::readAll(file), oldBytes);
        EXPECT_TRUE(onlyTheTarget());
    }

    // And a save that goes through replaces the file with exactly the new bytes.
    ASSERT_EQ(writeProject(newProject, file), 1);
    EXPECT_EQ(vornex::testing::readAll(file), newBytes);
}
