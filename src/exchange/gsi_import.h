// Raw instrument files (GSI) into survey files: a digital level's lines become
// the sections of a leveling file (*.lev), a total station's set-ups the
// stations of a control-survey file (*.con). The word layer is gsi_words.h; the
// mapping of every reading is stated in the user guide.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "adjust/survey_network.h"
#include "io/file_error.h"
#include "model/records.h"

namespace vornex::exchange {

// The height of a known point given without one (readKnownPoints).
inline constexpr double kNoHeight = kNoValue;

enum class RawKind { Unknown, Leveling, Control };

struct RawImportOptions {
    // Order (UTF-8): 一等, 二等, 三等, 四等 for leveling (二等 when empty);
    // 二等, 三等, 四等, 一级, 二级 for control surveys (四等 when empty).
    std::string order;
    // Leveling: only line N (1-based, in file order); 0 takes every line.
    int line = 0;
    // Control: the known points (name GBK, X, Y, H or kNoHeight), at most 10.
    std::vector<ControlPoint> knownPoints;
};

struct RawImportResult {
    int status = -4;                  // kExchangeOk or a failure code of exchange.h
    std::string error;                // UTF-8, when status < 0
    RawKind kind = RawKind::Unknown;
    SurveyNetwork network;            // the survey, ready for the survey file writers
    std::vector<std::string> notes;   // UTF-8: what was left out, the instrument's disagreements, limits exceeded
};

// The kind a raw file's words show: staff readings (330-336) a leveling file,
// angles (21, 22) a control survey. Unknown for neither and for both.
RawKind rawKindOf(std::string_view text);

// Converts the text of a GSI file. Pure: reads and writes no file.
RawImportResult convertRaw(std::string_view text, const RawImportOptions& options);

// The raw file's text, read once through the reading door. A status code of
// exchange.h (kExchangeOk, or kExchangeCannotRead with `error`).
int readRawFile(const std::filesystem::path& in, std::string& text, io::FileError& error);

// Writes a converted survey to `out`, whose extension (.lev or .con) must match
// the survey's kind and which must not exist; nothing is left at `out` on a
// failure. A status code of exchange.h, with `error`; when the file itself
// could not be written, `fileFailure` (if given) says why.
int writeRawSurvey(const RawImportResult& result, const std::filesystem::path& out, std::string& error,
                   io::FileError* fileFailure = nullptr);

// vornex-cli import-raw: reads `in` once, converts it, checks
// that the kind matches the extension of `out` (.lev or .con) and writes `out`,
// which must not exist yet; nothing is left at `out` on any failure. Returns the
// status (also in result.status).
int importRawFile(const std::filesystem::path& in, const std::filesystem::path& out, const RawImportOptions& options,
                  RawImportResult& result);

// Known points for a control survey: lines "name,X,Y[,H]" (UTF-8 names), blank
// lines and lines starting with '#' skipped. False with a message naming the
// line for anything else (a name over 12 bytes, a number that is not one, a
// point given twice).
bool readKnownPoints(const std::filesystem::path& file, std::vector<ControlPoint>& points, std::string& error);
bool parseKnownPoints(std::string_view text, std::vector<ControlPoint>& points, std::string& error);

// The order names accepted for a kind, for usage texts.
std::vector<std::string> rawOrderNames(RawKind kind);

}  // namespace vornex::exchange
