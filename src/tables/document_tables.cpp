#include "tables/document_tables.h"

namespace vornex {

DataTableContext documentTableContext(CVornexPcDoc& doc, int side, int slopeTemplate, int tunnelTemplate) {
    DataTableContext ctx;
    ctx.road = doc.project().currentRoad;
    ctx.side = side;
    ctx.slopeTemplate = slopeTemplate;
    ctx.tunnelTemplate = tunnelTemplate;
    ctx.editable = doc.editable();
    ctx.alignmentChanged = [&doc](RoadProject&, int road) {
        // The start values belong to the current road; another road is
        // recomputed when it becomes current. The edit reports its own change.
        if (road == doc.project().currentRoad) doc.applyStartValues(false);
    };
    ctx.changed = [&doc](RoadProject&, const DocumentChange& change) { doc.commitChange(change); };
    return ctx;
}

}  // namespace vornex
