#include "link/project_transfer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "io/read.h"
#include "io/write.h"
#include "text/text.h"

extern char** environ;

namespace vornex::link {

namespace fs = std::filesystem;

namespace {

const char* const kSaveFirst = "请先保存项目文件。";
const char* const kNoColorGraph = "fx-CG20计算器没有连接.";

std::string fileNameOf(const std::string& path) {
    auto pos = path.find_last_of('/');
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

// Saves a modified project; false when saving failed (the copy would be stale).
bool saveIfModified(ProjectSource& project) {
    if (!project.modified) return true;
    if (!project.save || !project.save()) return false;
    project.modified = false;
    return true;
}

// Copies through the writing door: a temporary beside the target, flushed to
// the device before it takes the target's name, then the folder flushed, so an
// unplugged calculator never holds half a file nor loses the new name.
bool copyWhole(const fs::path& from, const fs::path& to, io::FileError& error) {
    io::InputFile in;
    if (!in.open(from, io::kProjectFileLimit)) {
        error = in.error();
        return false;
    }
    return io::writeFile(
        to,
        [&](io::OutputFile& out) {
            char buf[65536];
            for (;;) {
                const std::size_t n = in.read(buf, sizeof buf);
                if (n > 0 && !out.write(buf, n)) return false;
                if (in.failed()) {
                    out.fail(in.error().code, in.error().message);
                    return false;
                }
                if (n < sizeof buf) return true;
            }
        },
        error);
}

// A folder on the drive that was found: a mount point that leads elsewhere now
// (the drive was unmounted, or a later mount hides it) is not the drive.
bool onDrive(const fs::path& folder, const ColorGraphDrive& drive) {
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           static_cast<unsigned long long>(st.st_dev) == drive.device;
}

bool openWithDesktop(const std::string& path) {
    pid_t pid = 0;
    std::string prog = "xdg-open";
    std::string arg = path;
    char* argv[] = {prog.data(), arg.data(), nullptr};
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

}  // namespace

bool prepareProjectTransfer(ProjectSource& project, Prompter& prompter, TransferDialogModel& dialog) {
    if (project.pathName.empty()) {
        prompter.message(kSaveFirst);
        return false;
    }
    if (!saveIfModified(project)) return false;
    std::string name = fileNameOf(project.pathName);
    dialog.kind = TransferKind::Send;
    dialog.source = project.pathName;
    dialog.folder = kProjectFolder;
    dialog.target = name;
    dialog.caption = text::format("传送项目文件<%s>", name.c_str());
    return true;
}

bool sendProjectToColorGraph(ProjectSource& project, Prompter& prompter, ColorGraphDrive* used) {
    if (project.pathName.empty()) {
        prompter.message(kSaveFirst);
        return false;
    }
    std::string name = fileNameOf(project.pathName);
    for (unsigned char c : name) {
        if (c >= 0x80) {
            prompter.message("fx CG20不支持项目文件名为中文, 只能是英文和数字。");
            return false;
        }
    }
    if (!saveIfModified(project)) return false;
    const ColorGraphDrive drive = findColorGraph();
    if (!drive.connected) {
        prompter.message(kNoColorGraph);
        return false;
    }
    if (drive.mountPoint.empty() || !onDrive(drive.mountPoint, drive)) {
        prompter.message(notMountedMessage(drive));
        return false;
    }
    const fs::path folder = fs::path(drive.mountPoint) / kProjectFolder;
    const fs::path target = folder / name;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (!prompter.askYesNo(text::format("文件夹<%s>不存在，是否创建？", folder.c_str()), true,
                               PromptIcon::Question))
            return false;
        // Only ROAD itself, on the drive as it is now: never the mount point or its parents.
        if (!onDrive(drive.mountPoint, drive)) {
            prompter.message(notMountedMessage(drive));
            return false;
        }
        if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            const int e = errno;
            prompter.message(text::format("不能复制项目文件到%s。", target.c_str()) + "\n" + io::errnoText(e));
            return false;
        }
    }
    if (fs::exists(target, ec) &&
        !prompter.askYesNo(text::format("文件<%s>已经存在，是否覆盖？", name.c_str()), false, PromptIcon::Question))
        return false;
    // The questions may have been open a long time: the drive is checked again.
    if (!onDrive(drive.mountPoint, drive) || !onDrive(folder, drive)) {
        prompter.message(onDrive(drive.mountPoint, drive)
                             ? text::format("不能复制项目文件到%s。", target.c_str()) + "\n" + folder.string() +
                                   " is not a folder on the calculator"
                             : notMountedMessage(drive));
        return false;
    }
    io::FileError error;
    if (!copyWhole(project.pathName, target, error)) {
        prompter.message(text::format("不能复制项目文件到%s。", target.c_str()) + "\n" + error.message);
        return false;
    }
    prompter.message("项目文件传送成功。", PromptIcon::Information);
    if (used) *used = drive;
    return true;
}

// ---------------------------------------------------------------- eject

bool SystemCommands::available(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path || program.empty() || program.find('/') != std::string::npos) return false;
    const std::string folders = path;
    for (std::size_t from = 0; from <= folders.size();) {
        std::size_t to = folders.find(':', from);
        if (to == std::string::npos) to = folders.size();
        const std::string folder = folders.substr(from, to - from);
        from = to + 1;
        if (folder.empty()) continue;  // the current folder is never searched
        const std::string candidate = folder + "/" + program;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
    }
    return false;
}

