// Tables of delimited text (CSV, TSV) split into records with libcsv, for the
// importers that read point lists.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::exchange {

// One record of the table: its fields (trimmed) and the line it starts on (from 1).
struct CsvRecord {
    std::size_t line = 0;
    std::vector<std::string> fields;
};

// Splits `text` into records (RFC 4180: a field in double quotes may hold the
// separator and line breaks, "" stands for one quote); with a tab separator only
// blanks are padding. The text is fed line by line so that an error can name its
// line. Records of blank fields only are left out. False with `error` set when the
// quoting is broken or memory runs out.
bool readCsvRecords(std::string_view text, char separator, std::vector<CsvRecord>& records, std::string& error);

}  // namespace vornex::exchange
