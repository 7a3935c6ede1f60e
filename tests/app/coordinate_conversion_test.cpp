// 工具 → 坐标转换 and the per-file 边长归算 of the control pane, as a user meets them.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSettings>

#include <gtest/gtest.h>

#include "app/dialogs/coordinate_conversion.h"
#include "app/survey_controller.h"
#include "grid/grid_view.h"
#include "app/main_window.h"
#include "app/property_grid.h"
#include "app/survey_views.h"
#include "app_fixture.h"
#include "tables/survey_tables.h"
#include "text/text.h"

namespace vornex::app {
namespace {

template <class W>
W* named(QWidget* parent, const QString& name) {
    for (W* w : parent->findChildren<W*>())
        if (w->accessibleName() == name) return w;
    return nullptr;
}

TEST(CoordinateConversionDialog, ConvertsTypedPointsAndNamesBadLines) {
    testing::ScriptedPrompter prompter;
    CCoordinateConversion dialog(prompter);
    named<QComboBox>(&dialog, QStringLiteral("椭球"))->setCurrentIndex(2);  // 北京54
    named<QComboBox>(&dialog, QStringLiteral("投影带"))->setCurrentIndex(1);  // 6°
    named<QLineEdit>(&dialog, QStringLiteral("带号"))->setText(QStringLiteral("19"));
    named<QCheckBox>(&dialog, QStringLiteral("Y 坐标加带号"))->setChecked(true);
    dialog.input()->setPlainText(QStringLiteral("K1,30.3,114.2\nP2,95,114\n"));
    ASSERT_TRUE(dialog.convert());
    const Grid& g = dialog.table()->grid();
    ASSERT_EQ(g.rowCount(), 1);
    EXPECT_EQ(g.columns[1].caption, "X(m)");
    EXPECT_EQ(g.cell(0, 1).text, "3380330.7730");  // the textbook example
    EXPECT_EQ(g.cell(0, 2).text, "19820089.9696");
    ASSERT_EQ(dialog.problems().size(), 1);
    EXPECT_TRUE(dialog.problems()[0].startsWith(QStringLiteral("第 2 行：P2：纬度超出")));

    // A wrong file's thousands of skipped lines: ten named, the rest counted.
    QString wrong;
    for (int i = 0; i < 5000; ++i) wrong += QStringLiteral("P%1,95,114\n").arg(i);
    dialog.input()->setPlainText(wrong);
    ASSERT_TRUE(dialog.convert());
    EXPECT_EQ(dialog.problems().size(), 5000);
    const QString status = named<QLabel>(&dialog, QStringLiteral("转换信息"))->text();
    EXPECT_EQ(status.count(QLatin1Char('\n')), 10);
    EXPECT_TRUE(status.endsWith(QStringLiteral("以及另外 4990 行被跳过"))) << status.right(40).toStdString();
    dialog.input()->setPlainText(QStringLiteral("K1,30.3,114.2\nP2,95,114\n"));
    ASSERT_TRUE(dialog.convert());

    // A zone that does not exist is refused with a message, the table kept.
    named<QLineEdit>(&dialog, QStringLiteral("带号"))->setText(QStringLiteral("61"));
    EXPECT_FALSE(dialog.convert());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(dialog.table()->grid().rowCount(), 1);

    // Back from the grid to latitude and longitude.
    named<QLineEdit>(&dialog, QStringLiteral("带号"))->setText(QStringLiteral("19"));
    named<QComboBox>(&dialog, QStringLiteral("输入"))->setCurrentIndex(1);
    dialog.input()->setPlainText(QStringLiteral("K1 3380330.7730 19820089.9696"));
    ASSERT_TRUE(dialog.convert());
    EXPECT_EQ(dialog.table()->grid().columns[1].caption, "B");
    EXPECT_EQ(dialog.table()->grid().cell(0, 1).text, "30.300000000");
}

// 边长归算 chosen in the control pane: kept in the settings under the file's
// path (the file's bytes untouched), applied again when the file is opened.
TEST(ControlReductionSetting, KeptPerFileAndAppliedOnOpen) {
    testing::isolateSettings();
    QSettings().remove(QString::fromLatin1(kReductionGroup));
    testing::TempDir dir;
    const auto con = dir / "demo.con";
    std::filesystem::copy_file(std::filesystem::path(VORNEX_SOURCE_DIR) / "examples" / "demo.con", con);
    const std::string bytes = testing::readAll(con);
    const QString path = QString::fromStdString(con.string());
    testing::ScriptedAppPrompter prompter;
    MainWindow window(&prompter);
    ASSERT_TRUE(window.openFile(path));
    PropertyGrid* pane = window.planeView()->properties();
    const SurveyController& survey = window.survey();
    EXPECT_EQ(pane->value(QStringLiteral("reduce")), QStringLiteral("不归算"));
    EXPECT_TRUE(pane->isHidden(QStringLiteral("zone")));  // the details show once the distances are reduced
    EXPECT_EQ(buildControlTable(survey.control(), survey_table::kDistances).columns.size(), 7u);

    ASSERT_TRUE(pane->enter(QStringLiteral("zoneWidth"), QStringLiteral("3°带")));
    ASSERT_TRUE(pane->enter(QStringLiteral("zone"), QStringLiteral("39")));
    ASSERT_TRUE(pane->enter(QStringLiteral("meanElevation"), QStringLiteral("1500")));
    ASSERT_TRUE(pane->enter(QStringLiteral("reduce"), QStringLiteral("归算到投影面")));
    testing::settle();
    EXPECT_TRUE(prompter.shown.empty()) << prompter.shown.front();
    ASSERT_TRUE(survey.control().reduced.applied);
    EXPECT_FALSE(pane->isHidden(QStringLiteral("zone")));
    EXPECT_EQ(survey.reduction().system.zone, 39);
    const Grid distances = buildControlTable(survey.control(), survey_table::kDistances);
    EXPECT_EQ(distances.columns[3].caption, "归算边长(m)");
    EXPECT_EQ(testing::readAll(con), bytes);

    // A zone that does not exist, or a height that is no finite number, is
    // refused and told; the choice stays.
    const ProjectionReduction chosen = survey.reduction();
    for (const auto& [id, text] : {std::pair{"zone", "130"}, std::pair{"meanElevation", "nan"},
                                   std::pair{"projectionHeight", "inf"}, std::pair{"projectionHeight", "12m"}}) {
        prompter.shown.clear();
        ASSERT_TRUE(pane->enter(QString::fromLatin1(id), QString::fromLatin1(text))) << id;
        testing::settle();
        EXPECT_EQ(prompter.shown.size(), 1u) << id << " " << text;
        EXPECT_EQ(survey.reduction(), chosen) << id << " " << text;
    }

    // Another window opening the same file adjusts it reduced.
    MainWindow second(&prompter);
    ASSERT_TRUE(second.openFile(path));
    EXPECT_TRUE(second.survey().control().reduced.applied);
    EXPECT_EQ(second.survey().reduction().meanElevation, 1500);
    EXPECT_EQ(second.planeView()->properties()->value(QStringLiteral("reduce")), QStringLiteral("归算到投影面"));
}

}  // namespace
}  // namespace vornex::app