int SystemCommands::run(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (auto& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

SystemCommands& realSystemCommands() {
    static SystemCommands commands;
    return commands;
}

namespace {

std::string commandLine(const std::vector<std::string>& argv) {
    std::string line;
    for (const auto& w : argv) line += (line.empty() ? "" : " ") + w;
    return line;
}

// Writes out everything cached for the drive's file system, so the copy is on
// the calculator even when it is unplugged without an eject.
void flushDrive(const ColorGraphDrive& drive) {
    if (!onDrive(drive.mountPoint, drive)) return;
    const int fd = ::open(drive.mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}

}  // namespace

bool offerColorGraphEject(const ColorGraphDrive& drive, Prompter& prompter, SystemCommands& commands) {
    if (!drive.connected || drive.mountPoint.empty() || drive.deviceNode.empty()) return false;
    flushDrive(drive);
    if (!prompter.askYesNo(kEjectQuestion, false, PromptIcon::Question)) return false;
    const std::vector<std::string> unmount{"udisksctl", "unmount", "-b", drive.deviceNode};
    const std::vector<std::string> powerOff{"udisksctl", "power-off", "-b",
                                            drive.diskNode.empty() ? drive.deviceNode : drive.diskNode};
    const std::string both = commandLine(unmount) + "\n" + commandLine(powerOff);
    if (!commands.available("udisksctl")) {
        prompter.message("请用以下命令弹出fx-CG20计算器：\n" + both);
        return false;
    }
    if (commands.run(unmount) != 0) {
        prompter.message("不能卸载fx-CG20计算器（可能有程序正在使用它）。\n关闭这些程序后，请用以下命令弹出：\n" + both);
        return false;
    }
    if (commands.run(powerOff) != 0) {
        // Unmounted: the file system is complete, unplugging is safe.
        prompter.message("fx-CG20计算器已卸载，可以拔下。\n（不能为它断电：" + commandLine(powerOff) + " 没有成功。）");
        return true;
    }
    prompter.message(kEjected, PromptIcon::Information);
    return true;
}

bool openColorGraphDrive(Prompter& prompter, const std::function<bool(const std::string&)>& open) {
    const ColorGraphDrive drive = findColorGraph();
    if (!drive.connected) {
        prompter.message(kNoColorGraph);
        return false;
    }
    if (drive.mountPoint.empty()) {
        prompter.message(notMountedMessage(drive));
        return false;
    }
    return open ? open(drive.mountPoint) : openWithDesktop(drive.mountPoint);
}

}  // namespace vornex::link
