#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "document/demo_project.h"
#include "document/document.h"
#include "geometry/intersection_alignment.h"
#include "geometry/tunnel.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

const std::filesystem::path kDemoFile = std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.rod";

std::string generatedBytes(const TempDir& dir) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    doc.project() = makeDemoProject();
    EXPECT_EQ(doc.save(dir / "generated.rod"), 1);
    return testing::readAll(dir / "generated.rod");
}

TEST(DemoFile, CheckedInBytesAreWhatTheGeneratorMakes) {
    TempDir dir;
    std::string checkedIn = testing::readAll(kDemoFile);
    ASSERT_FALSE(checkedIn.empty()) << kDemoFile;
    EXPECT_TRUE(generatedBytes(dir) == checkedIn)
        << "examples/demo.rod is out of date: run vornex-make-demo examples/demo.rod";
}

TEST(DemoFile, OpensAndSavesByteForByte) {
    TempDir dir;
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    ASSERT_EQ(doc.open(kDemoFile), kFormatVersion);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(prompter.passwordCompares.empty());  // no password
    EXPECT_TRUE(doc.editable());
    ASSERT_EQ(doc.save(dir / "again.rod"), 1);
    EXPECT_TRUE(testing::readAll(dir / "again.rod") == testing::readAll(kDemoFile));
}

TEST(DemoFile, HoldsEveryKindOfRecord) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    ASSERT_EQ(doc.open(kDemoFile), kFormatVersion);
    const RoadProject& p = doc.project();
    EXPECT_TRUE(p.password.empty());
    EXPECT_GE(p.controlPoints.size(), 4u);
    ASSERT_EQ(p.roads.size(), 2u);
    const Road& main = p.roads[0];
    const Road& ramp = p.roads[1];
    EXPECT_EQ(main.curveForm, 0);
    EXPECT_EQ(ramp.curveForm, 1);

    // The stored elements are those the intersection points give.
    Road rebuilt = main;
    ASSERT_EQ(buildElementsFromIntersectionPoints(rebuilt, 0, p.precision), 1);
    EXPECT_EQ(rebuilt.elements, main.elements);
    EXPECT_EQ(rebuilt.intersectionPoints, main.intersectionPoints);

    bool virtualMember = false, partial = false, asymmetric = false, byParameter = false;
    for (const IntersectionPoint& ip : main.intersectionPoints) {
        virtualMember |= ip.radius < 0;
        partial |= ip.startRadius > 0 || ip.endRadius > 0;
        asymmetric |= ip.spiralIn != ip.spiralOut;
        byParameter |= ip.startRadius < 0 && ip.spiralIn == 0;
    }
    EXPECT_TRUE(virtualMember && partial && asymmetric && byParameter);

    bool shortChain = false, longChain = false;
    for (const ChainBreak& b : main.chainBreaks) {
        shortChain |= b.endStation > b.startStation;
        longChain |= b.endStation < b.startStation;
    }
    EXPECT_TRUE(shortChain && longChain);
    EXPECT_FALSE(main.gradePoints.empty());
    bool left = false, right = false;
    for (const CrossSectionPlate& plate : main.plates) {
        left |= plate.side == 1 && plate.firstWidthChange + plate.firstCrossfallChange > -2;
        right |= plate.side == 2 && plate.firstWidthChange + plate.firstCrossfallChange > -2;
    }
    EXPECT_TRUE(left && right);
    EXPECT_FALSE(main.slopeTemplates.empty());
    EXPECT_FALSE(main.slopeAssignments.empty());
    EXPECT_FALSE(main.structures.empty());
    ASSERT_FALSE(main.bridges.empty());
    ASSERT_FALSE(main.bridges[0].piers.empty());
    EXPECT_FALSE(main.bridges[0].piers[1].piles.empty());
    ASSERT_FALSE(main.tunnelTemplates.empty());
    const TunnelTemplate& t = main.tunnelTemplates[0];
    EXPECT_FALSE(t.excavation.empty() || t.primary.empty() || t.secondary.empty());
    ASSERT_FALSE(main.tunnels.empty());
    const Tunnel& tunnel = main.tunnels[0];
    EXPECT_FALSE(tunnel.slopeRules.empty() || tunnel.stationRules.empty() || tunnel.blastHoles.empty());
}

