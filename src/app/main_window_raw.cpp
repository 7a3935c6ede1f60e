// 文件 → 导入观测数据: a digital level's or total station's raw file becomes a new
// survey file, opened in its module as if opened from a file.
#include <QFileInfo>

#include "app/app_prompter.h"
#include "app/dialogs/raw_import_dialog.h"
#include "app/main_window.h"
#include "exchange/exchange.h"
#include "exchange/gsi_import.h"
#include "io/file_problem_text.h"

namespace vornex::app {

bool MainWindow::importRawData() {
    const std::string in = prompter_->openFileName("GSI 原始文件 (*.gsi *.GSI *.txt *.TXT);;所有文件 (*)");
    if (in.empty()) return false;
    const QFileInfo info(QString::fromStdString(in));
    std::string text, error;
    io::FileError readFailure;
    if (exchange::readRawFile(in, text, readFailure) != exchange::kExchangeOk) {
        prompter_->message("导入观测数据失败：" + io::cannotOpenText(info.fileName().toStdString(), readFailure));
        return false;
    }
    const exchange::RawKind kind = exchange::rawKindOf(text);
    if (kind == exchange::RawKind::Unknown) {
        prompter_->message("导入观测数据失败：" + exchange::convertRaw(text, {}).error);
        return false;
    }
    RawImportDialog dialog(kind, info.fileName(), this);
    if (dialog.exec() != QDialog::Accepted) return false;
    exchange::RawImportOptions options;
    if (!dialog.options(options, error)) return false;
    const exchange::RawImportResult result = exchange::convertRaw(text, options);
    if (result.status != exchange::kExchangeOk) {
        prompter_->message("导入观测数据失败：" + result.error);
        return false;
    }
    const bool level = kind == exchange::RawKind::Leveling;
    const std::string ext = level ? ".lev" : ".con";
    std::string out = prompter_->saveFileName((info.completeBaseName() + QString::fromStdString(ext)).toStdString(),
                                              level ? "水准数据文件 (*.lev)" : "控制测量数据文件 (*.con)");
    if (out.empty()) return false;
    if (QFileInfo(QString::fromStdString(out)).suffix().isEmpty()) out += ext;
    io::FileError writeFailure;
    if (const int status = exchange::writeRawSurvey(result, out, error, &writeFailure); status != exchange::kExchangeOk) {
        // The file's own failure in the interface's words; the rest (a kind that
        // does not match the extension, a file already there) is said by the import.
        const std::string name = QFileInfo(QString::fromStdString(out)).fileName().toStdString();
        prompter_->message("导入观测数据失败：" + (status == exchange::kExchangeCannotWrite
                                                      ? "写入文件“" + name + "”失败：" + io::fileProblemText(writeFailure) + "。"
                                                      : error));
        return false;
    }
    const bool opened = openFile(QString::fromStdString(out));
    if (!result.notes.empty()) {
        std::string all;
        for (const std::string& n : result.notes) all += n + "\n";
        all.pop_back();
        prompter_->message(all);
    }
    return opened;
}

}  // namespace vornex::app
