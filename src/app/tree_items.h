// The item codes of the road module's trees and the rules that classify a
// data-tree item and decide what its selection makes current. Pure functions,
// so that the work view and its tests share them.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace vornex::app {

namespace item_code {
inline constexpr int kDataRoot = -100;
inline constexpr int kControlPoints = -101;
inline constexpr int kChainBreaks = -102;
inline constexpr int kPlaneByPoints = -103;
inline constexpr int kPlaneByElements = -104;
inline constexpr int kGradePoints = -105;
inline constexpr int kPlates = -106;
inline constexpr int kWidthChanges = -108;
inline constexpr int kCrossfallChanges = -109;
inline constexpr int kTunnels = -110;
inline constexpr int kExcavation = -111;
inline constexpr int kPrimary = -112;
inline constexpr int kSecondary = -113;
inline constexpr int kTunnelTemplates = -114;
inline constexpr int kBlastHoles = -115;
inline constexpr int kTunnelSlopeRules = -116;
inline constexpr int kTunnelStationRules = -117;
inline constexpr int kSlopeAssignments = -120;
inline constexpr int kSlopeTemplates = -121;
inline constexpr int kSlopeTemplate = -122;
inline constexpr int kBridges = -130;
inline constexpr int kBridgeOrPier = -131;
inline constexpr int kStructures = -132;
inline constexpr int kResultsRoot = -10000;
}  // namespace item_code

// One fixed item of a tree: its code and caption.
struct TreeEntry {
    int code;
    QString caption;
};

// The data tree's categories under "数据输入", in tree order; `byElements`
// chooses the code of "平面设计线".
std::vector<TreeEntry> dataCategories(bool byElements);
// The parts under a tunnel-section template and under a tunnel, in tree order.
std::vector<TreeEntry> tunnelTemplateParts();
std::vector<TreeEntry> tunnelParts();
// The results tree's children under "计算成果", in tree order.
std::vector<TreeEntry> resultItems();

// Classification of a data-tree item from the item data of the item, its
// parent and its grandparent (absent at the top).
struct ItemClass {
    int folder = -1;
    int child = -1;
};
ItemClass classifyDataItem(int data, std::optional<int> parent, std::optional<int> grandparent);

// Which property grid a data-tree selection shows.
enum class PropertyPane { Road, Bridge, Tunnel, TunnelTemplate };

// What a data-tree selection makes current.
struct DataSelection {
    int code = 0;                  // the document's current table code
    PropertyPane pane = PropertyPane::Road;
    bool setsBridge = false;       // bridge and pier below apply
    int bridge = -1, pier = -1;
    bool setsTunnelTemplate = false;
    int tunnelTemplate = -1;
    bool setsTunnel = false;
    int tunnel = -1;
    bool setsSlopeTemplate = false;
    int slopeTemplate = -1;
};
DataSelection dataSelection(int data, std::optional<int> parent, std::optional<int> grandparent);

// True when the table of `code` takes edits: −10000 ≤ code ≤ −1.
inline bool isEditableCode(int code) { return code >= -10000 && code <= -1; }
// True for codes whose selection keeps the drawing shown (data codes).
inline bool showsDrawing(int code) { return code > -10000 && code <= -1; }

}  // namespace vornex::app
