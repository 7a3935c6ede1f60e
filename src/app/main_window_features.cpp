// The main window's commands beyond the document: the drawing row (plan, profile
// and cross section of the current road), the route query, the looks, printing
// and export of the shown table, and help.
#include <chrono>
#include <future>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QUrl>

#include "app/dialogs/coordinate_conversion.h"
#include "app/dialogs/query_route.h"
#include "app/looks.h"
#include "app/main_window.h"
#include "app/project_system.h"
#include "app/survey_controller.h"
#include "app/table_view.h"
#include "app/views/drawing_pane.h"
#include "exchange/exchange.h"
#include "grid/grid_printer.h"
#include "io/file_problem_text.h"
#include "tables/data_tables.h"
#include "text/version.h"

#ifndef VORNEX_SOURCE_DIR
#define VORNEX_SOURCE_DIR ""
#endif

namespace vornex::app {

namespace {

// Hints the drawing row shows in red for the data nodes that explain themselves.
QString hintFor(int code) {
    if (code == table_code::kChainBreaks)
        return QStringLiteral("输入断链的开始桩号，用实数表示。如K123+456.789输入为123456.789");
    if (code == table_code::kControlPoints)
        return QStringLiteral(
            "一个项目文件可以包含20个的控制点数据，控制点可以在计算器的测站设置和放样功能中按[OPTN]键进行调用。");
    return {};
}

// The user guide: installed beside the program (share/doc/vornex/guide), else in the source tree.
QString guidePath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/../share/doc/vornex/guide/index.html"),
                                     QStringLiteral(VORNEX_SOURCE_DIR "/docs/index.html")})
        if (QFileInfo::exists(candidate)) return QFileInfo(candidate).canonicalFilePath();
    return {};
}

}  // namespace

// The project's web address.
const char* const kWebsite = "https://vornex.example.org/";

