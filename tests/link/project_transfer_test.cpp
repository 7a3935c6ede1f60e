#include "link/project_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "link_fixture.h"
#include "support/recorded_commands.h"

namespace vornex::link {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::SimBench;
using vornex::testing::readAll;
using vornex::testing::TempDir;
using vornex::testing::writeAll;

// A fake /sys and mount table; the environment points the finder at them.
class FakeSystem {
public:
    FakeSystem() {
        fs::create_directories(sys() / "block");
        ::setenv("VORNEX_SYSFS_ROOT", sys().c_str(), 1);
        ::setenv("VORNEX_MOUNTINFO", (dir_ / "mountinfo").c_str(), 1);
        writeAll(dir_ / "mountinfo", "22 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n");
    }
    ~FakeSystem() {
        ::unsetenv("VORNEX_SYSFS_ROOT");
        ::unsetenv("VORNEX_MOUNTINFO");
    }
    fs::path sys() const { return dir_ / "sys"; }
    fs::path path(const std::string& p) const { return dir_ / p; }

    // A SCSI disk with vendor and model as the kernel pads them; `partition`
    // adds <name>1 holding the file system.
    void scsiDisk(const std::string& name, const std::string& devno, const std::string& vendor,
                  const std::string& model, bool partition) {
        fs::path d = sys() / "block" / name;
        fs::create_directories(d / "device");
        writeAll(d / "device" / "vendor", vendor + "\n");
        writeAll(d / "device" / "model", model + "\n");
        writeAll(d / "dev", devno + "0\n");
        if (partition) {
            fs::create_directories(d / (name + "1"));
            writeAll(d / (name + "1") / "partition", "1\n");
            writeAll(d / (name + "1") / "dev", devno + "1\n");
        }
    }
    // A disk known only by its USB parent's ids, linked as the kernel links it.
    void usbDisk(const std::string& name, const std::string& devno, const std::string& product) {
        fs::path usb = sys() / "devices" / "pci0" / ("usb-" + name);
        fs::path scsi = usb / "1-1:1.0" / "host3" / "target3" / "3:0:0:0";
        fs::create_directories(scsi / "block" / name);
        writeAll(usb / "idVendor", "07cf\n");
        writeAll(usb / "idProduct", product + "\n");
        writeAll(scsi / "vendor", "USB     \n");
        writeAll(scsi / "model", "Mass Storage\n");
        writeAll(scsi / "block" / name / "dev", devno + "0\n");
        fs::create_directory_symlink(scsi, scsi / "block" / name / "device");
        fs::create_directory_symlink(scsi / "block" / name, sys() / "block" / name);
    }
    void mount(const std::string& devno, const std::string& escapedPoint) {
        std::ofstream(dir_ / "mountinfo", std::ios::app)
            << "40 22 " << devno << " / " << escapedPoint << " rw,nosuid - vfat /dev/x rw\n";
    }

