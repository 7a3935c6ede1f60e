#include "exchange/geographic_points.h"

#include "exchange/notes.h"
#include "geodesy/point_conversion.h"
#include "text/utf8.h"

namespace vornex::exchange {

GeographicImport readGeographicControlPoints(std::string_view bytes, const geodesy::CoordinateSystem& system) {
    GeographicImport out;
    const std::string text = text::utf8OrGbkToUtf8(bytes);
    const geodesy::GaussProjection projection(system);
    NoteList notes, problems;  // each kind shown ten times, then counted: a wrong file gives no flood
    std::string_view rest = text;
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        const std::string at = "第 " + std::to_string(number) + " 行：";
        geodesy::PointLine p;
        std::string why;
        const geodesy::LineRead read = geodesy::readPointLine(line, true, p, why);
        if (read == geodesy::LineRead::Blank) continue;
        if (read == geodesy::LineRead::Unreadable) {
            problems.add(at + why + "，已跳过", why);
            continue;
        }
        geodesy::GridPoint g;
        if (const geodesy::Status s = projection.toGrid(p.first, p.second, g); s != geodesy::Status::Ok) {
            problems.add(at + quotedInput(p.name) + "：" + geodesy::statusText(s) + "，已跳过", geodesy::statusText(s));
            continue;
        }
        ControlPoint cp;
        cp.name = nameFromFile(p.name, "控制点名", false, notes);
        cp.x = g.x;
        cp.y = g.y;
        if (p.hasHeight) cp.h = p.height;
        else notes.add(at + "点 \"" + quotedInput(p.name) + "\" 没有高程，记为 0", "没有高程");
        out.points.push_back(cp);
    }
    out.problems = problems.take();
    out.notes = notes.take();
    return out;
}

}  // namespace vornex::exchange
