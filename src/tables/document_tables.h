// The data view's tables bound to the project document: the context for the
// document's current road, so that an edit of the horizontal alignment applies
// the road's start values again (which recomputes the road).
#pragma once

#include "document/document.h"
#include "tables/data_tables.h"

namespace vornex {

// Context for the document's current road with the view's side selector and
// selected slope and tunnel-section templates. The document must outlive it.
DataTableContext documentTableContext(CVornexPcDoc& doc, int side = 1, int slopeTemplate = -1,
                                      int tunnelTemplate = -1);

}  // namespace vornex