void MainWindow::connectFeatures() {
    // The drawing row follows the document and reports the mouse and clicks.
    connect(controller_, &DocumentController::changed, this, [this] { refreshDrawing(); });
    connect(controller_, &DocumentController::documentReplaced, this, [this] { refreshDrawing(); });
    connect(drawingPane_, &DrawingPane::mouseAt, this, [this](const QString& station, double offset, double x, double y) {
        QString text = QStringLiteral("X %1  Y %2").arg(x, 0, 'f', 3).arg(y, 0, 'f', 3);
        if (!station.isEmpty())
            text = QStringLiteral("桩号 %1  偏距 %2  ").arg(station).arg(offset, 0, 'f', 3) + text;
        statusBar()->showMessage(text);
    });
    connect(drawingPane_, &DrawingPane::elementClicked, this,
            [this](int element) { selectClickedRecord(table_code::kElements, element); });
    connect(drawingPane_, &DrawingPane::intersectionPointClicked, this,
            [this](int point) { selectClickedRecord(table_code::kIntersectionPoints, point); });
    // The cross section steps by the coordinate table's interval.
    drawingPane_->setInterval(tableView_->coordinateInterval());
    connect(tableView_, &TableView::intervalChanged, drawingPane_, &DrawingPane::setInterval);
    refreshDrawing();

    // 查询线路: the dialog over the current road; a point found shows in the cross section.
    QAction* query = action("queryRoute");
    connect(query, &QAction::triggered, this, [this] {
        const CVornexPcDoc& doc = controller_->doc();
        if (!doc.currentRoad()) {
            prompter_->message("请先建立或打开一条路线。");
            return;
        }
        CQueryRoute dialog(controller_->project(), controller_->project().currentRoad, queryMemory_, *prompter_, this);
        connect(&dialog, &CQueryRoute::pointComputed, this,
                [this](double chainage, double offset, std::optional<double> z) {
                    drawingPane_->showPoint(chainage, offset, z);
                });
        dialog.exec();
    });

    // 工具 → 坐标转换: a menu of its own before 视图.
    {
        auto* tools = new QMenu(QStringLiteral("工具(&T)"), this);
        tools->setObjectName(QStringLiteral("tools"));
        tools->setAccessibleName(QStringLiteral("工具"));
        menuBar()->insertMenu(menu(QStringLiteral("view"))->menuAction(), tools);
        menus_.insert(QStringLiteral("tools"), tools);
        QAction* convert = makeAction("coordinateConversion", QStringLiteral("坐标转换(&C)..."),
                                      QStringLiteral("经纬度与高斯坐标互换、换带，给出比例因子和子午线收敛角"));
        tools->addAction(convert);
        connect(convert, &QAction::triggered, this, [this] {
            CCoordinateConversion dialog(*prompter_, this);
            if (const auto& system = controller_->coordinateSystem()) dialog.setSystem(*system);
            dialog.exec();
        });
        // A control file without a 边长归算 of its own starts from the project's system.
        auto followProject = [this] { survey_->setDefaultSystem(controller_->coordinateSystem()); };
        connect(controller_, &DocumentController::coordinateSystemChanged, this, followProject);
        followProject();
    }

    // 应用程序外观: nine looks, the ribbon-era four in their own submenu.
    QSettings settings;
    const int look = storedLook(settings);
    applyLook(*qApp, look);
    auto* looks = new QMenu(this);
    looks->setAccessibleName(QStringLiteral("应用程序外观"));
    QMenu* office2007 = nullptr;
    auto* group = new QActionGroup(this);
    for (const LookChoice& choice : lookChoices()) {
        QMenu* into = looks;
        if (choice.inOffice2007Menu) {
            if (!office2007) {
                office2007 = looks->addMenu(QStringLiteral("Office 2007(&7)"));
                office2007->setAccessibleName(QStringLiteral("Office 2007"));
            }
            into = office2007;
        }
        QAction* a = into->addAction(QString::fromUtf8(choice.label));
        a->setCheckable(true);
        a->setChecked(choice.id == look);
        a->setData(choice.id);
        a->setObjectName(QStringLiteral("look%1").arg(choice.id));
        group->addAction(a);
        connect(a, &QAction::triggered, this, [id = choice.id] {
            applyLook(*qApp, id);
            QSettings s;
            storeLook(s, id);
        });
    }
    action("looks")->setMenu(looks);

    // Printing and export of the shown table (a survey table names its data file).
    auto title = [this] {
        PrintTitle t;
        const CVornexPcDoc& doc = controller_->doc();
        const QString file = currentModule() == 0 ? controller_->filePath() : survey_->filePath(currentModule());
        t.project = file.isEmpty() ? std::string() : QFileInfo(file).fileName().toStdString();
        if (doc.currentRoad() && currentModule() == 0) t.road = doc.currentRoad()->name.utf8();
        t.table = shownTableTitle().toStdString();
        return t;
    };
    auto hasTable = [this] { return shownGrid().columnCount() > 0; };
    QAction* print = action("print");
    connect(print, &QAction::triggered, this, [this, title, hasTable] {
        if (hasTable()) printGrid(this, shownGrid(), title());
    });
    QAction* preview = action("printPreview");
    connect(preview, &QAction::triggered, this, [this, title, hasTable] {
        if (hasTable()) previewGrid(this, shownGrid(), title());
    });
    QAction* exportTable = makeAction("exportTable", QStringLiteral("导出表格(&B)..."),
                                      QStringLiteral("把当前表格导出为 PDF 或 CSV 文件"));
    menu("file")->insertAction(print, exportTable);
    connect(exportTable, &QAction::triggered, this, [this, title, hasTable] {
        if (!hasTable()) return;
        const QString suggested = shownTableTitle() + QStringLiteral(".csv");
        const QString path = QString::fromStdString(prompter_->saveFileName(
            suggested.toStdString(), "CSV 文件 (*.csv);;PDF 文件 (*.pdf)"));
        if (path.isEmpty()) return;
        QString error;
        const bool pdf = path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
        const bool ok = pdf ? exportPdf(path, shownGrid(), title(), &error) : exportCsv(path, shownGrid(), &error);
        if (!ok) prompter_->message(("导出失败：" + error).toStdString());
        else statusBar()->showMessage(QStringLiteral("已导出 %1").arg(path), 5000);
    });
    auto updatePrinting = [this, hasTable, print, preview, exportTable] {
        for (QAction* a : {print, preview, exportTable}) a->setEnabled(hasTable());
    };
    connect(controller_, &DocumentController::changed, this, updatePrinting);
    connect(controller_, &DocumentController::documentReplaced, this, updatePrinting);
    connect(survey_, &SurveyController::changed, this, updatePrinting);
    connect(survey_, &SurveyController::selectionChanged, this, updatePrinting);
    connect(this, &MainWindow::moduleChanged, this, updatePrinting);
    updatePrinting();

    // 导入 / 导出: a LandXML or CSV road added to the open project (one undo step),
    // the current road written as LandXML or DXF.
    QAction* importAction = action("import");
    connect(importAction, &QAction::triggered, this, [this] {
        const std::string path = prompter_->openFileName("LandXML 或交点文件 (*.xml *.landxml *.csv *.tsv *.txt)");
        if (path.empty()) return;
        int road = -1, status = 0;
        std::optional<exchange::FileCoordinateSystem> fileSystem;
        controller_->edit(QStringLiteral("导入"), EditScope::Project, change::kEverything, -1, [&] {
            status = exchange::importIntoProject(controller_->doc().project(), path, *prompter_, road, &fileSystem);
        });
        if (status >= 0 && road >= 0) controller_->setCurrentRoad(road);
        // A grid the file names may become the project's system (the user is asked).
        if (status == exchange::kExchangeOk) offerFileSystem(*controller_, fileSystem);
    });
    QAction* exportAction = action("export");
    connect(exportAction, &QAction::triggered, this, [this] {
        const CVornexPcDoc& doc = controller_->doc();
        if (!doc.currentRoad()) {
            prompter_->message("请先建立或打开一条路线。");
            return;
        }
        const std::string path = prompter_->saveFileName(doc.currentRoad()->name.utf8() + ".xml",
                                                         "LandXML 文件 (*.xml);;DXF 文件 (*.dxf)");
        if (path.empty()) return;
        // A long road's drawing takes a while: it is written on a worker from a
        // copy of the project, while a busy dialog keeps the window alive.
        auto job = std::async(std::launch::async, [project = controller_->project(), path] {
            return exchange::exportRoads(project, project.currentRoad, path);
        });
        if (job.wait_for(std::chrono::milliseconds(200)) != std::future_status::ready) {
            QProgressDialog busy(QStringLiteral("正在导出 %1 …").arg(QString::fromStdString(path)), QString(), 0, 0, this);
            busy.setWindowModality(Qt::WindowModal);
            busy.setMinimumDuration(0);
            busy.setAccessibleName(QStringLiteral("正在导出"));
            busy.show();
            while (job.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
                QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        const exchange::ExportResult r = job.get();
        for (const std::string& note : r.notes) prompter_->message(note);
        if (r.status == exchange::kExchangeCannotWrite && r.fileFailure.failed())
            prompter_->message("导出文件“" + QFileInfo(QString::fromStdString(path)).fileName().toStdString() + "”失败：" +
                               io::fileProblemText(r.fileFailure) + "。");
        else if (r.status < 0)
            prompter_->message("导出失败：" + r.error);
        else statusBar()->showMessage(QStringLiteral("已导出 %1").arg(QString::fromStdString(path)), 5000);
    });

    // Help: the user guide, the web site, the about box.
    QAction* help = action("help");
    connect(help, &QAction::triggered, this, [this] {
        const QString path = guidePath();
        if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            prompter_->message("找不到帮助文件，或没有可以打开它的浏览器。");
    });
    QAction* website = action("website");
    connect(website, &QAction::triggered, this, [] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kWebsite))); });
    QAction* about = action("about");
    connect(about, &QAction::triggered, this, [this] {
        QMessageBox::about(this, QStringLiteral("关于沃尼克斯"), aboutText());
    });
}

