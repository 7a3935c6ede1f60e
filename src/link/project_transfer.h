// Putting the open project file onto a calculator, byte for byte, into the
// folder "ROAD": into the storage memory of an fx-9860G-family calculator
// through the transfer dialog, or onto an fx-CG20, which shows itself as a USB
// mass-storage drive. Also the finder of that drive.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "link/storage.h"
#include "model/prompter.h"

namespace vornex {
class CVornexPcDoc;
}

namespace vornex::link {

inline constexpr const char* kProjectFolder = "ROAD";

// What the transfer needs of the project document.
struct ProjectSource {
    std::string pathName;        // the project file; empty when never saved
    bool modified = false;       // unsaved changes
    std::function<bool()> save;  // saves under pathName; true on success
};

// The document's project saved under `pathName` (the document keeps no path itself).
ProjectSource projectSourceOf(CVornexPcDoc& doc, std::string pathName);

// Send to fx-9860G: checks and saves the project, then fills `dialog` (kind
// send, folder "ROAD", the file name unchanged, its caption). False when there
// is nothing to run (never saved, or saving failed).
bool prepareProjectTransfer(ProjectSource& project, Prompter& prompter, TransferDialogModel& dialog);

// The first fx-CG20 drive (lowest device name). A disk of /sys/block counts
// when its SCSI vendor and model, blank-trimmed, are "CASIO" and "ColorGraph",
// or when its USB parent is 07cf:6102 or 07cf:6103. VORNEX_SYSFS_ROOT replaces
// /sys and VORNEX_MOUNTINFO /proc/self/mountinfo.
struct ColorGraphDrive {
    bool connected = false;   // such a disk is present
    std::string mountPoint;   // where the disk or one of its partitions is mounted; empty: not mounted
    unsigned long long device = 0;  // the mounted device's number (st_dev of files on it)
    std::string deviceNode;   // what to mount when it is not mounted: "/dev/sdb1" (the first partition) or "/dev/sdb"
                              // when mounted: the mounted device
    std::string diskNode;     // the whole disk: "/dev/sdb"
};
ColorGraphDrive findColorGraph();

// Mount point of the first fx-CG20 drive, or empty.
std::string FindColorGraphDrive();

// "fx-CG20计算器已连接，但没有挂载。\n请用以下命令挂载：udisksctl mount -b /dev/sdb1"
std::string notMountedMessage(const ColorGraphDrive& drive);

// Send to fx-CG20: copies the project file to <drive>/ROAD/<file name>, asking
// before creating the folder or replacing a file. Only ROAD is ever created,
// and only on the drive that was found: a mount point that no longer leads to
// it (unmounted meanwhile, or hidden by a later mount) is refused. The copy goes
// through the writing door (temporary file, fsync, rename, folder fsync). True
// when the file was copied.
// `used` (when given) receives the drive the file was copied onto.
bool sendProjectToColorGraph(ProjectSource& project, Prompter& prompter, ColorGraphDrive* used = nullptr);

// The programs the calculator commands start (udisksctl to eject the
// colour calculator). Tests replace them; the real ones use PATH.
struct SystemCommands {
    virtual ~SystemCommands() = default;
    // True when `program` is an executable file in one of PATH's folders.
    virtual bool available(const std::string& program);
    // Runs argv[0], found on PATH, with the other words as its arguments and
    // waits for it: its exit status, or -1 when it could not be started or was killed.
    virtual int run(const std::vector<std::string>& argv);
};
SystemCommands& realSystemCommands();

// After a copy onto the colour calculator: flushes the drive's file system,
// then asks whether to eject it. Yes unmounts it and powers it off with
// udisksctl when that is on PATH, and otherwise shows the commands that would.
// True when the drive was ejected.
bool offerColorGraphEject(const ColorGraphDrive& drive, Prompter& prompter, SystemCommands& commands);

// The questions and messages of the eject.
inline constexpr const char* kEjectQuestion = "项目文件已写入fx-CG20计算器。\n是否弹出计算器（卸载并断电），以便安全拔下？";
inline constexpr const char* kEjected = "fx-CG20计算器已弹出，可以拔下。";

// Opens the fx-CG20 drive with `open` (the desktop's file manager by default).
bool openColorGraphDrive(Prompter& prompter, const std::function<bool(const std::string&)>& open = {});

}  // namespace vornex::link
