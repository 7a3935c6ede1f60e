// Route query: one point of a road from a station and offset or from
// coordinates, with its edge stakes, elevations and (in tunnels) the
// over/under-break of a measured point; and the batch computation of a points file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/prompter.h"
#include "model/road.h"

namespace vornex {

// What the query dialog remembers per road, so that reopening it shows the last query.
struct RouteQueryState {
    bool byCoordinates = false;  // mode: false 桩号, true 坐标
    std::string station;         // station text as typed (plain form after a query by coordinates)
    double offset = 0;           // 偏距 (>= 0)
    double angle = 90;           // side angle, packed 度.分秒 (90 右边, 270 左边)
    double x = 0, y = 0, z = 0;  // 坐标X, 坐标Y, 坐标Z of the last point
};

// The remembered states of all roads, keyed by the road's name (GBK bytes).
class RouteQueryMemory {
public:
    RouteQueryState& forRoad(const Road& road) { return states_[road.name.str()]; }

private:
    std::map<std::string, RouteQueryState> states_;
};

// One query. `station` is typed design-station text ("+" in the long-chain zone);
// `angle` the side angle in packed 度.分秒 (90 right, 270 left); `z` the measured
// elevation of the point when there is one.
struct StationQuery {
    std::string station;
    double offset = 0;
    double angle = 90;
    std::optional<double> z;
};

struct CoordinateQuery {
    double x = 0, y = 0;
    std::optional<double> z;
};

// The over/under-break fields in dialog order.
inline constexpr int kBreakUp = 0, kBreakDown = 1, kBreakLeft = 2, kBreakRight = 3, kBreakOut = 4, kBreakIn = 5;

struct RouteQueryResult {
    bool found = false;   // false: no road, no elements, or the point has no foot on the road
    bool overflow = false;  // a computed value was not finite (absurd values in the road): no result
    double chainage = 0;  // continuous chainage
    double offset = 0;    // |offset|
    double angle = 90;    // side angle, degrees
    double x = 0, y = 0, azimuth = 0;
    std::optional<double> z;  // the measured elevation, when given
    bool inProfile = false;   // the elevations below exist
    double designElevation = 0, subgradeElevation = 0;
    double leftX = 0, leftY = 0, leftElevation = 0;
    double rightX = 0, rightY = 0, rightElevation = 0;
    std::optional<double> breaks[6];  // 向上 向下 向左 向右 向外(欠) 向内(超)
    bool inTunnel = false;
    std::string tunnelReport;  // the tunnel's section as the dialog's message box shows it
};

// Query by station (the dialog's "桩号" mode).
RouteQueryResult queryByStation(const RoadProject& project, int road, const StationQuery& query);

// Query by coordinates (the "坐标" mode): the foot on the road gives station and
// offset (left: angle 270, right or on the centreline: 90), then as by station.
RouteQueryResult queryByCoordinates(const RoadProject& project, int road, const CoordinateQuery& query);

// The result fields in dialog order, each as the dialog shows it ("坐标Z"
// follows "坐标Y" when withZ). A result that was not found shows every field empty.
std::vector<std::pair<std::string, std::string>> routeQueryFields(const Road& road, const RouteQueryResult& result,
                                                                   bool withZ);

// Writes a result back into the dialog state (X, Y, offset, angle, station).
void rememberQuery(RouteQueryState& state, const Road& road, const RouteQueryResult& result);

// Output file of a batch computation: the input path without its extension, plus "0.txt".
std::string batchOutputPath(const std::string& inputPath);

// One point of a batch points file: the name (GBK, cut to 12 bytes) and X, Y, Z
// (an empty or unreadable number is 0).
struct BatchPoint {
    std::string name;
    double x = 0, y = 0, z = 0;
};

// Reads a points-file line "name,X,Y,Z[,...]" (a trailing CR is ignored); false
// for a line with fewer than three commas, which the batch skips.
bool parseBatchLine(std::string_view line, BatchPoint& point);

// Batch computation of a points file (lines "name,X,Y,Z"; lines with fewer than
// three commas are skipped). Writes batchOutputPath(inputPath), one line
// "%s,%8.4f,%8.4f,%8.4f,%8.3f,%8.3f,%8.3f" per point (name, X, Y, Z and the
// horizontal, vertical and normal break against the secondary lining; kNoValue
// outside tunnels or without a foot), then shows "计算完成。". The input is read
// through the reading door (regular files only) and the output written through
// the writing door (whole or not at all, never mixed with a concurrent run).
// Returns the number of points written, -1 when the input cannot be read (the
// reason is shown), -2 when the output file cannot be written ("不能建立文件。"
// and the reason on a second line are shown), -3 without a road,
// kBatchNotFinite when a result is not a finite number.
int batchQuery(const RoadProject& project, int road, const std::string& inputPath, Prompter& prompter);

// Progress of a batch computation: `report` is called with the bytes of the input
// read so far and its size, first at the start, then at most every `intervalMs`
// milliseconds, and once at the end; returning false cancels the batch.
struct BatchProgress {
    std::function<bool(std::uint64_t done, std::uint64_t total)> report;
    int intervalMs = 50;
};
// Result of a cancelled batch: no output file is left (an existing one is kept as
// it was) and "批量计算已取消，没有写入结果文件。" is shown.
inline constexpr int kBatchCancelled = -4;
inline constexpr const char* kBatchCancelledText = "批量计算已取消，没有写入结果文件。";
// Result of a batch whose result overflowed (absurd road values): the message
// names the point; no output file is left (an existing one is kept as it was).
inline constexpr int kBatchNotFinite = -5;

// batchQuery with progress and cancel; the same results otherwise.
int batchQuery(const RoadProject& project, int road, const std::string& inputPath, Prompter& prompter,
               const BatchProgress& progress);

}  // namespace vornex