QString aboutText() {
    return QStringLiteral("<h3>沃尼克斯 道路测设工作台</h3>"
                          "<p>版本 %1（窗口标题所示版本 %2）</p>"
                          "<p>道路线形与设计高程计算、水准网和平面控制网平差、计算器传输。</p>"
                          "<p>本程序是自由软件，按 GNU 通用公共许可证第 2 版或（由您选择）任何更高版本"
                          "（GPL-2.0-or-later）发布，不提供任何担保。许可证全文见随程序提供的 LICENSE 文件。</p>")
        .arg(QString::fromUtf8(kProgramVersion), QString::fromUtf8(kTitleVersion));
}

QString applicationTitle() { return QStringLiteral("沃尼克斯") + QString::fromUtf8(kTitleVersion); }

void MainWindow::refreshDrawing() {
    if (!drawingPane_) return;
    const CVornexPcDoc& doc = controller_->doc();
    drawingPane_->setRoad(doc.currentRoad(), controller_->project().precision);
    drawingPane_->setHint(hintFor(doc.currentTable));
    // A tunnel-section template or one of its contours selected: its drawing.
    const TunnelTemplate* t = nullptr;
    const int code = doc.currentTable;
    const int index = controller_->viewState().tunnelTemplate;
    if (doc.currentRoad() && (code == table_code::kExcavationContour || code == table_code::kPrimaryContour ||
                              code == table_code::kSecondaryContour || code == table_code::kTunnelTemplates) &&
        index >= 0 && index < static_cast<int>(doc.currentRoad()->tunnelTemplates.size()))
        t = &doc.currentRoad()->tunnelTemplates[static_cast<std::size_t>(index)];
    drawingPane_->setTunnelTemplate(t);
}

void MainWindow::selectClickedRecord(int code, int record) {
    // A click on the plan selects the record's row when its table is shown.
    if (effectiveTableCode(controller_->doc()) != code) return;
    const Grid& grid = tableView_->grid();
    for (int row = 0; row < grid.rowCount(); ++row)
        if (grid.rows[static_cast<std::size_t>(row)].recordIndex == record) {
            QTableView* table = tableView_->table();
            table->setCurrentIndex(table->model()->index(row, 0));
            table->scrollTo(table->currentIndex());
            return;
        }
}

}  // namespace vornex::app
