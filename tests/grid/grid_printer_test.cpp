#include "grid/grid_printer.h"

#include <QApplication>
#include <QBuffer>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <QImage>
#include <QPdfWriter>
#include <gtest/gtest.h>

#include "document/project_file.h"
#include "support/run_cli.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"

namespace vornex {
namespace {

using testing::TempDir;

const std::string kDemo = VORNEX_SOURCE_DIR "/examples/demo.rod";

RoadProject demo() {
    RoadProject p;
    testing::ScriptedPrompter prompter;
    EXPECT_GT(readProject(p, std::filesystem::path(kDemo), prompter), 0);
    return p;
}

bool havePoppler() { return std::system("pdftotext -v >/dev/null 2>&1") == 0; }

// Text of a PDF as pdftotext extracts it, and its page count.
std::string pdfText(const TempDir& dir, const QByteArray& pdf) {
    testing::writeAll(dir / "t.pdf", pdf.toStdString());
    const std::string cmd = "pdftotext -layout " + (dir / "t.pdf").string() + " " + (dir / "t.txt").string();
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return testing::readAll(dir / "t.txt");
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(GridPrinter, TitleLine) {
    EXPECT_EQ(titleLine({"demo.rod", "主线", "逐桩坐标表", "2026-12-10"}),
              "项目：demo.rod    道路：主线    逐桩坐标表    2026-12-10");
    EXPECT_EQ(titleLine({"", "", "点位误差", "2026-01-02"}), "项目：无标题    点位误差    2026-01-02");
    EXPECT_EQ(titleLine({"a.con", "", "", ""}).size(), QStringLiteral("项目：a.con    2026-12-10").size());
}

TEST(GridPrinter, CoordinateTablePdfHoldsTitleCaptionsAndRowsOnEveryPage) {
    if (!havePoppler()) GTEST_SKIP() << "pdftotext is not installed";
    RoadProject p = demo();
    const Grid g = buildRoadTable(p, 0, table_code::kCoordinates);
    ASSERT_GT(g.rowCount(), 2);
    const QByteArray pdf = renderPdf(g, {"demo.rod", "主线", "逐桩坐标表", "2026-12-10"});
    ASSERT_TRUE(pdf.startsWith("%PDF"));
    TempDir dir;
    const std::string text = pdfText(dir, pdf);
    EXPECT_NE(text.find("项目：demo.rod"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("道路：主线"), std::string::npos);
    EXPECT_NE(text.find("逐桩坐标表"), std::string::npos);
    EXPECT_NE(text.find("2026-12-10"), std::string::npos);
    for (const GridColumn& c : g.columns) EXPECT_NE(text.find(c.caption), std::string::npos) << c.caption;
    auto shown = [&](const std::string& cell) {
        return text.find(QString::fromStdString(cell).trimmed().toStdString()) != std::string::npos;
    };
    for (int r = 0; r < 2; ++r)
        for (const GridCell& c : g.rows[static_cast<std::size_t>(r)].cells) EXPECT_TRUE(shown(c.text)) << c.text;
    EXPECT_TRUE(shown(g.rows.back().cells[0].text));
    // Title and header rows repeat on each page; the foot counts the pages.
    const int pages = count(text, "\f");
    ASSERT_GE(pages, 1);
    EXPECT_EQ(count(text, "逐桩坐标表"), pages);
    EXPECT_EQ(count(text, g.columns[1].caption), pages);
    EXPECT_NE(text.find("共 " + std::to_string(pages) + " 页"), std::string::npos);
}

TEST(GridPrinter, WideTableTurnsLandscapeAndScalesWithoutCutting) {
    if (!havePoppler()) GTEST_SKIP() << "pdftotext is not installed";
    for (int columns : {12, 40}) {
        SCOPED_TRACE(columns);
        Grid g;
        for (int c = 0; c < columns; ++c) g.columns.push_back({"列" + std::to_string(c + 1), 90, ""});
        GridRow& row = g.addRow(0);
        for (int c = 0; c < columns; ++c) row.cells[static_cast<std::size_t>(c)].text = "v" + std::to_string(c + 1);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setResolution(300);
            EXPECT_EQ(paintGrid(&writer, g, {"x.rod", "", "宽表", "2026-12-10"}), 1);
            EXPECT_EQ(writer.pageLayout().orientation(), QPageLayout::Landscape);
        }
        TempDir dir;
        const std::string text = pdfText(dir, buffer.data());
        EXPECT_NE(text.find("列" + std::to_string(columns)), std::string::npos);
        EXPECT_NE(text.find("v" + std::to_string(columns)), std::string::npos);
    }
    // A narrow table stays upright.
    Grid narrow;
    narrow.columns = {{"点名", 80, ""}};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    EXPECT_EQ(paintGrid(&writer, narrow, {}), 1);  // an empty table still prints its header
    EXPECT_EQ(writer.pageLayout().orientation(), QPageLayout::Portrait);
}

TEST(GridPrinter, RedMarksPrintRed) {
    if (!havePoppler()) GTEST_SKIP() << "pdftoppm is not installed";
    Grid g;
    g.columns = {{"闭合差", 80, ""}};
    for (bool red : {false, true}) {
        g.addRow(-1).cells[0] = GridCell{};
        g.rows.back().cells[0].text = "超限超限超限超限";
        g.rows.back().cells[0].red = red;
    }
    auto redPixels = [](const Grid& grid) {
        TempDir dir;
        testing::writeAll(dir / "r.pdf", renderPdf(grid, {"a.con", "", "t", "2026-12-10"}).toStdString());
        const std::string cmd =
            "pdftoppm -png -r 60 -singlefile " + (dir / "r.pdf").string() + " " + (dir / "r").string();
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        QImage image(QString::fromStdString((dir / "r.png").string()));
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 180 && c.green() < 110 && c.blue() < 110) ++n;
            }
        return n;
    };
    EXPECT_GT(redPixels(g), 10);
    g.rows[1].cells[0].red = false;
    EXPECT_EQ(redPixels(g), 0);
}

TEST(GridPrinter, CsvExportEqualsTheCommandLine) {
    RoadProject p = demo();
    DataTableContext ctx;
    ctx.road = 0;  // editable: the table has the empty row for a new record
    struct Case {
        const char* name;
        Grid grid;
    };
    const Case cases[] = {
        {"coordinates", buildRoadTable(p, 0, table_code::kCoordinates)},
        {"grade-points", buildDataTable(p, table_code::kGradePoints, ctx)},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::CliRun cli = testing::runCli(dir.path(), "table " + kDemo + " " + c.name + " --format csv");
        ASSERT_EQ(cli.status, 0) << cli.err;
        const std::string csv = csvExport(c.grid);
        EXPECT_EQ(csv, "\xEF\xBB\xBF" + cli.out);
        QString error;
        ASSERT_TRUE(exportCsv(QString::fromStdString((dir / "t.csv").string()), c.grid, &error));
        EXPECT_EQ(testing::readAll(dir / "t.csv"), csv);
    }
}

TEST(GridPrinter, PreviewShowsThePages) {
    RoadProject p = demo();
    const Grid g = buildRoadTable(p, 0, table_code::kCoordinates);
    int pages = -1;
    QString title;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>()) pages = preview->pageCount();
        dialog->close();
    });
    previewGrid(nullptr, g, {"demo.rod", "主线", "逐桩坐标表", ""});
    EXPECT_EQ(title, "打印预览");
    EXPECT_GE(pages, 1);
}

TEST(GridPrinter, FailedExportSaysWhyAndWritesNothing) {
    TempDir dir;
    const std::filesystem::path missing = dir / "no-such-folder" / "t.csv";
    QString error;
    EXPECT_FALSE(exportCsv(QString::fromStdString(missing.string()), Grid{}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("无法写入文件"))) << error.toStdString();
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A file in the way of a folder: the PDF is refused too, the file untouched.
    testing::writeAll(dir / "plain", "keep");
    EXPECT_FALSE(exportPdf(QString::fromStdString((dir / "plain" / "t.pdf").string()), Grid{}, {}, &error));
    EXPECT_EQ(testing::readAll(dir / "plain"), "keep");

    // A folder as the target is refused; an existing file is replaced whole.
    EXPECT_FALSE(exportCsv(QString::fromStdString(dir.path().string()), Grid{}, &error));
    EXPECT_TRUE(error.contains(QString::fromStdString(dir.path().string()))) << error.toStdString();
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
    ASSERT_TRUE(exportCsv(QString::fromStdString((dir / "plain").string()), Grid{}, &error));
    EXPECT_EQ(testing::readAll(dir / "plain"), "\xEF\xBB\xBF\r\n");  // the (empty) header record
}

}  // namespace
}  // namespace vornex
