#include "exchange/csv_records.h"

#include <csv.h>

#include <algorithm>

#include "text/text.h"

namespace vornex::exchange {
namespace {

struct Collector {
    std::vector<CsvRecord> records;
    CsvRecord current;
    bool started = false;
    std::size_t line = 1;  // the line being fed to the parser
};

void onField(void* bytes, std::size_t length, void* data) {
    auto* c = static_cast<Collector*>(data);
    if (!c->started) {
        c->current.line = c->line;
        c->started = true;
    }
    const std::string_view field = length ? std::string_view(static_cast<const char*>(bytes), length) : std::string_view();
    c->current.fields.emplace_back(text::trim(field));
}

void onRecord(int, void* data) {
    auto* c = static_cast<Collector*>(data);
    if (!c->started) c->current.line = c->line;
    c->records.push_back(std::move(c->current));
    c->current = CsvRecord{};
    c->started = false;
}

// Only blanks are padding: a tab is a separator in a TSV table.
int isBlank(unsigned char c) { return c == CSV_SPACE ? 1 : 0; }

}  // namespace

bool readCsvRecords(std::string_view text, char separator, std::vector<CsvRecord>& records, std::string& error) {
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        error = "内存不足";
        return false;
    }
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    if (separator == '\t') csv_set_space_func(&parser, isBlank);
    Collector c;
    bool ok = true;
    for (std::size_t pos = 0; ok && pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const std::size_t n = end - pos;
        if (csv_parse(&parser, text.data() + pos, n, onField, onRecord, &c) != n) {
            error = "第" + std::to_string(c.line) +
                    (csv_error(&parser) == CSV_EPARSE ? "行：引号用法不对（字段中的引号应写成两个引号，整个字段放在引号中）"
                                                      : "行：" + std::string(csv_strerror(csv_error(&parser))));
            ok = false;
        }
        ++c.line;
        pos = end;
    }
    if (ok && csv_fini(&parser, onField, onRecord, &c) != 0) {
        const std::size_t from = c.records.empty() ? 1 : c.records.back().line + 1;
        error = "第" + std::to_string(from) + "行起：引号不成对";
        ok = false;
    }
    csv_free(&parser);
    // Lines holding nothing but blanks are no records.
    std::erase_if(c.records, [](const CsvRecord& r) {
        return std::all_of(r.fields.begin(), r.fields.end(), [](const std::string& f) { return f.empty(); });
    });
    records = std::move(c.records);
    return ok;
}

}  // namespace vornex::exchange
