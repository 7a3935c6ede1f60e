// The data-entry tables' row commands: the context menu, copy, cut, clear and
// paste of cell ranges, inserting, deleting and moving rows, and the same-as
// commands of the plate, contour and pile tables.
#include <algorithm>
#include <cmath>
#include <set>

#include "model/record_store.h"
#include "tables/data_table_parts.h"
#include "tables/data_tables.h"
#include "text/text.h"

namespace vornex {

using namespace data_table_parts;

std::string dataMenuLabel(DataMenuItem item) {
    switch (item) {
        case DataMenuItem::Clear: return "清除(&D)";
        case DataMenuItem::Cut: return "剪切(&T)";
        case DataMenuItem::Copy: return "复制(&C)";
        case DataMenuItem::Paste: return "粘贴(&P)";
        case DataMenuItem::InsertRow: return "插入一行(&I)";
        case DataMenuItem::DeleteRow: return "删除一行(&R)";
        case DataMenuItem::MoveUp: return "上移一行(&U)";
        case DataMenuItem::MoveDown: return "下移一行(&W)";
        case DataMenuItem::SameAsPreviousPier: return "与上一墩相同(&F)";
        case DataMenuItem::SameAsNextPier: return "与下一墩相同(&A)";
        case DataMenuItem::SameAsLeft: return "与左侧相同(&L)";
        case DataMenuItem::SameAsRight: return "与右侧相同(&G)";
    }
    return {};
}

std::vector<DataMenuEntry> dataMenu(const RoadProject& project, const DataTableContext& ctx, const Grid& grid,
                                    int row, int column, const CellRange& selection, bool clipboardHasText) {
    std::vector<DataMenuEntry> menu;
    int code = grid.code;
    if (!ctx.editable || !isDataTableCode(code)) return menu;
    if (row < 0 || row >= grid.rowCount() || column < 0 || column >= grid.columnCount()) return menu;
    auto add = [&](DataMenuItem item, bool enabled) { menu.push_back({item, dataMenuLabel(item), enabled}); };

    bool hasRange = !selection.empty();
    bool recordSelected = false;
    if (hasRange)
        for (int r = std::max(0, selection.top); r <= std::min(selection.bottom, grid.rowCount() - 1); ++r)
            if (grid.rows[static_cast<std::size_t>(r)].recordIndex >= 0 ||
                (isChangeCode(code) && r > 0 && !isNewRecordRow(grid, r, true)))
                recordSelected = true;
    if (grid.rows[static_cast<std::size_t>(row)].recordIndex >= 0) recordSelected = true;

    // First and last record rows of the table.
    int firstRecordRow = -1, lastRecordRow = -1;
    for (int r = 0; r < grid.rowCount(); ++r)
        if (grid.rows[static_cast<std::size_t>(r)].recordIndex >= 0) {
            if (firstRecordRow < 0) firstRecordRow = r;
            lastRecordRow = r;
        }
    int lastRow = grid.rowCount() - 1;
    bool change = isChangeCode(code);
    bool isRecordRow = grid.rows[static_cast<std::size_t>(row)].recordIndex >= 0;

    add(DataMenuItem::Clear, !isBlank(cellText(grid, row, column)));
    add(DataMenuItem::Cut, hasRange);
    add(DataMenuItem::Copy, hasRange);
    add(DataMenuItem::Paste, clipboardHasText);
    add(DataMenuItem::InsertRow, !change && (isRecordRow || isNewRecordRow(grid, row, true)));
    add(DataMenuItem::DeleteRow, recordSelected);
    add(DataMenuItem::MoveUp, !change && isRecordRow && row != firstRecordRow && row != lastRow);
    add(DataMenuItem::MoveDown, !change && isRecordRow && row != lastRecordRow && row != lastRow);
    if (code == tc::kPiles) {
        const Road* road = roadAt(project, ctx.road);
        int pier = road ? road->currentPier : -1;
        int piers = (road && validIndex(road->bridges, road->currentBridge))
                        ? static_cast<int>(road->bridges[static_cast<std::size_t>(road->currentBridge)].piers.size())
                        : 0;
        add(DataMenuItem::SameAsPreviousPier, pier > 0 && pier < piers);
        add(DataMenuItem::SameAsNextPier, pier >= 0 && pier < piers - 1);
    }
    if (hasSideSelector(code)) {
        add(DataMenuItem::SameAsLeft, ctx.side != 1);
        add(DataMenuItem::SameAsRight, ctx.side != 2);
    }
    return menu;
}

std::string copyCells(const Grid& grid, const CellRange& range) {
    std::string out;
    if (range.empty()) return out;
    for (int r = range.top; r <= range.bottom; ++r) {
        for (int c = range.left; c <= range.right; ++c) {
            out += cellText(grid, r, c);
            out += '\t';
        }
        out += "\r\n";
    }
    return out;
}

DataEdit clearCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, const CellRange& range) {
    if (range.empty() || !ctx.editable) return {};
    std::vector<CellWrite> writes;
    for (int r = std::max(0, range.top); r <= std::min(range.bottom, grid.rowCount() - 1); ++r) {
        GridRow& row = grid.rows[static_cast<std::size_t>(r)];
        for (int c = std::max(0, range.left); c <= std::min(range.right, static_cast<int>(row.cells.size()) - 1); ++c) {
            GridCell& cell = row.cells[static_cast<std::size_t>(c)];
            if (!cell.editable) continue;  // a computed cell cannot be emptied
            cell.text.clear();
            writes.push_back({r, c, std::string()});
        }
    }
    return storeWrites(project, ctx, grid, std::move(writes));
}

