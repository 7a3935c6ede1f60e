// 文件 → 导入观测数据 as a user meets it: the raw file chosen, the dialog filled
// and accepted, the new survey file open in its module.
#include <QAction>
#include <QComboBox>
#include <QTableWidget>

#include <gtest/gtest.h>

#include "app/dialogs/raw_import_dialog.h"
#include "app/survey_controller.h"
#include "app_fixture.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;

class MainWindowRaw : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        window = std::make_unique<MainWindow>(&prompter);
    }
    TempDir dir;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowRaw, LevelLineOpensInTheLevelingModuleWithItsOrder) {
    // BM1 (typed 50.000) -> 7 -> BM2, one BF station each side of turning point 7.
    testing::writeAll(dir / "line.gsi",
                      "410001+000000BF \n"
                      "110002+00000BM1 83..10+00050000 \n"
                      "110003+00000BM1 32...0+00002000 331..0+00001500 \n"
                      "110004+00000007 32...0+00002000 332..0+00001200 \n"
                      "110005+00000007 32...0+00002000 331..0+00001400 \n"
                      "110006+00000BM2 32...0+00002000 332..0+00001300 \n");
    prompter.fileNames = {(dir / "line.gsi").string(), (dir / "line").string()};
    testing::answerNextModal([](QWidget* w) {
        auto* d = qobject_cast<RawImportDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->knownTable(), nullptr);
        d->orderBox()->setCurrentText(QStringLiteral("三等"));
        d->accept();
    });
    ASSERT_TRUE(window->importRawData()) << ::testing::PrintToString(prompter.shown);
    EXPECT_TRUE(std::filesystem::exists(dir / "line.lev"));  // the extension added
    EXPECT_EQ(window->currentModule(), 1);
    const SurveyNetwork& net = window->survey().leveling().network;
    EXPECT_EQ(net.leveling.levelClass, 1);
    ASSERT_EQ(net.sections.size(), 1u);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(prompter.shown.back().find("1 个转点"), std::string::npos) << prompter.shown.back();

    // Again into the same file: refused, the file kept.
    const std::string before = testing::readAll(dir / "line.lev");
    prompter.fileNames = {(dir / "line.gsi").string(), (dir / "line.lev").string()};
    testing::answerNextModal([](QWidget* w) { qobject_cast<RawImportDialog*>(w)->accept(); });
    EXPECT_FALSE(window->importRawData());
    EXPECT_NE(prompter.shown.back().find("已存在，不覆盖"), std::string::npos) << prompter.shown.back();
    EXPECT_EQ(testing::readAll(dir / "line.lev"), before);

    // A raw file that cannot be read is named with its reason.
    std::filesystem::create_directory(dir / "folder.gsi");
    prompter.fileNames = {(dir / "folder.gsi").string()};
    EXPECT_FALSE(window->importRawData());
    EXPECT_EQ(prompter.shown.back(), "导入观测数据失败：无法打开文件“folder.gsi”：这是一个文件夹，不是文件。");
}

TEST_F(MainWindowRaw, TotalStationFileTakesTheKnownPointsOfTheTable) {
    testing::writeAll(dir / "ts.gsi",
                      "110001+0000000A 88...0+00001500 \n"
                      "110002+0000000B 21.104+00000000 22.104+09000000 32...0+00100000 \n"
                      "110003+0000000C 21.104+09000000 22.104+09000000 32...0+00050000 \n");
    prompter.fileNames = {(dir / "ts.gsi").string(), (dir / "ts.con").string()};
    testing::answerNextModal([](QWidget* w) {
        auto* d = qobject_cast<RawImportDialog*>(w);
        ASSERT_NE(d, nullptr);
        ASSERT_NE(d->knownTable(), nullptr);
        const char* rows[2][3] = {{"A", "1000", "1000"}, {"B", "1100", "1000"}};
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c) d->knownTable()->setItem(r, c, new QTableWidgetItem(QString::fromUtf8(rows[r][c])));
        d->accept();
    });
    ASSERT_TRUE(window->importRawData()) << ::testing::PrintToString(prompter.shown);
    EXPECT_EQ(window->currentModule(), 2);
    const ControlModule& m = window->survey().control();
    ASSERT_EQ(m.network.knownPoints.size(), 2u);
    const int c = m.plane.findPoint("C");
    ASSERT_GE(c, 0);
    EXPECT_NEAR(m.plane.coordinates[static_cast<std::size_t>(c)].y, 1050.0, 1e-4);
}

}  // namespace
}  // namespace vornex::app
