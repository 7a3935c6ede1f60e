#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/dialogs/casio_com_dialog.h"
#include "app/dialogs/casio_explor.h"
#include "app_fixture.h"
#include "calc_fixture.h"
#include "link/calculator_link.h"

namespace vornex::app {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempDir;

// The application's one link goes to a simulated calculator storing here; it
// is chosen once per process, on first use.
const fs::path& simStorage() {
    static TempDir dir;
    static const fs::path storage = [] {
        const fs::path s = dir / "calc";
        fs::create_directories(s);
        ::setenv("VORNEX_LINK", ("sim:" + s.string()).c_str(), 1);
        return s;
    }();
    return storage;
}

class MainWindowCalcTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        for (const auto& e : fs::directory_iterator(simStorage())) fs::remove_all(e.path());
        file = testing::writeDemo(dir);
        window = std::make_unique<MainWindow>(&prompter);
        window->show();
    }
    void TearDown() override { CCasioComDialog::waitForPendingCancels(); }

    TempDir dir;
    fs::path file;
    testing::ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowCalcTest, CommandsAreEnabled) {
    for (const char* name : {"calcSend", "calcExplorer", "calcOptimize", "cgSend", "cgExplorer"})
        EXPECT_TRUE(window->action(name)->isEnabled()) << name;
}

TEST_F(MainWindowCalcTest, SendsTheProjectFileIntoRoad) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    fs::create_directories(simStorage() / "ROAD");
    QString title;
    testing::answerNextModal([&](QWidget* w) {
        auto* d = qobject_cast<CCasioComDialog*>(w);
        ASSERT_NE(d, nullptr);
        title = d->windowTitle();
        QTest::mouseClick(d->startButton(), Qt::LeftButton);
    });
    window->action("calcSend")->trigger();
    EXPECT_EQ(title, QStringLiteral("传送项目文件<demo.rod>"));
    EXPECT_EQ(readBytes(simStorage() / "ROAD" / "demo.rod"), readBytes(file));
    EXPECT_EQ(prompter.shown.back(), "传输文件成功. ");
}

TEST_F(MainWindowCalcTest, ModifiedProjectIsSavedBeforeItIsSent) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    const std::string before = readBytes(file);
    prompter.passwords = {{true, "road7"}};
    window->action("password")->trigger();
    ASSERT_TRUE(window->controller().modified());
    fs::create_directories(simStorage() / "ROAD");
    testing::answerNextModal([](QWidget* w) {
        if (auto* d = qobject_cast<CCasioComDialog*>(w)) QTest::mouseClick(d->startButton(), Qt::LeftButton);
    });
    window->action("calcSend")->trigger();
    EXPECT_FALSE(window->controller().modified());
    EXPECT_NE(readBytes(file), before);
    EXPECT_EQ(readBytes(simStorage() / "ROAD" / "demo.rod"), readBytes(file));
}

TEST_F(MainWindowCalcTest, NeverSavedProjectIsNotSent) {
    window->action("calcSend")->trigger();
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"请先保存项目文件。"});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowCalcTest, OptimizeTellsTheUserWithTheNormalCursor) {
    window->action("calcOptimize")->trigger();
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"计算器存储内存正在优化..."});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowCalcTest, ExplorerListsTheCalculator) {
    fs::create_directories(simStorage() / "ROAD");
    testing::writeBytes(simStorage() / "ROAD" / "K1.rod", "abc");
    QStringList folders;
    testing::answerNextModal([&](QWidget* w) {
        auto* e = qobject_cast<CCasioExplor*>(w);
        ASSERT_NE(e, nullptr);
        auto* root = e->folderTree()->topLevelItem(0);
        folders << root->text(0);
        for (int i = 0; i < root->childCount(); ++i) folders << root->child(i)->text(0);
        e->accept();
    });
    window->action("calcExplorer")->trigger();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("根目录"), QStringLiteral("ROAD")}));
}

TEST_F(MainWindowCalcTest, ColourCalculatorCommandsWithoutADrive) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    TempDir sys;
    fs::create_directories(sys / "block");
    testing::writeBytes(sys / "mountinfo", "");
    ::setenv("VORNEX_SYSFS_ROOT", sys.path().c_str(), 1);
    ::setenv("VORNEX_MOUNTINFO", (sys / "mountinfo").c_str(), 1);
    window->action("cgSend")->trigger();
    window->action("cgExplorer")->trigger();
    ::unsetenv("VORNEX_SYSFS_ROOT");
    ::unsetenv("VORNEX_MOUNTINFO");
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{"fx-CG20计算器没有连接.", "fx-CG20计算器没有连接."}));
}

}  // namespace
}  // namespace vornex::app