std::string cutCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, const CellRange& range) {
    std::string t = copyCells(grid, range);
    clearCells(project, ctx, grid, range);
    return t;
}

DataEdit pasteCells(RoadProject& project, const DataTableContext& ctx, Grid& grid, int row, int column,
                    const std::string& textIn, Prompter& prompter) {
    if (!ctx.editable || textIn.empty() || row < 0 || column < 0 || column >= grid.columnCount()) return {};
    if (row > grid.rowCount()) return {};
    if (!prompter.askYesNo("是否覆盖原来的数据？", true, PromptIcon::Question)) return {};
    std::vector<CellWrite> writes;
    int r = row, c = column;
    std::string pending;
    auto write = [&] {
        if (c < grid.columnCount()) {
            while (r >= grid.rowCount()) {
                // Past the end of the table: a new row, which becomes a new record.
                GridRow& added = grid.addRow(-1);
                for (auto& cell : added.cells) cell.editable = true;
            }
            GridCell& cell = grid.rows[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)];
            if (cell.editable) {
                cell.text = pending;
                writes.push_back({r, c, pending});
            }
        }
        pending.clear();
    };
    for (std::size_t i = 0; i < textIn.size(); ++i) {
        char ch = textIn[i];
        if (ch == '\t') {
            write();
            ++c;
        } else if (ch == '\r' || ch == '\n') {
            // "复制" ends every cell with a tab: the tab before a line break closes
            // the row's last cell, so the break writes nothing (an empty text here
            // would clear the cell right of the pasted block).
            bool afterTab = i > 0 && textIn[i - 1] == '\t';
            if (!afterTab) write();
            pending.clear();
            ++r;
            c = column;
            if (ch == '\r' && i + 1 < textIn.size() && textIn[i + 1] == '\n') ++i;
        } else {
            pending += ch;
        }
    }
    if (!pending.empty()) write();  // a last cell without a terminator is not lost
    return storeWrites(project, ctx, grid, std::move(writes));
}

DataEdit insertRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row) {
    int code = grid.code;
    if (!ctx.editable || isChangeCode(code) || row < 0 || row >= grid.rowCount()) return {};
    int index = grid.rows[static_cast<std::size_t>(row)].recordIndex;
    int pos = index >= 0 ? index : listSize(project, code, ctx);
    if (index < 0 && !isNewRecordRow(grid, row, true)) return {};
    if (!listExists(project, code, ctx)) return {};
    Outcome out;
    const int added = insertDefault(project, code, ctx, pos);
    if (added >= 0) {
        out.structural = true;
        out.touched(added);
    }
    return finishEdit(project, ctx, code, out);
}

int deleteRows(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int top, int bottom,
               Prompter& prompter) {
    int code = grid.code;
    if (!ctx.editable) return 0;
    top = std::max(top, 0);
    bottom = std::min(bottom, grid.rowCount() - 1);
    // Records of the selected rows (every plate cell of a change-table row).
    std::vector<int> records;
    for (int r = top; r <= bottom; ++r) {
        const GridRow& row = grid.rows[static_cast<std::size_t>(r)];
        if (isChangeCode(code)) {
            if (r == 0 || isNewRecordRow(grid, r, true)) continue;
            for (std::size_t c = 2; c < row.cells.size(); ++c)
                if (row.cells[c].recordIndex >= 0) records.push_back(row.cells[c].recordIndex);
            // A row may stand for a change of a plate that has no column.
            if (row.recordIndex >= 0) records.push_back(row.recordIndex);
        } else if (row.recordIndex >= 0) {
            records.push_back(row.recordIndex);
        }
    }
    if (records.empty()) return 0;
    if (!prompter.askYesNo("您是否真的要删除本条记录?", false, PromptIcon::Warning)) return 0;
    std::sort(records.rbegin(), records.rend());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    int removed = 0;
    Road* road = roadAt(project, ctx.road);
    for (int i : records) {
        if (isChangeCode(code)) {
            if (!road) break;
            auto& list = code == tc::kWidthChanges ? road->widthChanges : road->crossfallChanges;
            if (!validIndex(list, i)) continue;
            list.erase(list.begin() + i);
            ++removed;
        } else if (removeAt(project, code, ctx, i)) {
            ++removed;
        }
    }
    if (removed && isChangeCode(code)) {
        if (code == tc::kWidthChanges) rebuildWidthLinks(*road);
        else rebuildCrossfallLinks(*road);
    }
    Outcome out;
    out.stored = removed > 0;
    out.structural = true;
    finishEdit(project, ctx, code, out);
    return removed;
}

