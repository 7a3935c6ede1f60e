// The road module's trees (their codes are in tables/table_codes.h) and the rules that classify a
// data-tree item and decide what its selection makes current. Pure functions,
// so that the work view and its tests share them.
#pragma once

#include <QString>

#include <optional>
#include <vector>

#include "tables/table_codes.h"

namespace vornex::app {

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
inline bool isEditableCode(int code) { return code >= table_code::kResultsRoot && code <= -1; }
// True for codes whose selection keeps the drawing shown (data codes).
inline bool showsDrawing(int code) { return code > table_code::kResultsRoot && code <= -1; }

}  // namespace vornex::app
