// The edits a user makes to the records of the current road outside the tables,
// listed in one place: the road header's properties (CVornexPcDoc's road commands),
// the fields of the 桥梁属性, 隧道属性 and 隧道断面模板属性 panes below, and the
// records of the data tree (parent_records.h). Each is a plain function on the
// data; the desktop program runs every one of them through its document
// controller (undo, modified flag, refresh), and tests call them directly.
#pragma once

#include <optional>
#include <string_view>

#include "document/document.h"
#include "document/parent_records.h"
#include "model/prompter.h"
#include "model/road.h"

namespace vornex {

// How typed text becomes a number.
enum class NumberText {
    // A table cell: the leading decimal number of the text; 0 when the text is
    // empty, holds none, or holds one that does not fit a double ("abc" stores 0,
    // "12m" stores 12).
    Leading,
    // A property pane or a start value: the whole text, blanks around it allowed,
    // must be one finite number; anything else is refused (no value).
    Whole,
};
// The number `text` stands for under `rule`. Under Leading there is always a value.
std::optional<double> readTypedNumber(std::string_view text, NumberText rule);

// ---- the road header (路线属性) ------------------------------------------------

// 计算精度(mm) as typed; false (nothing changed) unless the whole text is a
// positive length.
bool setPrecisionText(CVornexPcDoc& doc, std::string_view text);

// ---- 桥梁属性: the current bridge and pier ----------------------------------------

enum class BridgeField {
    Name,          // renamed as parent records are (a name the road has is refused)
    CalcType,      // 计算类型: "弯桥直做" or not
    StartStation,  // 起点桩号: station text, stored as continuous chainage
    Length,
    LeftWidth,
    RightWidth,
    AxisOffset,    // 轴线偏距, 左负右正
    PierName,
    PierStation,   // station text, stored as continuous chainage
    PierAngle,     // typed as 度.分秒, stored in degrees
};
// Stores the typed text in the field of bridge `bridge` (a pier field: of its pier
// `pier`). Numbers are read whole; a text that is no number or no station of the
// road changes nothing. Returns true when the field was stored.
bool setBridgeField(Road& road, int bridge, int pier, BridgeField field, std::string_view text,
                    Prompter& prompter);

// ---- 隧道属性: the current tunnel ---------------------------------------------------

enum class TunnelField {
    Name,
    StartStation,  // station text, stored as continuous chainage
    Length,
};
bool setTunnelField(Road& road, int tunnel, TunnelField field, std::string_view text, Prompter& prompter);
// The tunnel's 道路板块: index `plate` of the road's plate list.
bool setTunnelPlate(Road& road, int tunnel, int plate);

// ---- 隧道断面模板属性: the current tunnel-section template ----------------------------

enum class TunnelTemplateField {
    Name,
    DesignOffset,
    ExcavationCrown,
    PrimaryCrown,
    SecondaryCrown,
};
bool setTunnelTemplateField(Road& road, int tunnelTemplate, TunnelTemplateField field, std::string_view text,
                            Prompter& prompter);

}  // namespace vornex