    // A colour calculator "sdX" whose file system is the folder `point` (made
    // here): its device number is that of the folder, as for a real mount.
    fs::path mountedDrive(const std::string& name, const std::string& point) {
        fs::create_directories(path(point));
        const std::string devno = devnoOf(path(point));
        fs::path d = sys() / "block" / name;
        fs::create_directories(d / "device");
        writeAll(d / "device" / "vendor", "CASIO\n");
        writeAll(d / "device" / "model", "ColorGraph\n");
        writeAll(d / "dev", devno + "\n");
        mount(devno, path(point).string());
        return path(point);
    }
    static std::string devnoOf(const fs::path& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    }

private:
    TempDir dir_;
};

TEST(DriveFinderTest, PicksTheFirstColorGraphThatIsMounted) {
    FakeSystem f;
    f.scsiDisk("sda", "8:", "ATA     ", "Disk", true);
    f.scsiDisk("sdb", "8:1", "CASIO   ", "Other product   ", false);  // not the colour calculator
    f.mount("8:10", f.path("other").string());
    EXPECT_EQ(FindColorGraphDrive(), "");

    f.usbDisk("sdd", "8:4", "6103");
    f.mount("8:40", f.path("usb").string());
    EXPECT_EQ(FindColorGraphDrive(), f.path("usb").string());

    f.scsiDisk("sdc", "8:3", "CASIO   ", " ColorGraph     ", true);  // partitioned, blank in the mount point
    f.mount("8:31", f.path("CG").string() + "\\04020");
    EXPECT_EQ(FindColorGraphDrive(), f.path("CG 20").string());
    const ColorGraphDrive cg = findColorGraph();
    EXPECT_EQ(cg.deviceNode, "/dev/sdc1");  // what is mounted
    EXPECT_EQ(cg.diskNode, "/dev/sdc");     // what is powered off
}

TEST(DriveFinderTest, OtherUsbProductsAndUnmountedDisksAreSkipped) {
    FakeSystem f;
    f.usbDisk("sdb", "8:1", "6101");  // the storage-memory model is no drive
    f.mount("8:10", f.path("b").string());
    f.scsiDisk("sdc", "8:3", "CASIO", "ColorGraph", false);  // not mounted
    EXPECT_EQ(FindColorGraphDrive(), "");
    f.usbDisk("sdaa", "65:16", "6102");  // sorts after sdz, as the kernel counts
    f.mount("65:160", f.path("aa").string());
    EXPECT_EQ(FindColorGraphDrive(), f.path("aa").string());
}

TEST(ProjectTransferTest, ColorGraphCopy) {
    FakeSystem f;
    TempDir work;
    vornex::testing::ScriptedPrompter prompter;
    fs::create_directories(work / "工程");
    writeAll(work / "工程" / "ABCDEFGHI.rod", patternBytes(3000));
    int saves = 0;
    ProjectSource project{(work / "工程" / "ABCDEFGHI.rod").string(), true, [&] { return ++saves > 0; }};

    EXPECT_FALSE(sendProjectToColorGraph(project, prompter));  // no drive yet, but saved first
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(prompter.shown.back(), "fx-CG20计算器没有连接.");

    f.mountedDrive("sdb", "cg");
    prompter.yesNoAnswers = {true};  // create ROAD
    EXPECT_TRUE(sendProjectToColorGraph(project, prompter));
    EXPECT_EQ(readAll(f.path("cg") / "ROAD" / "ABCDEFGHI.rod"), patternBytes(3000));
    EXPECT_EQ(prompter.shown.back(), "项目文件传送成功。");
    EXPECT_EQ(saves, 1);

    writeAll(work / "工程" / "ABCDEFGHI.rod", "changed");
    prompter.yesNoAnswers = {false};  // do not replace
    EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
    EXPECT_EQ(prompter.shown.back(), "文件<ABCDEFGHI.rod>已经存在，是否覆盖？");
    EXPECT_EQ(readAll(f.path("cg") / "ROAD" / "ABCDEFGHI.rod"), patternBytes(3000));
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(sendProjectToColorGraph(project, prompter));
    EXPECT_EQ(readAll(f.path("cg") / "ROAD" / "ABCDEFGHI.rod"), "changed");
    EXPECT_EQ(std::distance(fs::directory_iterator(f.path("cg") / "ROAD"), fs::directory_iterator()), 1);

    bool opened = false;
    EXPECT_TRUE(openColorGraphDrive(prompter, [&](const std::string& p) { return opened = p == f.path("cg").string(); }));
    EXPECT_TRUE(opened);
}

TEST(ProjectTransferTest, ColorGraphPresentButNotMountedSaysHowToMountIt) {
    TempDir work;
    writeAll(work / "K1.rod", "bytes");
    ProjectSource project{(work / "K1.rod").string(), false, {}};
    struct Case {
        bool partitioned;
        std::string node;
    };
    for (const Case& c : {Case{true, "/dev/sdc1"}, Case{false, "/dev/sdc"}}) {
        FakeSystem f;
        f.scsiDisk("sdc", "8:3", "CASIO", "ColorGraph", c.partitioned);
        vornex::testing::ScriptedPrompter prompter;
        const std::string expected = "fx-CG20计算器已连接，但没有挂载。\n请用以下命令挂载：udisksctl mount -b " + c.node;
        EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
        EXPECT_EQ(prompter.shown, std::vector<std::string>{expected});
        EXPECT_FALSE(openColorGraphDrive(prompter, [](const std::string&) { return true; }));
        EXPECT_EQ(prompter.shown.back(), expected);
    }
}

TEST(ProjectTransferTest, MountPointThatNoLongerLeadsToTheDriveIsNeverWritten) {
    TempDir work;
    writeAll(work / "K1.rod", "bytes");
    ProjectSource project{(work / "K1.rod").string(), false, {}};
    const std::string notMounted = "fx-CG20计算器已连接，但没有挂载。\n请用以下命令挂载：udisksctl mount -b /dev/sdb";
    {
        // The mount table still names a mount point that is gone: it is not made again.
        FakeSystem f;
        f.scsiDisk("sdb", "8:1", "CASIO", "ColorGraph", false);
        f.mount("8:10", f.path("media/cg").string());
        vornex::testing::ScriptedPrompter prompter;
        prompter.yesNoAnswers = {true};
        EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
        EXPECT_EQ(prompter.shown, std::vector<std::string>{notMounted});
        EXPECT_FALSE(fs::exists(f.path("media")));
    }
    {
        // The mount point exists but belongs to another file system (a later mount hides the drive).
        FakeSystem f;
        f.scsiDisk("sdb", "8:1", "CASIO", "ColorGraph", false);
        fs::create_directories(f.path("cg"));
        f.mount("8:10", f.path("cg").string());
        vornex::testing::ScriptedPrompter prompter;
        prompter.yesNoAnswers = {true};
        EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
        EXPECT_EQ(prompter.shown, std::vector<std::string>{notMounted});
        EXPECT_TRUE(fs::is_empty(f.path("cg")));
    }
}

TEST(ProjectTransferTest, FailedColorGraphCopyIsReportedAndLeavesTheDriveAsItWas) {
    FakeSystem f;
    const fs::path cg = f.mountedDrive("sdb", "cg");
    TempDir work;
    vornex::testing::ScriptedPrompter prompter;
    fs::create_directories(cg / "ROAD" / "K1.rod");  // a folder has the project's name
    writeAll(work / "K1.rod", "new bytes");
    ProjectSource project{(work / "K1.rod").string(), false, {}};
    prompter.yesNoAnswers = {true};  // replace
    EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
    const fs::path target = cg / "ROAD" / "K1.rod";
    EXPECT_EQ(prompter.shown.back(),
              "不能复制项目文件到" + target.string() + "。\ncannot write " + target.string() + ": Is a directory");
    EXPECT_TRUE(fs::is_directory(target));

    // A read-only copy on the drive is not replaced.
    fs::remove(target);
    writeAll(target, "old bytes");
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read);
    prompter.yesNoAnswers = {true};
    EXPECT_FALSE(sendProjectToColorGraph(project, prompter));
    EXPECT_NE(prompter.shown.back().find("Permission denied (the file is read-only)"), std::string::npos);
    EXPECT_EQ(readAll(target), "old bytes");
    EXPECT_EQ(std::distance(fs::directory_iterator(cg / "ROAD"), fs::directory_iterator()), 1);
}