TEST(DemoFile, HorseshoeContoursClose) {
    // Each half of every contour, walked from the crown as the evaluator walks
    // it, ends on the tunnel's centre line at the bottom of the invert, where
    // the other half ends.
    const RoadProject demo = makeDemoProject();
    for (const TunnelTemplate& t : demo.roads[0].tunnelTemplates) {
        for (const auto* contour : {&t.excavation, &t.primary, &t.secondary}) {
            TunnelSection s{t.designOffset, 0, *contour};
            completeSection(s);
            double rightDh = 0, rightDd = 0, leftDh = 0, leftDd = 0;
            int right = 0, left = 0;
            for (const ContourElement& e : s.elements) {
                ASSERT_NE(inLeftHalf(e), inRightHalf(e));  // no element serves both halves
                if (inRightHalf(e)) {
                    rightDh += e.heightDifference;
                    rightDd += e.horizontalDistance;
                    ++right;
                } else {
                    leftDh += e.heightDifference;
                    leftDd += e.horizontalDistance;
                    ++left;
                }
            }
            EXPECT_EQ(right, left);
            EXPECT_NEAR(rightDd, 0, 1e-9);
            EXPECT_NEAR(leftDd, 0, 1e-9);
            EXPECT_NEAR(rightDh, leftDh, 1e-9);
            EXPECT_LT(rightDh, -2.4);
        }
    }
}

TEST(DemoFile, TunnelGivesMirroredAnswersForMirroredPoints) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    ASSERT_EQ(doc.open(kDemoFile), kFormatVersion);
    const Road& road = doc.project().roads[0];
    // 15300: the standard section (centred on the road); 15550: the widened one,
    // its centre 0.5 m right of the road centreline.
    for (const double station : {15300.0, 15550.0}) {
        for (const RecordKind kind : {RecordKind::ExcavationContour, RecordKind::PrimaryContour,
                                      RecordKind::SecondaryContour}) {
            TunnelSection s;
            ASSERT_TRUE(tunnelSection(road, station, kind, s)) << station;
            for (const double w : {0.3, 2.0, 4.9, 5.5, 5.9, 6.5}) {
                for (const double h : {-2.0, -0.5, 0.5, 2.0, 5.0, 7.5}) {
                    const BreakDistances r = breakDistances(s, s.startOffset + w, h);
                    const BreakDistances l = breakDistances(s, s.startOffset - w, h);
                    const std::string where = std::to_string(station) + " w " + std::to_string(w) + " h " +
                                              std::to_string(h);
                    EXPECT_NEAR(l.vertical, r.vertical, 1e-9) << where;
                    EXPECT_NEAR(l.normal, r.normal, 1e-9) << where;
                    if (r.horizontal == kNoValue) EXPECT_EQ(l.horizontal, kNoValue) << where;
                    else EXPECT_NEAR(l.horizontal, -r.horizontal, 1e-9) << where;
                }
            }
        }
    }
    // 0.1 m inside either wall of the standard excavation line (radius 5.6,
    // springing 5.6 below the crown at 7.2, wall 2.4 high).
    TunnelSection s;
    ASSERT_TRUE(tunnelSection(road, 15300, RecordKind::ExcavationContour, s));
    for (const double side : {1.0, -1.0}) {
        const BreakDistances d = breakDistances(s, side * 5.5, 0.5);
        EXPECT_NEAR(d.horizontal, side * 0.1, 1e-9) << side;
        EXPECT_NEAR(d.normal, 0.1, 1e-9) << side;
    }
}

}  // namespace
}  // namespace vornex
