#include "link/project_transfer.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

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

// Copies through a temporary beside the target, flushed to the device before it
// takes the target's name, so an unplugged calculator never holds half a file.
bool copyWhole(const fs::path& from, const fs::path& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    if (!in) return false;
    std::random_device rd;
    fs::path temp = to.parent_path() / ("." + to.filename().string() + "." + std::to_string(rd()) + ".part");
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    bool ok = out != nullptr;
    char buf[65536];
    while (ok) {
        std::size_t n = std::fread(buf, 1, sizeof buf, in);
        if (n > 0 && std::fwrite(buf, 1, n, out) != n) ok = false;
        if (n < sizeof buf) {
            ok = ok && !std::ferror(in);
            break;
        }
    }
    std::fclose(in);
    if (out) {
        ok = ok && std::fflush(out) == 0 && ::fsync(::fileno(out)) == 0;
        ok = std::fclose(out) == 0 && ok;
    }
    std::error_code ec;
    if (ok) fs::rename(temp, to, ec);
    if (!ok || ec) fs::remove(temp, ec);
    return ok && !ec;
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

bool sendProjectToColorGraph(ProjectSource& project, Prompter& prompter) {
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
    std::string drive = FindColorGraphDrive();
    if (drive.empty()) {
        prompter.message(kNoColorGraph);
        return false;
    }
    const fs::path folder = fs::path(drive) / kProjectFolder;
    const fs::path target = folder / name;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        if (!prompter.askYesNo(text::format("文件夹<%s>不存在，是否创建？", folder.c_str()), true,
                               PromptIcon::Question))
            return false;
        fs::create_directories(folder, ec);
    }
    if (fs::exists(target, ec) &&
        !prompter.askYesNo(text::format("文件<%s>已经存在，是否覆盖？", name.c_str()), false, PromptIcon::Question))
        return false;
    if (!fs::is_directory(folder, ec) || !copyWhole(project.pathName, target)) {
        prompter.message(text::format("不能复制项目文件到%s。", target.c_str()));
        return false;
    }
    prompter.message("项目文件传送成功。");
    return true;
}

bool openColorGraphDrive(Prompter& prompter, const std::function<bool(const std::string&)>& open) {
    std::string drive = FindColorGraphDrive();
    if (drive.empty()) {
        prompter.message(kNoColorGraph);
        return false;
    }
    return open ? open(drive) : openWithDesktop(drive);
}

}  // namespace vornex::link