TEST(ProjectTransferTest, ColorGraphCopyTakesLongNamesAndSweepsInterruptedCopies) {
    FakeSystem f;
    const fs::path cg = f.mountedDrive("sdb", "cg");
    fs::create_directories(cg / "ROAD");
    // Left by an interrupted copy of an earlier version, long ago.
    writeAll(cg / "ROAD" / ".K1.rod.123456.part", "half");
    struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
    ::utimensat(AT_FDCWD, (cg / "ROAD" / ".K1.rod.123456.part").c_str(), old, 0);

    TempDir work;
    const std::string name = std::string(251, 'L') + ".rod";  // 255 bytes
    writeAll(work / name, "long");
    ProjectSource project{(work / name).string(), false, {}};
    vornex::testing::ScriptedPrompter prompter;
    EXPECT_TRUE(sendProjectToColorGraph(project, prompter));
    EXPECT_EQ(readAll(cg / "ROAD" / name), "long");
    EXPECT_EQ(std::distance(fs::directory_iterator(cg / "ROAD"), fs::directory_iterator()), 1);
}

TEST(ProjectTransferTest, RefusalsBeforeAnythingHappens) {
    FakeSystem f;
    vornex::testing::ScriptedPrompter prompter;
    int saves = 0;
    ProjectSource unsaved{"", true, [&] { return ++saves > 0; }};
    EXPECT_FALSE(sendProjectToColorGraph(unsaved, prompter));
    SimBench b;
    TransferDialogModel d(b.link, prompter);
    EXPECT_FALSE(prepareProjectTransfer(unsaved, prompter, d));
    ProjectSource chinese{"/tmp/x/测量.rod", true, [&] { return ++saves > 0; }};
    EXPECT_FALSE(sendProjectToColorGraph(chinese, prompter));
    EXPECT_EQ(prompter.shown, (std::vector<std::string>{"请先保存项目文件。", "请先保存项目文件。",
                                                        "fx CG20不支持项目文件名为中文, 只能是英文和数字。"}));
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(b.sim->hostPackets().empty());  // the link was never opened
    EXPECT_FALSE(openColorGraphDrive(prompter, [](const std::string&) { return true; }));
    EXPECT_EQ(prompter.shown.back(), "fx-CG20计算器没有连接.");
}

