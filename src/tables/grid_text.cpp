#include "tables/grid_text.h"

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

}  // namespace vornex
