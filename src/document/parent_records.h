// Records that own lists and show as items of the data tree: slope templates,
// bridges and their piers, tunnel-section templates and tunnels. Adding names the
// new record by the road's rule for new names, deleting asks first and keeps every
// index that points into the list valid, renaming refuses a name the list already
// holds. The tree's context menu only calls these; it edits nothing itself.
#pragma once

#include <string_view>

#include "model/prompter.h"
#include "model/road.h"

namespace vornex {

enum class ParentKind {
    SlopeTemplate,   // 边坡模板
    Bridge,          // 桥梁
    Pier,            // 墩台 of a bridge
    TunnelTemplate,  // 隧道断面模板
    Tunnel,          // 隧道
};

// Appends a new record of `kind` with the defaults and a new name; a pier goes to
// bridge `bridge`. Returns its index, or -1 when nothing was added: a pier without
// such a bridge, or a tunnel while the road has no tunnel-section template
// ("请先定义隧道断面模板." is shown).
int addParentRecord(Road& road, ParentKind kind, Prompter& prompter, int bridge = -1);

// Deletes record `index` (a pier: of bridge `bridge`) after the question
// "您是否真的要删除“<name>”?" (No by default). Refused with a message while a
// slope assignment uses the slope template ("不能删除边坡模板.\n有边坡参数引用该边坡模板.")
// or a tunnel rule uses the tunnel-section template. Afterwards the template
// indices of slope assignments and tunnel rules, and the road's current bridge,
// pier and tunnel, still name the same records (-1 where the current one went).
// Returns true when the record was deleted.
bool deleteParentRecord(Road& road, ParentKind kind, int index, Prompter& prompter, int bridge = -1);

// Renames record `index` (a pier: of bridge `bridge`) to the typed UTF-8 text, cut
// to 12 bytes. An empty name changes nothing; a name another record of the same
// list has is refused with a message ("边坡模板已经存在，请重新输入。" for slope
// templates). Returns true when the name was stored.
bool renameParentRecord(Road& road, ParentKind kind, int index, std::string_view utf8, Prompter& prompter,
                        int bridge = -1);

// The name of record `index` (UTF-8), empty when there is none.
std::string parentRecordName(const Road& road, ParentKind kind, int index, int bridge = -1);

}  // namespace vornex
