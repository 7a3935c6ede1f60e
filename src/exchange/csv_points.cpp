#include "exchange/csv_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "exchange/csv_records.h"
#include "exchange/notes.h"
#include "exchange/numbers.h"
#include "geometry/intersection_alignment.h"
#include "text/text.h"
#include "text/utf8.h"

namespace vornex::exchange {
namespace {

constexpr double kMaxCoordinate = 1e9;
constexpr double kMaxLength = 1e7;
constexpr std::size_t kMaxPoints = 100000;

enum Column { Name, X, Y, R, Ls1, Ls2, ColumnCount };

// The column a header cell names, or -1. Units in brackets are ignored.
int columnOf(std::string cell) {
    for (const char* bracket : {"(", "（", "["}) {
        if (std::size_t p = cell.find(bracket); p != std::string::npos && p > 0) cell.erase(p);
    }
    std::string c(text::trim(cell));
    for (char& ch : c) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    static const std::array<std::vector<const char*>, ColumnCount> kNames = {{
        {"name", "点名", "交点名", "交点", "名称", "交点号", "jd", "ip", "point", "id"},
        {"x", "坐标x", "x坐标", "n", "north", "northing", "北坐标"},
        {"y", "坐标y", "y坐标", "e", "east", "easting", "东坐标"},
        {"r", "radius", "半径", "圆半径", "圆曲线半径"},
        {"ls1", "前缓长度", "前缓和曲线长", "第一缓和曲线长", "缓和曲线长1", "spiral in", "spiralin", "l1"},
        {"ls2", "后缓长度", "后缓和曲线长", "第二缓和曲线长", "缓和曲线长2", "spiral out", "spiralout", "l2"},
    }};
    for (int k = 0; k < ColumnCount; ++k) {
        for (const char* n : kNames[static_cast<std::size_t>(k)]) {
            if (c == n) return k;
        }
    }
    return -1;
}

}  // namespace

ImportResult readPointsCsv(std::string_view bytes, const ImportOptions& options) {
    ImportResult result;
    auto fail = [&](std::string message) {
        result.status = kExchangeBadFile;
        result.error = std::move(message);
        result.road = Road{};
        return result;
    };
    std::string textUtf8;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (bytes.find('\0') != std::string_view::npos) return fail("不是文本文件（含有零字节）");
    textUtf8 = text::utf8OrGbkToUtf8(bytes);

    // The separator is the first of tab, comma and semicolon the header line holds.
    const std::size_t headerStart = textUtf8.find_first_not_of(" \t\r\n");
    if (headerStart == std::string::npos) return fail("文件是空的");
    const std::string_view header =
        std::string_view(textUtf8).substr(headerStart, textUtf8.find('\n', headerStart) - headerStart);
    const char separator = header.find('\t') != std::string_view::npos   ? '\t'
                           : header.find(',') != std::string_view::npos ? ','
                           : header.find(';') != std::string_view::npos ? ';'
                                                                        : ',';
    std::vector<CsvRecord> records;
    std::string error;
    if (!readCsvRecords(textUtf8, separator, records, error)) return fail(error);
    if (records.empty()) return fail("文件是空的");
    const std::vector<std::string>& fields = records.front().fields;
    const std::size_t headerLine = records.front().line;
    std::array<int, ColumnCount> at;
    at.fill(-1);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        int k = columnOf(fields[i]);
        if (k >= 0 && at[static_cast<std::size_t>(k)] < 0) at[static_cast<std::size_t>(k)] = static_cast<int>(i);
    }
    if (at[Name] < 0 || at[X] < 0 || at[Y] < 0) {
        return fail("第" + std::to_string(headerLine) +
                    "行应为表头，至少含有交点名、X、Y 三列（如“交点名,X,Y,R,Ls1,Ls2”或“name,X,Y,R,Ls1,Ls2”）");
    }

    NoteList notes;
    Road& road = result.road;
    road.curveForm = 0;
    road.name = nameFromFile(options.roadName.empty() ? "Road01" : options.roadName, "线路名称", true, notes);
    for (std::size_t ri = 1; ri < records.size(); ++ri) {
        const std::vector<std::string>& fields = records[ri].fields;
        const std::string where = "第" + std::to_string(records[ri].line) + "行";
        if (road.intersectionPoints.size() >= kMaxPoints) return fail("交点超过 " + std::to_string(kMaxPoints) + " 个");
        auto cell = [&](Column k) -> std::string {
            int i = at[static_cast<std::size_t>(k)];
            return i >= 0 && static_cast<std::size_t>(i) < fields.size() ? fields[static_cast<std::size_t>(i)] : std::string();
        };
        IntersectionPoint p;
        p.name = nameFromFile(cell(Name), where + "：交点名", false, notes);
        double v[ColumnCount] = {0, 0, 0, 0, 0, 0};
        static const char* kCaption[ColumnCount] = {"交点名", "X", "Y", "R", "Ls1", "Ls2"};
        for (int k = X; k < ColumnCount; ++k) {
            std::string c = cell(static_cast<Column>(k));
            if (c.empty() && k >= R) continue;
            if (!parseNumber(c, v[k])) {
                return fail(where + "：" + kCaption[k] + " \"" + quotedInput(c) + "\" 不是数值");
            }
        }
        if (std::fabs(v[X]) > kMaxCoordinate || std::fabs(v[Y]) > kMaxCoordinate) return fail(where + "：坐标超出合理范围");
        if (std::fabs(v[R]) > kMaxLength) return fail(where + "：半径超出合理范围");
        if (v[Ls1] < 0 || v[Ls2] < 0 || v[Ls1] > kMaxLength || v[Ls2] > kMaxLength) {
            return fail(where + "：缓和曲线长度应为不大于 " + formatFixed(kMaxLength, 0) + " 的非负数");
        }
        // A leg longer than any road element is damage, as in LandXML files.
        if (!road.intersectionPoints.empty()) {
            const IntersectionPoint& prev = road.intersectionPoints.back();
            if (std::hypot(v[X] - prev.x, v[Y] - prev.y) > kMaxLength) {
                return fail(where + "：与前一交点相距超过 " + formatFixed(kMaxLength, 0) + " m，超出合理范围");
            }
        }
        p.x = v[X];
        p.y = v[Y];
        p.radius = v[R];
        p.spiralIn = v[Ls1];
        p.spiralOut = v[Ls2];
        road.intersectionPoints.push_back(p);
    }
    if (road.intersectionPoints.size() < 2) return fail("至少需要起点和终点两个交点");
    IntersectionPoint& first = road.intersectionPoints.front();
    IntersectionPoint& last = road.intersectionPoints.back();
    for (IntersectionPoint* end : {&first, &last}) {
        if (end->radius != 0 || end->spiralIn != 0 || end->spiralOut != 0) {
            notes.add("交点 " + quotedInput(end->name.utf8()) + " 是线路的" + (end == &first ? "起点" : "终点") +
                                   "，其半径与缓和曲线长度不用");
            end->radius = end->spiralIn = end->spiralOut = 0;
        }
    }
    first.station = 0;
    if (buildElementsFromIntersectionPoints(road, 0, options.precision) != 1) {
        return fail("交点数据无法计算线形");
    }
    result.notes = notes.take();
    result.status = kExchangeOk;
    return result;
}

}  // namespace vornex::exchange
