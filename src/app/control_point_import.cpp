#include "app/control_point_import.h"

#include <QFileInfo>

#include <filesystem>
#include <string>
#include <vector>

#include "app/document_controller.h"
#include "exchange/exchange.h"
#include "exchange/geographic_points.h"
#include "exchange/notes.h"
#include "io/file_problem_text.h"
#include "io/read.h"

namespace vornex::app {

bool importGeographicControlPoints(DocumentController& controller, const QString& path) {
    Prompter& prompter = controller.prompter();
    const std::optional<geodesy::CoordinateSystem>& system = controller.coordinateSystem();
    if (!system) {
        prompter.message("项目还没有坐标系：请先在项目属性的“坐标系”中选择椭球和投影带，再从经纬度导入控制点。");
        return false;
    }
    std::string bytes;
    io::FileError error;
    if (!io::readFile(std::filesystem::path(path.toStdU16String()), bytes, error,
                      {.maxBytes = exchange::kGeographicFileLimit})) {
        prompter.message("不能读取点文件“" + QFileInfo(path).fileName().toStdString() + "”：" + fileProblemText(error) + "。");
        return false;
    }
    const exchange::GeographicImport read = exchange::readGeographicControlPoints(bytes, *system);
    const std::string file = exchange::quotedInput(QFileInfo(path).fileName().toStdString());
    if (read.points.empty()) {
        if (read.problems.empty()) prompter.message("“" + file + "”中没有点。");
        else prompter.showList("“" + file + "”中没有可导入的点：", read.problems);
        return false;
    }
    std::string left;
    const std::size_t before = controller.project().controlPoints.size();
    const bool added = controller.edit(QStringLiteral("从经纬度导入"), EditScope::ControlPoints, change::kTable, -1, [&] {
        left = exchange::addControlPoints(controller.doc().project(), read.points);
    });
    std::vector<std::string> report = read.problems;
    report.insert(report.end(), read.notes.begin(), read.notes.end());
    if (!left.empty()) report.push_back(left);
    if (!report.empty())
        prompter.showList("从“" + file + "”导入 " + std::to_string(controller.project().controlPoints.size() - before) +
                              " 个控制点（项目坐标系：" + geodesy::describeSystem(*system) + "）。说明：",
                          report);
    return added;
}

}  // namespace vornex::app
