#include "model/record_store.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

template <class T>
T named(std::string_view gbk) {
    T t{};
    t.name = Name12(gbk);
    return t;
}

Road roadWithBridge() {
    Road road;
    Bridge b;
    b.name = Name12("B0");
    Pier p0{Name12("0"), 10, 90, {named<Pile>("Z1"), named<Pile>("Z2")}};
    Pier p1{Name12("1"), 20, 90, {named<Pile>("Z3")}};
    b.piers = {p0, p1};
    road.bridges.push_back(b);
    road.bridges.push_back(named<Bridge>("B1"));
    return road;
}

TEST(RecordStore, AddAtPositions) {
    Road road;
    EXPECT_EQ(addRecord(road, RecordKind::GradePoint, -1, -1, GradePoint{1, 0, 0}), 0);
    EXPECT_EQ(addRecord(road, RecordKind::GradePoint, -1, 1, GradePoint{3, 0, 0}), 1);  // at count: appends
    EXPECT_EQ(addRecord(road, RecordKind::GradePoint, -1, 1, GradePoint{2, 0, 0}), 1);  // insert moves later up
    EXPECT_EQ(addRecord(road, RecordKind::GradePoint, -1, 4, GradePoint{9, 0, 0}), -1);  // count + 1
    ASSERT_EQ(recordCount(road, RecordKind::GradePoint), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(road.gradePoints[static_cast<std::size_t>(i)].station, i + 1);
    // A record of the wrong type, or a list that does not exist.
    EXPECT_EQ(addRecord(road, RecordKind::ChainBreak, -1, -1, GradePoint{}), -2);
    EXPECT_EQ(addRecord(road, RecordKind::Pier, -1, -1, Pier{}), -2);  // no current bridge
    EXPECT_EQ(addRecord(road, RecordKind::ControlPoint, -1, -1, ControlPoint{}), -2);
}

TEST(RecordStore, GetAndSetCheckEverything) {
    Road road = roadWithBridge();
    Bridge b;
    EXPECT_TRUE(getRecord(road, RecordKind::Bridge, 1, -1, b));
    EXPECT_EQ(b.name, Name12("B1"));
    EXPECT_FALSE(getRecord(road, RecordKind::Bridge, 2, -1, b));
    EXPECT_FALSE(getRecord(road, RecordKind::Bridge, -1, -1, b));
    GradePoint g;
    EXPECT_FALSE(getRecord(road, RecordKind::Bridge, 0, -1, g));  // type does not belong to the kind
    EXPECT_FALSE(setRecord(road, RecordKind::Bridge, 5, -1, b));

    // setRecord replaces the fields and keeps the child lists.
    Bridge replacement;
    replacement.name = Name12("NEW");
    replacement.length = 42;
    ASSERT_TRUE(setRecord(road, RecordKind::Bridge, 0, -1, replacement));
    EXPECT_EQ(road.bridges[0].name, Name12("NEW"));
    EXPECT_EQ(road.bridges[0].length, 42);
    EXPECT_EQ(road.bridges[0].piers.size(), 2u);
}

TEST(RecordStore, ParentResolution) {
    Road road = roadWithBridge();
    EXPECT_EQ(recordCount(road, RecordKind::Pier), 0);  // no current bridge
    EXPECT_EQ(recordCount(road, RecordKind::Pier, 0), 2);
    EXPECT_TRUE(setCurrentBridge(road, 0));
    EXPECT_FALSE(setCurrentBridge(road, 2));
    EXPECT_EQ(road.currentBridge, 0);
    EXPECT_EQ(recordCount(road, RecordKind::Pier), 2);
    EXPECT_EQ(recordCount(road, RecordKind::Pile), 0);  // no current pier
    EXPECT_EQ(recordCount(road, RecordKind::Pile, 1), 1);
    EXPECT_TRUE(setCurrentPier(road, 0));
    EXPECT_FALSE(setCurrentPier(road, 2));
    EXPECT_EQ(recordCount(road, RecordKind::Pile), 2);
    Pile pile;
    EXPECT_TRUE(getRecord(road, RecordKind::Pile, 1, -1, pile));
    EXPECT_EQ(pile.name, Name12("Z2"));
    EXPECT_EQ(findByName(road, RecordKind::Pile, "Z2"), 1);
    EXPECT_EQ(findByName(road, RecordKind::Bridge, "B1"), 1);
    EXPECT_EQ(findByName(road, RecordKind::Bridge, "B"), -1);
    EXPECT_EQ(findByName(road, RecordKind::GradePoint, "B1"), -1);

    // Slope-template rows and contours always name their template.
    road.slopeTemplates.push_back(SlopeTemplate{Name12("T"), {SlopeTemplateRow{}}});
    road.tunnelTemplates.push_back(TunnelTemplate{});
    EXPECT_FALSE(hasRecordList(road, RecordKind::SlopeTemplateRow, -1));
    EXPECT_EQ(recordCount(road, RecordKind::SlopeTemplateRow, 0), 1);
    EXPECT_FALSE(hasRecordList(road, RecordKind::PrimaryContour, -1));
    EXPECT_EQ(addRecord(road, RecordKind::PrimaryContour, 0, -1, ContourElement{}), 0);
    EXPECT_EQ(road.tunnelTemplates[0].primary.size(), 1u);
    EXPECT_FALSE(hasRecordList(road, static_cast<RecordKind>(8)));
    EXPECT_FALSE(hasRecordList(road, static_cast<RecordKind>(24)));

    // Tunnel lists through the current tunnel.
    road.tunnels.push_back(Tunnel{});
    EXPECT_EQ(addRecord(road, RecordKind::BlastHole, -1, -1, BlastHole{}), -2);
    EXPECT_TRUE(setCurrentTunnel(road, 0));
    EXPECT_EQ(addRecord(road, RecordKind::TunnelStationRule, -1, -1, TunnelStationRule{}), 0);
    EXPECT_EQ(road.tunnels[0].stationRules.size(), 1u);
}

TEST(RecordStore, RemoveAndClear) {
    Road road = roadWithBridge();
    EXPECT_EQ(removeRecord(road, RecordKind::Bridge, 2), -3);
    EXPECT_EQ(removeRecord(road, RecordKind::Bridge, -1), -3);
    EXPECT_EQ(removeRecord(road, RecordKind::Pier, 0), -2);  // no current bridge
    EXPECT_EQ(removeRecord(road, RecordKind::Bridge, 0), 1);
    ASSERT_EQ(road.bridges.size(), 1u);
    EXPECT_EQ(road.bridges[0].name, Name12("B1"));
    EXPECT_EQ(recordCount(road, RecordKind::Pier, 0), 0);  // the piers and piles went with their bridge
    EXPECT_EQ(clearRecords(road, RecordKind::Bridge), 1);
    EXPECT_EQ(recordCount(road, RecordKind::Bridge), 0);
    EXPECT_EQ(clearRecords(road, RecordKind::SlopeTemplateRow, 3), -2);
}

TEST(RecordStore, SwapMovesWholeRecords) {
    Road road = roadWithBridge();
    EXPECT_TRUE(swapRecords(road, RecordKind::Bridge, 0, 1));
    EXPECT_EQ(road.bridges[1].piers.size(), 2u);
    EXPECT_FALSE(swapRecords(road, RecordKind::Bridge, 0, 2));
}

TEST(RecordStore, ProjectDoorReachesControlPointsAndRoads) {
    RoadProject project;
    project.roads.resize(2);
    project.currentRoad = 1;
    EXPECT_EQ(addRecord(project, -1, RecordKind::ControlPoint, -1, -1, named<ControlPoint>("C1")), 0);
    EXPECT_EQ(recordCount(project, 0, RecordKind::ControlPoint), 1);
    EXPECT_EQ(addRecord(project, -1, RecordKind::ChainBreak, -1, -1, ChainBreak{1, 2}), 0);
    EXPECT_EQ(project.roads[1].chainBreaks.size(), 1u);
    EXPECT_EQ(recordCount(project, 5, RecordKind::ChainBreak), 0);
    EXPECT_EQ(addRecord(project, 5, RecordKind::ChainBreak, -1, -1, ChainBreak{}), -2);

    AnyRecord any;
    ASSERT_TRUE(getAnyRecord(project, -1, RecordKind::ControlPoint, 0, -1, any));
    EXPECT_EQ(std::get<ControlPoint>(any).name, Name12("C1"));
    EXPECT_FALSE(setAnyRecord(project, -1, RecordKind::ControlPoint, 0, -1, AnyRecord{ChainBreak{}}));
    EXPECT_EQ(addAnyRecord(project, 1, RecordKind::ChainBreak, -1, 0, defaultRecord(RecordKind::ChainBreak)), 0);
    EXPECT_EQ(project.roads[1].chainBreaks.size(), 2u);
    EXPECT_EQ(removeRecord(project, -1, RecordKind::ControlPoint, 0), 1);
    EXPECT_TRUE(project.controlPoints.empty());

    auto contour = std::get<ContourElement>(defaultRecord(RecordKind::SecondaryContour));
    EXPECT_EQ(contour.radius, kNoValue);
    EXPECT_EQ(contour.centralAngle, kNoValue);
    EXPECT_EQ(std::get<CrossSectionPlate>(defaultRecord(RecordKind::CrossSectionPlate)).firstWidthChange, -1);
}

TEST(RecordStore, SelectionSortOrderOfEqualKeys) {
    // Equal stations tagged by endStation: a selection sort with swaps puts the
    // later of the two first here, unlike a stable sort.
    Road road;
    road.chainBreaks = {{5, 1}, {3, 0}, {5, 2}, {1, 0}};
    sortChainBreaks(road);
    std::vector<ChainBreak> expected{{1, 0}, {3, 0}, {5, 2}, {5, 1}};
    EXPECT_EQ(road.chainBreaks, expected);

    road.slopeAssignments = {{20, 1}, {15, 0}, {20, 2}, {10, 0}};
    sortSlopeAssignments(road);
    EXPECT_EQ(road.slopeAssignments[0].station, 10);
    EXPECT_EQ(road.slopeAssignments[1].station, 15);
    EXPECT_EQ(road.slopeAssignments[2].leftFill, 2);
    EXPECT_EQ(road.slopeAssignments[3].leftFill, 1);
}

TEST(RecordStore, WidthLinks) {
    Road road;
    road.plates.resize(3);
    road.widthChanges = {{50, 1, 0, 0}, {10, 0, 0, 0}, {20, 1, 0, 0}};
    road.plates[2].firstWidthChange = 7;  // stale link of a plate without changes
    rebuildWidthLinks(road);
    EXPECT_EQ(road.widthChanges[0].station, 10);
    EXPECT_EQ(road.widthChanges[0].plateIndex, 0);
    EXPECT_EQ(road.widthChanges[1].station, 20);
    EXPECT_EQ(road.widthChanges[2].station, 50);
    EXPECT_EQ(road.plates[0].firstWidthChange, 0);
    EXPECT_EQ(road.plates[0].lastWidthChange, 0);
    EXPECT_EQ(road.plates[1].firstWidthChange, 1);
    EXPECT_EQ(road.plates[1].lastWidthChange, 2);
    EXPECT_EQ(road.plates[2].firstWidthChange, -1);
    EXPECT_EQ(road.plates[2].lastWidthChange, -1);
    EXPECT_EQ(road.plates[0].firstCrossfallChange, -1);  // the other links are left alone

    road.widthChanges = {{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 1, 0, 0}};
    rebuildWidthLinks(road);
    EXPECT_EQ(road.plates[0].firstWidthChange, 0);
    EXPECT_EQ(road.plates[0].lastWidthChange, 1);
    EXPECT_EQ(road.plates[1].firstWidthChange, 2);
    EXPECT_EQ(road.plates[1].lastWidthChange, 2);

    // Crossfalls: a run naming no plate is ordered but linked nowhere.
    road.crossfallChanges = {{5, 9, 0, 0}, {4, 2, 0, 0}, {1, 9, 0, 0}};
    rebuildCrossfallLinks(road);
    EXPECT_EQ(road.crossfallChanges[0].plateIndex, 2);
    EXPECT_EQ(road.crossfallChanges[1].station, 1);
    EXPECT_EQ(road.crossfallChanges[2].station, 5);
    EXPECT_EQ(road.plates[2].firstCrossfallChange, 0);
    EXPECT_EQ(road.plates[2].lastCrossfallChange, 0);
    EXPECT_EQ(road.plates[0].firstWidthChange, 0);
}

TEST(RecordStore, ResetRoad) {
    Road road = roadWithBridge();
    road.name = Name12("R");
    road.roadKey = 61;
    road.curveForm = 1;
    road.stationPrefix = FixedText<2>("AB");
    road.currentBridge = 0;
    road.gradePoints.resize(3);
    road.tunnels.resize(1);
    resetRoad(road);
    Road expected;
    expected.name = Name12("R");
    EXPECT_EQ(road, expected);
}

}  // namespace
}  // namespace vornex
