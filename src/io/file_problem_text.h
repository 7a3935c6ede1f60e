// Why a file could not be read or written, in the interface's words: the reading
// and writing doors say it in English for the command line, with a problem
// code that the desktop program's messages turn into Chinese here.
#pragma once

#include <string>

#include "io/file_error.h"

namespace vornex::io {

// The reason alone, without the path and without a full stop: "这是一个文件夹，不是文件".
std::string fileProblemText(const FileError& error);

// The one box of a project or survey file that cannot be opened:
// "无法打开文件“demo.rod”：这是一个文件夹，不是文件。"
std::string cannotOpenText(const std::string& fileName, const FileError& error);

// The one box of a failed save: "保存文件“demo.rod”失败：文件是只读的。原文件保持不变。"
std::string cannotSaveText(const std::string& fileName, const FileError& error);

}  // namespace vornex::io
