#include "exchange/gsi_import.h"

#include <algorithm>
#include <set>

#include "exchange/csv_records.h"
#include "exchange/exchange.h"
#include "exchange/file_access.h"
#include "exchange/gsi_convert.h"
#include "exchange/numbers.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

// Raw files of a whole field season stay far below this; 10 MB of noise is refused at its first line.
constexpr std::size_t kRawFileLimit = 64u << 20;

bool lowerExtension(const std::filesystem::path& p, const char* ext) {
    std::string e = p.extension().string();
    std::transform(e.begin(), e.end(), e.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e == ext;
}

}  // namespace

RawKind rawKindOf(std::string_view text) {
    std::vector<gsi::Block> blocks;
    std::string error;
    if (!gsi::readBlocks(text, blocks, error)) return RawKind::Unknown;
    bool level = false, angles = false;
    for (const gsi::Block& b : blocks) {
        for (const gsi::Word& w : b.words) {
            level |= w.index >= 330 && w.index <= 336;
            angles |= w.index == 21 || w.index == 22;
        }
    }
    if (level == angles) return RawKind::Unknown;
    return level ? RawKind::Leveling : RawKind::Control;
}

RawImportResult convertRaw(std::string_view text, const RawImportOptions& options) {
    RawImportResult result;
    result.status = kExchangeBadFile;
    std::vector<gsi::Block> blocks;
    if (!gsi::readBlocks(text, blocks, result.error)) return result;
    int firstLevel = 0, firstAngle = 0;
    for (const gsi::Block& b : blocks) {
        for (const gsi::Word& w : b.words) {
            if (w.index >= 330 && w.index <= 336 && firstLevel == 0) firstLevel = b.line;
            if ((w.index == 21 || w.index == 22) && firstAngle == 0) firstAngle = b.line;
        }
    }
    if (firstLevel != 0 && firstAngle != 0) {
        result.error = "文件中既有水准读数（第 " + std::to_string(firstLevel) + " 行）又有角度（第 " +
                       std::to_string(firstAngle) + " 行），不知道该导入为哪种观测数据";
        return result;
    }
    if (firstLevel == 0 && firstAngle == 0) {
        result.error = "文件中没有水准读数（字 331–336），也没有角度（字 21、22）";
        return result;
    }
    result.kind = firstLevel != 0 ? RawKind::Leveling : RawKind::Control;
    const bool ok = result.kind == RawKind::Leveling ? convertLevelingBlocks(blocks, options, result)
                                                     : convertControlBlocks(blocks, options, result);
    if (ok) {
        result.status = kExchangeOk;
        result.error.clear();
    } else {
        result.network.reset();
    }
    return result;
}

namespace {

bool outputExists(const std::filesystem::path& out, std::string& error) {
    std::error_code ec;
    if (std::filesystem::symlink_status(out, ec).type() == std::filesystem::file_type::not_found) return false;
    error = out.string() + " 已存在，不覆盖";
    return true;
}

int kindOfOutput(const std::filesystem::path& out, RawKind& kind, std::string& error) {
    kind = lowerExtension(out, ".lev") ? RawKind::Leveling : lowerExtension(out, ".con") ? RawKind::Control : RawKind::Unknown;
    if (kind != RawKind::Unknown) return kExchangeOk;
    error = out.string() + "：输出文件应是水准数据文件（.lev）或控制测量数据文件（.con）";
    return kExchangeUnknownFormat;
}

}  // namespace

int readRawFile(const std::filesystem::path& in, std::string& text, io::FileError& error) {
    return readInput(in, kRawFileLimit, text, error) ? kExchangeOk : kExchangeCannotRead;
}

