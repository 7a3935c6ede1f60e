#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdlib>

#include "app/dialogs/casio_com_dialog.h"
#include "app/dialogs/casio_explor.h"
#include "app_fixture.h"
#include "calc_fixture.h"
#include "link/calculator_link.h"
#include "link/project_transfer.h"
#include "support/recorded_commands.h"

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
        ASSERT_TRUE(testing::pumpUntil([&] { return e->exchangesRunning() == 0; }));  // the listing runs on a worker
        auto* root = e->folderTree()->topLevelItem(0);
        folders << root->text(0);
        for (int i = 0; i < root->childCount(); ++i) folders << root->child(i)->text(0);
        e->accept();
    });
    window->action("calcExplorer")->trigger();
    EXPECT_EQ(folders, (QStringList{QStringLiteral("根目录"), QStringLiteral("ROAD")}));
}

// A fake /sys and mount table for the colour-calculator finder; the
// environment points at them while the object lives.
struct FakeDriveTree {
    TempDir dir;
    FakeDriveTree() {
        fs::create_directories(dir / "sys" / "block");
        testing::writeBytes(dir / "mountinfo", "");
        ::setenv("VORNEX_SYSFS_ROOT", (dir / "sys").c_str(), 1);
        ::setenv("VORNEX_MOUNTINFO", (dir / "mountinfo").c_str(), 1);
    }
    ~FakeDriveTree() {
        ::unsetenv("VORNEX_SYSFS_ROOT");
        ::unsetenv("VORNEX_MOUNTINFO");
    }
    // The calculator's disk "sdb"; its device number is `devno` ("8:16").
    fs::path disk(const std::string& devno, bool partition) {
        const fs::path d = dir / "sys" / "block" / "sdb";
        fs::create_directories(d / "device");
        testing::writeBytes(d / "device" / "vendor", "CASIO   \n");
        testing::writeBytes(d / "device" / "model", "ColorGraph      \n");
        testing::writeBytes(d / "dev", devno + "\n");
        if (partition) {
            fs::create_directories(d / "sdb1");
            testing::writeBytes(d / "sdb1" / "partition", "1\n");
            testing::writeBytes(d / "sdb1" / "dev", devno + "1\n");
        }
        return d;
    }
    // The disk mounted on a folder of ours: the folder's own device number is the disk's.
    fs::path mountedDisk() {
        const fs::path point = dir / "drive";
        fs::create_directories(point);
        struct stat st {};
        ::stat(point.c_str(), &st);
        const std::string devno = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
        disk(devno, false);
        testing::writeBytes(dir / "mountinfo", "40 22 " + devno + " / " + point.string() + " rw - vfat /dev/sdb rw\n");
        return point;
    }
};

using testing::RecordedCommands;

TEST_F(MainWindowCalcTest, ColourCalculatorNotMountedSaysHowToMountIt) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    FakeDriveTree tree;
    tree.disk("8:16", true);
    window->action("cgSend")->trigger();
    window->action("cgExplorer")->trigger();
    const std::string expected = "fx-CG20计算器已连接，但没有挂载。\n请用以下命令挂载：udisksctl mount -b /dev/sdb1";
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{expected, expected}));
}

TEST_F(MainWindowCalcTest, ColourCalculatorCopyAsksThenOffersTheEject) {
    ASSERT_TRUE(window->openFile(QString::fromStdString(file.string())));
    FakeDriveTree tree;
    const fs::path drive = tree.mountedDisk();
    RecordedCommands commands;
    window->setSystemCommands(&commands);
    const fs::path road = drive / "ROAD";
    const std::string bytes = readBytes(file);

    // ROAD is created on request; the eject is declined.
    prompter.yesNoAnswers = {true, false};
    window->action("cgSend")->trigger();
    EXPECT_EQ(readBytes(road / "demo.rod"), bytes);
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{"文件夹<" + road.string() + ">不存在，是否创建？",
                                                        "项目文件传送成功。", link::kEjectQuestion}));
    EXPECT_TRUE(commands.ran.empty());

    // The file on the drive is kept when replacing is declined.
    testing::writeBytes(road / "demo.rod", "older copy");
    prompter.shown.clear();
    prompter.yesNoAnswers = {false};
    window->action("cgSend")->trigger();
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"文件<demo.rod>已经存在，是否覆盖？"});
    EXPECT_EQ(readBytes(road / "demo.rod"), "older copy");

    // Replaced, then ejected with udisksctl.
    prompter.shown.clear();
    prompter.yesNoAnswers = {true, true};
    window->action("cgSend")->trigger();
    EXPECT_EQ(readBytes(road / "demo.rod"), bytes);
    EXPECT_EQ(commands.ran,
              (std::vector<std::string>{"udisksctl unmount -b /dev/sdb", "udisksctl power-off -b /dev/sdb"}));
    EXPECT_EQ(prompter.shown.back(), link::kEjected);

    // Without udisksctl the commands are shown instead.
    commands.ran.clear();
    commands.present = false;
    prompter.shown.clear();
    prompter.yesNoAnswers = {true, true};
    window->action("cgSend")->trigger();
    EXPECT_TRUE(commands.ran.empty());
    EXPECT_EQ(prompter.shown.back(),
              "请用以下命令弹出fx-CG20计算器：\nudisksctl unmount -b /dev/sdb\nudisksctl power-off -b /dev/sdb");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
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
