// The codes of every table and tree item: the document's current table, the
// items of the road module's data and results trees, and the survey modules'
// tables. One code names a tree item and the table it shows; folder items that
// show no table of their own have codes of their own here.
#pragma once

namespace vornex {

namespace table_code {
// Data entry (the road module's data tree, "数据输入"). −10000 ≤ code ≤ −1 takes edits.
inline constexpr int kNone = -100;      // no table
inline constexpr int kDataRoot = kNone;  // the data tree's root item
inline constexpr int kControlPoints = -101;
inline constexpr int kChainBreaks = -102;
inline constexpr int kIntersectionPoints = -103;  // 平面设计线 of a road by intersection points
inline constexpr int kElements = -104;            // 平面设计线 of a road by elements
inline constexpr int kGradePoints = -105;
inline constexpr int kPlates = -106;
inline constexpr int kWidthChanges = -108;
inline constexpr int kCrossfallChanges = -109;
inline constexpr int kTunnels = -110;  // folder of the tunnels; a tunnel item's parent
inline constexpr int kExcavationContour = -111;
inline constexpr int kPrimaryContour = -112;
inline constexpr int kSecondaryContour = -113;
inline constexpr int kTunnelTemplates = -114;  // folder of the tunnel-section templates
inline constexpr int kBlastHoles = -115;
inline constexpr int kTunnelSlopeRules = -116;
inline constexpr int kTunnelStationRules = -117;
inline constexpr int kSlopeAssignments = -120;
inline constexpr int kSlopeTemplates = -121;     // folder of the slope templates
inline constexpr int kSlopeTemplateRows = -122;  // a slope template's rows
inline constexpr int kBridges = -130;            // folder of the bridges, and a bridge selected
inline constexpr int kPiles = -131;              // a pier selected: its piles
inline constexpr int kStructures = -132;

// Road results ("计算成果"), read only.
inline constexpr int kResultsRoot = -10000;
inline constexpr int kCurveElements = -10001;      // 直曲表
inline constexpr int kElementList = -10002;        // 线元一览表
inline constexpr int kCoordinates = -10003;        // 逐桩坐标表
inline constexpr int kVerticalCurves = -10004;     // 纵坡及竖曲线表
inline constexpr int kBridgePositions = -10005;    // 桥位坐标表
inline constexpr int kStructureStakeout = -10006;  // 结构物坐标表

// The coordinate conversion's table (坐标转换).
inline constexpr int kCoordinateConversion = -10060;
}  // namespace table_code

namespace survey_table {
// Leveling module.
inline constexpr int kReadings = -10020;
inline constexpr int kLevelingKnownPoints = -10021;
inline constexpr int kLevelingClosures = -10050;
inline constexpr int kLevelingForwardReturn = -10051;
inline constexpr int kLevelingHeightDifferences = -10052;
inline constexpr int kLevelingPoints = -10053;
inline constexpr int kLevelingSummary = -10054;  // 平差概况
// Control module.
inline constexpr int kControlKnownPoints = -10030;
inline constexpr int kObservations = -10031;
inline constexpr int kKnownAzimuths = -10032;
inline constexpr int kCoordinates = -10033;
inline constexpr int kDirections = -10034;
inline constexpr int kAzimuths = -10035;
inline constexpr int kDistances = -10036;
inline constexpr int kControlHeightDifferences = -10037;
inline constexpr int kPointErrors = -10038;
inline constexpr int kDistancesForwardReturn = -10039;
inline constexpr int kControlForwardReturn = -10040;
inline constexpr int kControlClosures = -10043;
inline constexpr int kPlaneClosures = -10044;  // 平面闭合差
inline constexpr int kControlSummary = -10045;  // 平差概况
}  // namespace survey_table

}  // namespace vornex
