#include "link/project_transfer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "link_fixture.h"

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

    f.scsiDisk("sdb", "8:1", "CASIO", "ColorGraph", false);
    fs::create_directories(f.path("cg"));
    f.mount("8:10", f.path("cg").string());
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

}  // namespace
}  // namespace vornex::link
