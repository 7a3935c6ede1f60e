#include "tables/grid_text.h"

#include <string_view>
#include <vector>

namespace vornex {
namespace {

std::vector<std::vector<std::string>> gridLines(const Grid& grid) {
    std::vector<std::vector<std::string>> lines;
    lines.reserve(grid.rows.size() + 1);
    std::vector<std::string> header;
    header.reserve(grid.columns.size());
    for (const GridColumn& c : grid.columns) header.push_back(c.caption);
    lines.push_back(std::move(header));
    for (const GridRow& r : grid.rows) {
        std::vector<std::string> line;
        line.reserve(grid.columns.size());
        for (std::size_t c = 0; c < grid.columns.size(); ++c)
            line.push_back(c < r.cells.size() ? r.cells[c].text : std::string());
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string tsvField(const std::string& s) {
    std::string out = s;
    for (char& ch : out)
        if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
    return out;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char ch : s) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
    return out;
}

}  // namespace

std::string gridToTsv(const Grid& grid) {
    std::string out;
    for (const auto& line : gridLines(grid)) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i) out += '\t';
            out += tsvField(line[i]);
        }
        out += '\n';
    }
    return out;
}

std::string gridToCsv(const Grid& grid) {
    std::string out;
    for (const auto& line : gridLines(grid)) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i) out += ',';
            out += csvField(line[i]);
        }
        out += "\r\n";
    }
    return out;
}

namespace {

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// printf's text of a non-finite double as a word of its own ("inf", "-nan",
// "长链长度      nanm" with its unit).
bool showsNonFinite(const std::string& t) {
    for (std::size_t i = 0; i + 3 <= t.size(); ++i) {
        if (i > 0 && isAsciiAlnum(t[i - 1])) continue;
        std::string_view w(t.data() + i, 3);
        if (w != "nan" && w != "inf") continue;
        std::size_t end = i + 3;
        if (end < t.size() && t[end] == 'm') ++end;  // a length unit
        if (end == t.size() || !isAsciiAlnum(t[end])) return true;
    }
    return false;
}

}  // namespace

bool findNonFiniteCell(const Grid& grid, int& row, int& column) {
    for (int r = 0; r < grid.rowCount(); ++r) {
        const GridRow& gr = grid.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < static_cast<int>(gr.cells.size()) && c < grid.columnCount(); ++c) {
            if (grid.columns[static_cast<std::size_t>(c)].caption.find("名") != std::string::npos) continue;
            if (showsNonFinite(gr.cells[static_cast<std::size_t>(c)].text)) {
                row = r;
                column = c;
                return true;
            }
        }
    }
    return false;
}

}  // namespace vornex
