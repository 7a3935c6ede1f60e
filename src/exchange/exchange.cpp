#include "exchange/exchange.h"

#include <algorithm>
#include <cctype>

#include "document/document.h"
#include "document/project_file.h"
#include "exchange/csv_points.h"
#include "exchange/dxf_plan.h"
#include "exchange/file_access.h"
#include "exchange/landxml.h"
#include "exchange/notes.h"
#include "io/file_problem_text.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex::exchange {
namespace {

std::string lowerExtension(const std::filesystem::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The file's stem as a road name (UTF-8).
std::string stemName(const std::filesystem::path& file) {
    std::string stem = file.stem().string();
    return stem.empty() ? std::string("Road01") : stem;
}

}  // namespace

ExchangeFormat formatOfPath(const std::filesystem::path& file) {
    const std::string ext = lowerExtension(file);
    if (ext == ".xml" || ext == ".landxml") return ExchangeFormat::LandXml;
    if (ext == ".csv" || ext == ".tsv" || ext == ".txt") return ExchangeFormat::PointsCsv;
    if (ext == ".dxf") return ExchangeFormat::Dxf;
    return ExchangeFormat::Unknown;
}

ImportResult importFile(const std::filesystem::path& file, const ImportOptions& options, Prompter* chooser) {
    ImportResult result;
    const ExchangeFormat format = formatOfPath(file);
    if (format != ExchangeFormat::LandXml && format != ExchangeFormat::PointsCsv) {
        result.status = kExchangeUnknownFormat;
        result.error = file.string() + "：只能导入 LandXML (.xml) 或交点表 (.csv/.tsv/.txt)";
        return result;
    }
    std::string bytes;
    if (!readInput(file, kExchangeFileLimit, bytes, result.fileFailure)) {
        result.status = kExchangeCannotRead;
        result.error = result.fileFailure.message;
        return result;
    }
    if (format == ExchangeFormat::LandXml) return readLandXml(bytes, options, chooser);
    ImportOptions csvOptions = options;
    if (csvOptions.roadName.empty()) csvOptions.roadName = stemName(file);
    return readPointsCsv(bytes, csvOptions);
}

std::string addControlPoints(RoadProject& project, const std::vector<ControlPoint>& points) {
    constexpr std::size_t kNamesListed = 20;
    std::string left;
    std::size_t leftCount = 0;
    for (const ControlPoint& p : points) {
        if (project.controlPoints.size() < kMaxControlPoints) {
            project.controlPoints.push_back(p);
        } else {
            // The first names, not a million of them.
            if (leftCount < kNamesListed) left += (left.empty() ? "" : "、") + p.name.utf8();
            else if (leftCount == kNamesListed) left += "……";
            ++leftCount;
        }
    }
    if (leftCount == 0) return {};
    return "一个项目最多有 " + std::to_string(kMaxControlPoints) + " 个控制点，以下 " + std::to_string(leftCount) +
           " 个未导入：" + left;
}

Name12 uniqueRoadName(const RoadProject& project, const Name12& name) {
    auto taken = [&](const Name12& n) {
        return std::any_of(project.roads.begin(), project.roads.end(), [&](const Road& r) { return r.name == n; });
    };
    if (!taken(name)) return name;
    for (int k = 2;; ++k) {
        const std::string suffix = "_" + std::to_string(k);
        Name12 candidate(text::cutGbk(name.str(), 12 - suffix.size()) + suffix);
        if (!taken(candidate)) return candidate;
    }
}

int importIntoProject(RoadProject& project, const std::filesystem::path& file, Prompter& prompter, int& roadIndex,
                      std::optional<FileCoordinateSystem>* coordinateSystem) {
    ImportOptions options;
    options.precision = project.precision;
    ImportResult result = importFile(file, options, &prompter);
    if (result.status != kExchangeOk) {
        // A file that cannot be read is told in the interface's words; the
        // English message is the command line's.
        if (result.status == kExchangeCannotRead)
            prompter.message(io::cannotOpenText(file.filename().string(), result.fileFailure));
        else if (result.status != kExchangeCancelled)
            prompter.message(result.error);
        return result.status;
    }
    if (coordinateSystem) *coordinateSystem = result.coordinateSystem;
    result.road.name = uniqueRoadName(project, result.road.name);
    project.roads.push_back(std::move(result.road));
    roadIndex = static_cast<int>(project.roads.size()) - 1;
    project.currentRoad = roadIndex;
    std::string left = addControlPoints(project, result.controlPoints);
    if (!left.empty()) result.notes.push_back(left);
    // All notes of one import in one dialog: a box per note would need a
    // click each.
    if (result.notes.size() == 1) {
        prompter.message(result.notes.front());
    } else if (!result.notes.empty()) {
        prompter.showList("导入 " + quotedInput(file.filename().string()) + " 的说明（共 " +
                              std::to_string(result.notes.size()) + " 条）：",
                          result.notes);
    }
    return kExchangeOk;
}

int importToNewProject(const std::filesystem::path& file, const std::filesystem::path& out,
                       const ImportOptions& options, ImportResult& result) {
    std::error_code ec;
    if (std::filesystem::symlink_status(out, ec).type() != std::filesystem::file_type::not_found) {
        result = {};
        result.status = kExchangeOutputExists;
        result.error = out.string() + " 已存在，不覆盖";
        return result.status;
    }
    result = importFile(file, options, nullptr);
    if (result.status != kExchangeOk) return result.status;
    RoadProject project;
    project.precision = options.precision;
    project.roads.push_back(result.road);
    project.currentRoad = 0;
    std::string left = addControlPoints(project, result.controlPoints);
    if (!left.empty()) result.notes.push_back(left);
    for (Road& road : project.roads) {
        sortChainBreaks(road);
        rebuildWidthLinks(road);
        rebuildCrossfallLinks(road);
        sortSlopeAssignments(road);
    }
    std::string bytes;
    writeProject(project, bytes);
    // OUT is created, never replaced: a file that appeared at it while the
    // import ran (the user's, or another import's) stays as it is.
    bool existed = false;
    if (!createOutput(out, bytes, result.fileFailure, existed)) {
        result.status = existed ? kExchangeOutputExists : kExchangeCannotWrite;
        result.error = result.fileFailure.message;
        return result.status;
    }
    return kExchangeOk;
}

ExportResult exportRoads(const RoadProject& project, int roadIndex, const std::filesystem::path& file) {
    ExportResult result;
    const ExchangeFormat format = formatOfPath(file);
    if (format != ExchangeFormat::LandXml && format != ExchangeFormat::Dxf) {
        result.status = kExchangeUnknownFormat;
        result.error = file.string() + "：只能导出 LandXML (.xml) 或 DXF (.dxf)";
        return result;
    }
    std::vector<int> roads;
    if (roadIndex >= 0) {
        if (roadIndex >= static_cast<int>(project.roads.size())) {
            result.status = kExchangeNoRoad;
            result.error = "没有第 " + std::to_string(roadIndex) + " 条路线";
            return result;
        }
        if (project.roads[static_cast<std::size_t>(roadIndex)].elements.empty()) {
            result.status = kExchangeNoRoad;
            result.error = "路线 " + project.roads[static_cast<std::size_t>(roadIndex)].name.utf8() + " 没有线元，无可导出";
            return result;
        }
        roads.push_back(roadIndex);
    } else {
        for (std::size_t i = 0; i < project.roads.size(); ++i) {
            const Road& road = project.roads[i];
            if (road.isManual()) continue;
            if (road.elements.empty()) {
                result.notes.push_back("路线 " + road.name.utf8() + " 没有线元，未导出");
                continue;
            }
            roads.push_back(static_cast<int>(i));
        }
        if (roads.empty()) {
            result.status = kExchangeNoRoad;
            result.error = "项目中没有可导出的路线";
            return result;
        }
    }
    io::FileError& error = result.fileFailure;
    // The drawing is streamed into the file: its size has no bearing on memory.
    const bool written = format == ExchangeFormat::LandXml
                             ? writeOutput(file, writeLandXml(project, roads), error)
                             : writeOutputStream(
                                   file, [&](std::ostream& out) { return writeDxfPlan(project, roads, out); }, error);
    if (!written) {
        result.status = kExchangeCannotWrite;
        result.error = error.message;
        return result;
    }
    result.status = kExchangeOk;
    return result;
}

}  // namespace vornex::exchange
