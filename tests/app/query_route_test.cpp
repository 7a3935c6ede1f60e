#include "app/dialogs/query_route.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

#include "document/project_file.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"

namespace vornex::app {
namespace {

using vornex::testing::ScriptedPrompter;

RoadProject demo() {
    RoadProject p;
    ScriptedPrompter prompter;
    EXPECT_GT(readProject(p, std::filesystem::path(VORNEX_SOURCE_DIR) / "examples/demo.rod", prompter), 0);
    return p;
}

QLineEdit* edit(QDialog& d, const char* name) {
    auto* e = d.findChild<QLineEdit*>(QString::fromUtf8(name));
    EXPECT_NE(e, nullptr) << name;
    return e;
}

void type(QLineEdit* e, const QString& text) {
    e->clear();
    QTest::keyClicks(e, text);
}

TEST(QueryRoute, ComputesByStationAndByCoordinatesAsTheCommandLineDoes) {
    RoadProject project = demo();
    RouteQueryMemory memory;
    ScriptedPrompter prompter;
    CQueryRoute dialog(project, 0, memory, prompter);
    dialog.show();

    type(edit(dialog, "桩号"), "15100");
    type(edit(dialog, "偏距"), "3.5");
    type(edit(dialog, "角度"), "270");
    // Enter in a field computes (the default button).
    QTest::keyClick(edit(dialog, "角度"), Qt::Key_Return);

    StationQuery q{"15100", 3.5, 270, std::nullopt};
    RouteQueryResult expected = queryByStation(project, 0, q);
    ASSERT_TRUE(expected.found);
    for (const auto& [name, value] : routeQueryFields(project.roads[0], expected, false)) {
        QString shown = dialog.fieldText(QString::fromStdString(name));
        EXPECT_EQ(shown.trimmed(), QString::fromStdString(value).trimmed()) << name;
    }
    EXPECT_EQ(edit(dialog, "坐标X")->text(), QString::number(expected.x, 'f', 4));

    // By coordinates: the point just found, 2 m further left, comes back on the same station.
    for (auto* r : dialog.findChildren<QRadioButton*>())
        if (r->text() == QStringLiteral("坐标")) r->setChecked(true);
    CoordinateQuery cq{expected.leftX, expected.leftY, std::nullopt};
    type(edit(dialog, "坐标X"), QString::number(cq.x, 'f', 4));
    type(edit(dialog, "坐标Y"), QString::number(cq.y, 'f', 4));
    for (auto* b : dialog.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("计算")) QTest::mouseClick(b, Qt::LeftButton);
    RouteQueryResult byXy = queryByCoordinates(project, 0, {std::atof(edit(dialog, "坐标X")->text().toUtf8()),
                                                            std::atof(edit(dialog, "坐标Y")->text().toUtf8()),
                                                            std::nullopt});
    ASSERT_TRUE(byXy.found);
    EXPECT_EQ(dialog.fieldText(QStringLiteral("桩号")).trimmed(), QStringLiteral("K15+100.000"));
    EXPECT_EQ(edit(dialog, "桩号")->text(), QStringLiteral("15100.000"));

    // Copy gives the command line's lines.
    dialog.copyResults();
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("桩号\t")));
    EXPECT_TRUE(prompter.shown.empty());

    // Reopening shows the last query of the road.
    CQueryRoute again(project, 0, memory, prompter);
    EXPECT_EQ(edit(again, "桩号")->text(), QStringLiteral("15100.000"));
    EXPECT_TRUE(again.findChildren<QRadioButton*>().size() >= 4);
}

TEST(QueryRoute, TunnelReportAndBreaksInATunnel) {
    RoadProject project = demo();
    RouteQueryMemory memory;
    ScriptedPrompter prompter;
    CQueryRoute dialog(project, 0, memory, prompter);
    type(edit(dialog, "桩号"), "15300");
    type(edit(dialog, "偏距"), "5.5");
    type(edit(dialog, "角度"), "90");
    type(edit(dialog, "坐标Z"), "111.634");
    dialog.compute();
    EXPECT_TRUE(dialog.tunnelReport().contains(QStringLiteral("隧道参数"))) << dialog.tunnelReport().toStdString();
    EXPECT_FALSE(dialog.fieldText(QStringLiteral("向外(欠)")).contains(QStringLiteral("------")));
    EXPECT_TRUE(prompter.shown.empty());  // the report is in the dialog, not a message box

    // A station that cannot be read says so and fills nothing.
    type(edit(dialog, "桩号"), "abc");
    dialog.compute();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(dialog.fieldText(QStringLiteral("坐标X")).isEmpty());
}

TEST(QueryRoute, BatchWritesTheOutputFile) {
    RoadProject project = demo();
    RouteQueryMemory memory;
    ScriptedPrompter prompter;
    vornex::testing::TempDir dir;
    const std::string input = (dir / "pts.txt").string();
    vornex::testing::writeAll(dir / "pts.txt", "P1,0,0,0\nshort,1,2\n");
    CQueryRoute dialog(project, 0, memory, prompter);
    EXPECT_EQ(dialog.runBatch(QString::fromStdString(input)), 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "pts0.txt"));
    EXPECT_EQ(prompter.shown.back(), "计算完成。");
    EXPECT_EQ(prompter.messageKinds.back(), PromptIcon::Information);

    // The progress box, once shown, has closed before the message comes.
    {
        std::string some;
        for (int i = 0; i < 5000; ++i) some += "P,3402000," + std::to_string(501000 + i % 1000) + ",100\n";
        vornex::testing::writeAll(dir / "pts.txt", some);
        bool shownWhileRunning = false, progressAtMessage = true;
        QTimer::singleShot(0, &dialog, [&] {
            if (auto* progress = dialog.findChild<QProgressDialog*>()) {
                progress->show();
                shownWhileRunning = true;
            }
        });
        prompter.onMessage = [&](std::string_view) {
            auto* progress = dialog.findChild<QProgressDialog*>();
            progressAtMessage = progress && progress->isVisible();
        };
        EXPECT_EQ(dialog.runBatch(QString::fromStdString(input)), 5000);
        prompter.onMessage = nullptr;
        EXPECT_TRUE(shownWhileRunning);
        EXPECT_FALSE(progressAtMessage);
        EXPECT_EQ(prompter.shown.back(), "计算完成。");
    }

    // The progress dialog's cancel stops a long batch and leaves no output.
    std::filesystem::remove(dir / "pts0.txt");
    std::string lines;
    for (int i = 0; i < 200000; ++i) lines += "P,3402000," + std::to_string(501000 + i % 1000) + ",100\n";
    vornex::testing::writeAll(dir / "pts.txt", lines);
    // Cancelled at the first turn of the progress dialog's loop: a timer of a
    // fixed length would race a batch that finishes sooner.
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w)) progress->cancel();
    });
    EXPECT_EQ(dialog.runBatch(QString::fromStdString(input)), kBatchCancelled);
    EXPECT_EQ(prompter.shown.back(), kBatchCancelledText);
    EXPECT_FALSE(std::filesystem::exists(dir / "pts0.txt"));
}

}  // namespace
}  // namespace vornex::app
