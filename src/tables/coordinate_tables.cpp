#include "tables/coordinate_tables.h"

#include "geodesy/dms_text.h"
#include "text/text.h"

namespace vornex {

Grid coordinateConversionTable(const geodesy::ConversionOutcome& outcome, bool geographic) {
    Grid g;
    g.code = table_code::kCoordinateConversion;
    const char* const gridCaptions[] = {"点名", "X(m)", "Y(m)", "比例因子", "子午线收敛角"};
    const char* const geoCaptions[] = {"点名", "B", "L", "比例因子", "子午线收敛角"};
    for (int c = 0; c < 5; ++c) g.columns.push_back({geographic ? geoCaptions[c] : gridCaptions[c], c == 0 ? 80 : 120, {}});
    for (const geodesy::ConvertedPoint& p : outcome.points) {
        GridRow& row = g.addRow();
        row.cells[0].text = p.name;
        if (geographic) {
            row.cells[1].text = geodesy::formatDmsText(p.first);
            row.cells[2].text = geodesy::formatDmsText(p.second);
        } else {
            row.cells[1].text = text::format("%.4f", p.first);
            row.cells[2].text = text::format("%.4f", p.second);
        }
        row.cells[3].text = text::format("%.10f", p.scale);
        row.cells[4].text = geodesy::formatDmsText(p.convergence);
    }
    return g;
}

}  // namespace vornex