int writeRawSurvey(const RawImportResult& result, const std::filesystem::path& out, std::string& error,
                   io::FileError* fileFailure) {
    RawKind kind = RawKind::Unknown;
    if (const int status = kindOfOutput(out, kind, error); status != kExchangeOk) return status;
    if (kind != result.kind) {
        error = result.kind == RawKind::Leveling ? "文件中是水准读数，应导入为水准数据文件（.lev）"
                                                 : "文件中是全站仪的角度和距离，应导入为控制测量数据文件（.con）";
        return kExchangeBadFile;
    }
    const std::string image =
        kind == RawKind::Leveling ? levelingFileBytes(result.network) : controlFileBytes(result.network);
    if (outputExists(out, error)) return kExchangeOutputExists;
    // Created, never replaced: a file that appeared at OUT while the raw file was
    // converted (the user's, or another import's) stays as it is.
    bool existed = false;
    io::FileError failure;
    if (!createOutput(out, image, failure, existed)) {
        error = failure.message;
        if (fileFailure) *fileFailure = failure;
        return existed ? kExchangeOutputExists : kExchangeCannotWrite;
    }
    return kExchangeOk;
}

int importRawFile(const std::filesystem::path& in, const std::filesystem::path& out, const RawImportOptions& options,
                  RawImportResult& result) {
    result = {};
    RawKind kind = RawKind::Unknown;
    result.status = kindOfOutput(out, kind, result.error);
    if (result.status != kExchangeOk) return result.status;
    if (outputExists(out, result.error)) return result.status = kExchangeOutputExists;
    std::string text;
    io::FileError error;
    if (const int status = readRawFile(in, text, error); status != kExchangeOk) {
        result.status = status;
        result.error = error.message;
        return status;
    }
    result = convertRaw(text, options);
    if (result.status != kExchangeOk) return result.status;
    result.status = writeRawSurvey(result, out, result.error);
    return result.status;
}

bool parseKnownPoints(std::string_view text, std::vector<ControlPoint>& points, std::string& error) {
    points.clear();
    std::vector<CsvRecord> records;
    if (!readCsvRecords(text, ',', records, error)) return false;
    std::set<std::string> seen;
    for (const CsvRecord& r : records) {
        if (!r.fields.empty() && !r.fields[0].empty() && r.fields[0][0] == '#') continue;
        const std::string at = "第 " + std::to_string(r.line) + " 行：";
        if (r.fields.size() < 3 || r.fields.size() > 4) {
            error = at + "应为“点名,X,Y”或“点名,X,Y,H”";
            return false;
        }
        ControlPoint p;
        const std::string gbk = text::utf8ToGbk(r.fields[0]);
        if (gbk.empty()) {
            error = at + "没有点名";
            return false;
        }
        if (gbk.size() > 12) {
            error = at + "点名 " + r.fields[0] + " 超过 12 个字节（6 个汉字）";
            return false;
        }
        if (!seen.insert(gbk).second) {
            error = at + "点 " + r.fields[0] + " 已在前面给出";
            return false;
        }
        p.name.assign(gbk);
        p.h = kNoHeight;
        double* values[3] = {&p.x, &p.y, &p.h};
        for (std::size_t i = 1; i < r.fields.size(); ++i) {
            if (!parseNumber(r.fields[i], *values[i - 1]) || std::abs(*values[i - 1]) > 1e8) {
                error = at + "“" + r.fields[i] + "”不是坐标或高程";
                return false;
            }
        }
        points.push_back(p);
    }
    return true;
}

bool readKnownPoints(const std::filesystem::path& file, std::vector<ControlPoint>& points, std::string& error) {
    std::string bytes, why;
    io::FileError failure;
    if (!readInput(file, 1u << 20, bytes, failure)) {
        error = failure.message;
        return false;
    }
    if (!parseKnownPoints(bytes, points, why)) {
        error = file.string() + "：" + why;
        return false;
    }
    return true;
}

std::vector<std::string> rawOrderNames(RawKind kind) {
    if (kind == RawKind::Leveling) return {"一等", "二等", "三等", "四等"};
    return {"二等", "三等", "四等", "一级", "二级"};
}

}  // namespace vornex::exchange