DataEdit moveRow(RoadProject& project, const DataTableContext& ctx, const Grid& grid, int row, bool up) {
    int code = grid.code;
    if (!ctx.editable || isChangeCode(code) || row < 0 || row >= grid.rowCount()) return {};
    int a = grid.rows[static_cast<std::size_t>(row)].recordIndex;
    int other = up ? row - 1 : row + 1;
    if (a < 0 || other < 0 || other >= grid.rowCount()) return {};
    int b = grid.rows[static_cast<std::size_t>(other)].recordIndex;
    if (b < 0) return {};
    bool done = false;
    if (code == tc::kPlates) {
        Road* road = roadAt(project, ctx.road);
        if (road && validIndex(road->plates, a) && validIndex(road->plates, b)) {
            swapPlates(*road, a, b);
            done = true;
        }
    } else {
        visitList(project, code, ctx, [&](auto& v) {
            if (!validIndex(v, a) || !validIndex(v, b)) return;
            auto before = v;
            std::swap(v[static_cast<std::size_t>(a)], v[static_cast<std::size_t>(b)]);
            done = true;
            if (isSortedCode(code)) {
                // A list kept in station order takes its order back: the move stands
                // only between records of the same station.
                Road& road = *roadAt(project, ctx.road);
                if (code == tc::kChainBreaks) sortChainBreaks(road);
                else sortSlopeAssignments(road);
                done = !(v == before);
            }
        });
    }
    if (!done) return {};
    Outcome out;
    out.structural = true;
    out.touched(b);  // the moved record now sits where the other one was
    return finishEdit(project, ctx, code, out);
}

bool sameAsSide(RoadProject& project, const DataTableContext& ctx, int code, int fromSide, Prompter& prompter) {
    if (!ctx.editable || !hasSideSelector(code)) return false;
    int shown = ctx.side == 2 ? 2 : 1;
    if (fromSide == shown || (fromSide != 1 && fromSide != 2)) return false;
    Road* road = roadAt(project, ctx.road);
    if (!road || !listExists(project, code, ctx)) return false;
    if (!shownRecords(project, code, ctx).empty() &&
        !prompter.askYesNo("本路幅已存在数据，是否覆盖？", false, PromptIcon::Warning))
        return false;
    Outcome out;
    out.stored = out.structural = true;
    if (code == tc::kPlates) {
        for (int i = static_cast<int>(road->plates.size()) - 1; i >= 0; --i)
            if (road->plates[static_cast<std::size_t>(i)].side == shown) removePlate(*road, i);
        std::vector<CrossSectionPlate> copies;
        for (const auto& pl : road->plates)
            if (pl.side == fromSide) {
                CrossSectionPlate c = pl;
                c.side = shown;
                c.firstWidthChange = c.lastWidthChange = c.firstCrossfallChange = c.lastCrossfallChange = -1;
                copies.push_back(c);
            }
        for (const auto& c : copies) road->plates.push_back(c);
        finishEdit(project, ctx, code, out);
        return true;
    }
    auto& list = *contourList(road->tunnelTemplates[static_cast<std::size_t>(ctx.tunnelTemplate)], code);
    std::vector<ContourElement> kept;
    for (const auto& e : list)
        if (contourSide(e) != shown) kept.push_back(e);
    list = kept;
    // The mirror image, element by element in the same order from the crown:
    // horizontal distances negated, radii on the shown side.
    for (ContourElement e : kept) {
        e.radius = sidedRadius(std::fabs(e.radius), shown);
        if (e.horizontalDistance != kNoValue && e.horizontalDistance != -kNoValue) e.horizontalDistance = -e.horizontalDistance;
        list.push_back(e);
    }
    finishEdit(project, ctx, code, out);
    return true;
}

bool sameAsPier(RoadProject& project, const DataTableContext& ctx, bool previous, Prompter& prompter) {
    if (!ctx.editable) return false;
    Road* road = roadAt(project, ctx.road);
    if (!road || !validIndex(road->bridges, road->currentBridge)) return false;
    Bridge& b = road->bridges[static_cast<std::size_t>(road->currentBridge)];
    int pier = road->currentPier;
    int source = previous ? pier - 1 : pier + 1;
    if (!validIndex(b.piers, pier) || !validIndex(b.piers, source)) return false;
    Pier& current = b.piers[static_cast<std::size_t>(pier)];
    if (!current.piles.empty() && !prompter.askYesNo("本桥墩存在桩基数据，是否覆盖？", false, PromptIcon::Warning))
        return false;
    current.piles = b.piers[static_cast<std::size_t>(source)].piles;
    Outcome out;
    out.stored = out.structural = true;
    finishEdit(project, ctx, tc::kPiles, out);
    return true;
}

}  // namespace vornex
