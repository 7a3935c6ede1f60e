// The calculator file explorer without a window: the folders and files of
// storage memory from a listing, the list rows of the selected folder, the
// buttons' states, and the preparation of uploads, downloads and deletes. The Qt
// dialog paints this state and runs the transfer dialogs it prepares.
//
// Texts here are UTF-8; calculator names are converted from and to GBK at the link.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/calculator_link.h"
#include "link/exchanges.h"
#include "link/storage.h"
#include "model/prompter.h"

namespace vornex::link {

struct StorageEntry {
    int folder = 0;  // index into the folders; 0 = root (also for unknown folders)
    std::string folderName;  // the folder as listed, empty for the root: what a download or delete names
    std::string name;
    std::int32_t size = 0;
};

// What the listing exchange brought back: the entries as the calculator listed
// them, or ok false when it could not be reached or refused the listing.
struct StorageListing {
    bool ok = false;
    std::vector<ListingEntry> entries;
};
// The listing exchange, for the thread that owns the link: opens and checks a
// closed link, then lists storage memory. The link stays open.
StorageListing ListStorage(CalculatorLink& link);

// The file a delete names, as listed (UTF-8): its own folder (empty for the root) and name.
struct DeleteRequest {
    std::string folder;
    std::string name;
};
enum class DeleteOutcome { Deleted = 0, PortFailed = 1, Refused = 2 };
// The delete exchange, for the thread that owns the link: connects a closed
// link, then deletes the file. The link stays open.
DeleteOutcome DeleteFromStorage(CalculatorLink& link, const DeleteRequest& request);

// The explorer's model talks to the calculator only in refresh() and
// deleteSelected(); a window runs those exchanges on a worker instead
// (ListStorage, DeleteFromStorage) and hands their outcome to applyListing()
// and deleteFinished() on its own thread.
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
    // The second half of refresh(): shows `listing`. False (after the message)
    // when it failed; the model then holds the root folder only.
    bool applyListing(const StorageListing& listing);
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
    // The first half of deleteSelected(): the question. The file to delete, or
    // nothing (no file selected: "请选择文件"; or the user said no).
    std::optional<DeleteRequest> confirmDelete();
    // The last half: on Deleted the file leaves the list, otherwise the user is
    // told why. True when it was deleted.
    bool deleteFinished(const DeleteRequest& request, DeleteOutcome outcome);

    // The link stays open when the model goes: a window whose worker may still
    // use the link closes it itself once the worker has let go of it.
    void leaveLinkOpen() { status_.closeOnDestruction = false; }

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
