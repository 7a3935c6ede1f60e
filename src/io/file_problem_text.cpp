#include "io/file_problem_text.h"

#include <cerrno>

namespace vornex::io {

std::string fileProblemText(const FileError& error) {
    using P = FileProblem;
    switch (error.problem) {
    case P::Missing: return "文件或它所在的文件夹不存在";
    case P::Directory: return "这是一个文件夹，不是文件";
    case P::NotRegular: return "这不是普通文件（是设备、管道或套接字一类的特殊文件）";
    case P::TooLarge: return "文件太大，超过了程序能读入的大小";
    case P::NoPermission: return "没有访问这个文件的权限";
    case P::ReadOnlyFile: return "文件是只读的";
    case P::ReadOnlyFileSystem: return "文件所在的文件系统是只读的";
    case P::NoSpace: return "磁盘空间不足";
    case P::NoMemory: return "内存不足";
    case P::Exists: return "同名的文件已经存在";
    case P::NotThisKind: return "文件的类型不对";
    case P::None:
    case P::Other: break;
    }
    switch (error.code) {
    case EIO: return "读写设备时出错";
    case ELOOP: return "符号链接太多，或形成了循环";
    case ENAMETOOLONG: return "文件名太长";
    case EBUSY: return "文件正被占用";
    default: break;
    }
    // A rare system error keeps the system's own words.
    return error.code != 0 ? "系统错误：" + errnoText(error.code) : "原因不明";
}

std::string cannotOpenText(const std::string& fileName, const FileError& error) {
    return "无法打开文件“" + fileName + "”：" + fileProblemText(error) + "。";
}

std::string cannotSaveText(const std::string& fileName, const FileError& error) {
    return "保存文件“" + fileName + "”失败：" + fileProblemText(error) + "。原文件保持不变。";
}

}  // namespace vornex::io
