// The data view's tables bound to the project document.
//
// Every edit of a data-entry table goes through the commands of
// tables/data_tables.h with the context made here:
//
//     DataTableContext ctx = documentTableContext(doc, side, slopeTemplate, tunnelTemplate);
//     Grid grid = buildDataTable(doc.project(), code, ctx);
//     DataEdit edit = storeDataCell(doc.project(), ctx, grid, row, column, typedUtf8);
//     grid = buildDataTable(doc.project(), code, ctx);     // re-show from the records
//     int current = rowOfRecord(grid, edit.record);       // the edited record's row now
//
// Each command that changes records then marks the document modified and calls
// its views once (CVornexPcDoc::commitChange) with what changed: one record of
// one table, one table's list, or everything (rows reordered across tables, the
// derived alignment recomputed). An edit of the plane alignment first applies
// the road's start values again, which recomputes the road. A command that
// changes nothing (a cell typed with the text it already showed, a question
// answered No) leaves the document untouched. Road commands are members of
// CVornexPcDoc and take the same door. A controller that keeps undo snapshots
// takes one before calling a command.
#pragma once

#include "document/document.h"
#include "tables/data_tables.h"

namespace vornex {

// Context for the document's current road with the view's side selector and
// selected slope and tunnel-section templates. The document must outlive it.
DataTableContext documentTableContext(CVornexPcDoc& doc, int side = 1, int slopeTemplate = -1,
                                      int tunnelTemplate = -1);

}  // namespace vornex
