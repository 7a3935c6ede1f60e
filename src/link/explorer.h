// The calculator file explorer without a window: the folders and files of
// storage memory from a listing, the list rows of the selected folder, the
// buttons' states, and the preparation of uploads, downloads and deletes. The Qt
// dialog paints this state and runs the transfer dialogs it prepares.
//
// Texts here are UTF-8; calculator names are converted from and to GBK at the link.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/calculator_link.h"
#include "link/storage.h"
#include "model/prompter.h"

namespace vornex::link {

struct StorageEntry {
    int folder = 0;  // index into the folders; 0 = root (also for unknown folders)
    std::string folderName;  // the folder as listed, empty for the root: what a download or delete names
    std::string name;
    std::int32_t size = 0;
};

class CalculatorExplorerModel {
public:
    struct Row {
        std::string name;
        std::string size;  // "%10d" from the listing, "%12d" after an upload
    };

    static constexpr const char* kRootFolder = "根目录";

    CalculatorExplorerModel(CalculatorLink& link, Prompter& prompter);

    // Lists storage memory again. False (after the message) when the calculator
    // could not be reached or refused the listing: the dialog then closes.
    bool refresh();
    // Tree selection changed: rows of folder `index` (its text decides, as in
    // the tree); "文件删除" is disabled.
    void selectFolder(int index);
    // List selection changed (-1: none).
    void selectRow(int row);

    // The calculator name of a PC file name: upper case before the first ".",
    // lower case from it on (k1.ROD -> K1.rod).
    static std::string calculatorName(const std::string& pcFileName);

    // "文件上传": fills `dialog` for sending `pcPath` into the selected folder.
    // False when no folder is selected.
    bool prepareUpload(const std::string& pcPath, TransferDialogModel& dialog) const;
    // After the upload's dialog ended: on OK the file is listed once.
    void uploadFinished(const std::string& pcPath, TransferDialogModel::Result result);
    // "文件下载": fills `dialog` for receiving the selected file into `pcFolder`;
    // "请选择文件" and false without a selected row.
    bool prepareDownload(const std::string& pcFolder, TransferDialogModel& dialog);
    // "文件删除": asks, deletes the selected file of the selected folder and
    // drops it from the list. True when it was deleted.
    bool deleteSelected();

    const std::vector<std::string>& folders() const { return folders_; }
    const std::vector<StorageEntry>& entries() const { return entries_; }
    const std::vector<Row>& rows() const { return rows_; }
    int selectedFolder() const { return selectedFolder_; }
    int selectedRow() const { return selectedRow_; }
    bool downloadEnabled() const { return downloadEnabled_; }
    bool deleteEnabled() const { return deleteEnabled_; }

private:
    int folderIndexOf(const std::string& text) const;
    std::string selectedFolderName() const;  // empty for the root

    CalculatorLink& link_;
    Prompter& prompter_;
    LinkStatus status_;
    std::vector<std::string> folders_;
    std::vector<StorageEntry> entries_;
    std::vector<Row> rows_;
    std::vector<std::size_t> rowEntries_;  // entry index of each row
    int selectedFolder_ = -1;
    int selectedRow_ = -1;
    bool downloadEnabled_ = true;
    bool deleteEnabled_ = false;
};

}  // namespace vornex::link