TEST(ProjectTransferTest, SendToStorageMemory) {
    SimBench b;
    writeAll(b.pc / "K1.rod", patternBytes(2500));
    writeAll(b.pc / "ABCDEFGHI.rod", patternBytes(10));
    int saves = 0;
    ProjectSource project{(b.pc / "K1.rod").string(), true, [&] { return ++saves > 0; }};
    {
        TransferDialogModel d(b.link, b.prompter);
        ASSERT_TRUE(prepareProjectTransfer(project, b.prompter, d));
        EXPECT_EQ(saves, 1);
        EXPECT_EQ(d.caption, "传送项目文件<K1.rod>");
        d.start();
        d.runWorkerToEnd();
        EXPECT_EQ(d.result(), TransferDialogModel::Result::Ok);
    }
    EXPECT_FALSE(b.link.isOpen());
    EXPECT_EQ(readAll(b.storage / "ROAD" / "K1.rod"), patternBytes(2500));

    // 13 bytes is too long for storage memory (the fx-CG20 copy takes it).
    ProjectSource longName{(b.pc / "ABCDEFGHI.rod").string(), false, {}};
    TransferDialogModel d(b.link, b.prompter);
    ASSERT_TRUE(prepareProjectTransfer(longName, b.prompter, d));
    d.start();
    EXPECT_EQ(d.result(), TransferDialogModel::Result::Cancel);
    EXPECT_EQ(b.prompter.shown.back(), "目标文件名太长: ABCDEFGHI.rod\n计算器只允许12个字符的文件名");
}

TEST(ProjectTransferTest, FailedSaveStopsTheTransfer) {
    SimBench b;
    writeAll(b.pc / "K1.rod", "old bytes");
    ProjectSource project{(b.pc / "K1.rod").string(), true, [] { return false; }};
    TransferDialogModel d(b.link, b.prompter);
    EXPECT_FALSE(prepareProjectTransfer(project, b.prompter, d));
    EXPECT_FALSE(sendProjectToColorGraph(project, b.prompter));
    EXPECT_TRUE(b.sim->hostPackets().empty());
}

using FakeCommands = vornex::testing::RecordedCommands;

TEST(ProjectTransferTest, EjectOfferAfterTheColorGraphCopy) {
    FakeSystem f;
    TempDir work;
    writeAll(work / "K1.rod", "project bytes");
    ProjectSource project{(work / "K1.rod").string(), false, {}};
    f.mountedDrive("sdb", "cg");
    fs::create_directories(f.path("cg") / "ROAD");
    vornex::testing::ScriptedPrompter prompter;
    ColorGraphDrive used;
    ASSERT_TRUE(sendProjectToColorGraph(project, prompter, &used));
    EXPECT_EQ(used.mountPoint, f.path("cg").string());

    const std::string unmount = "udisksctl unmount -b /dev/sdc1";
    const std::string powerOff = "udisksctl power-off -b /dev/sdc";
    struct Case {
        const char* what;
        bool yes;
        bool present;
        std::vector<int> statuses;
        bool ejected;
        std::vector<std::string> ran;
        std::string message;  // shown after the question; empty: none
    } cases[] = {
        {"declined", false, true, {}, false, {}, ""},
        {"ejected", true, true, {0, 0}, true, {unmount, powerOff}, kEjected},
        {"no udisksctl", true, false, {}, false, {}, "请用以下命令弹出fx-CG20计算器：\n" + unmount + "\n" + powerOff},
        {"busy drive", true, true, {1}, false, {unmount},
         "不能卸载fx-CG20计算器（可能有程序正在使用它）。\n关闭这些程序后，请用以下命令弹出：\n" + unmount + "\n" + powerOff},
        {"no power-off", true, true, {0, 1}, true, {unmount, powerOff},
         "fx-CG20计算器已卸载，可以拔下。\n（不能为它断电：" + powerOff + " 没有成功。）"},
    };
    // A partitioned drive: the partition is unmounted, the whole disk powered off.
    used.deviceNode = "/dev/sdc1";
    used.diskNode = "/dev/sdc";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vornex::testing::ScriptedPrompter p;
        p.yesNoAnswers = {c.yes};
        FakeCommands commands;
        commands.present = c.present;
        commands.statuses = c.statuses;
        EXPECT_EQ(offerColorGraphEject(used, p, commands), c.ejected);
        ASSERT_FALSE(p.shown.empty());
        EXPECT_EQ(p.shown.front(), kEjectQuestion);
        EXPECT_EQ(commands.ran, c.ran);
        EXPECT_EQ(p.shown.size(), c.message.empty() ? 1u : 2u);
        if (!c.message.empty()) {
            EXPECT_EQ(p.shown.back(), c.message);
        }
    }
}

TEST(ProjectTransferTest, RealCommandsFindAndRunPrograms) {
    SystemCommands& real = realSystemCommands();
    EXPECT_TRUE(real.available("sh"));
    EXPECT_FALSE(real.available("vornex-no-such-program"));
    EXPECT_FALSE(real.available("/bin/sh"));  // a name, not a path
    EXPECT_EQ(real.run({"sh", "-c", "exit 3"}), 3);
    EXPECT_EQ(real.run({"vornex-no-such-program"}), -1);
}

}  // namespace
}  // namespace vornex::link
