#include "link/explorer.h"

#include <algorithm>
#include <filesystem>

#include "link/exchanges.h"
#include "text/text.h"

namespace vornex::link {

namespace {
const char* const kPortFailed = "不能打开计算器端口。\n请断开再重新连接计算器。";
constexpr std::size_t kMaxListedFolderBytes = 12;
constexpr std::size_t kMaxListedNameBytes = 15;

std::string baseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }
}  // namespace

CalculatorExplorerModel::CalculatorExplorerModel(CalculatorLink& link, Prompter& prompter)
    : link_(link), prompter_(prompter), status_(link) {
    folders_.push_back(kRootFolder);
}

StorageListing ListStorage(CalculatorLink& link) {
    StorageListing out;
    LinkStatus status(link);
    status.closeOnDestruction = false;  // the explorer's next exchange goes on with it
    if (!link.isOpen() && !(link.OpenLink() && link.CheckLink(status))) return out;
    out.ok = ListStorageFiles(link, out.entries);
    return out;
}

DeleteOutcome DeleteFromStorage(CalculatorLink& link, const DeleteRequest& request) {
    LinkStatus status(link);
    status.closeOnDestruction = false;
    if (!link.ConnectLink(status)) return DeleteOutcome::PortFailed;
    if (!DeleteStorageFile(link, text::utf8ToGbk(request.folder), text::utf8ToGbk(request.name)))
        return DeleteOutcome::Refused;
    return DeleteOutcome::Deleted;
}

bool CalculatorExplorerModel::refresh() { return applyListing(ListStorage(link_)); }

bool CalculatorExplorerModel::applyListing(const StorageListing& listing) {
    folders_.assign(1, kRootFolder);
    entries_.clear();
    rows_.clear();
    rowEntries_.clear();
    selectedFolder_ = selectedRow_ = -1;
    deleteEnabled_ = false;
    if (!listing.ok) {
        prompter_.message(kPortFailed);
        return false;
    }
    for (const auto& e : listing.entries) {
        if (e.isFolder) {
            folders_.push_back(text::gbkToUtf8(text::cutGbk(e.folder, kMaxListedFolderBytes)));
            continue;
        }
        StorageEntry s;
        s.folder = e.folder.empty() ? 0 : folderIndexOf(text::gbkToUtf8(text::cutGbk(e.folder, kMaxListedFolderBytes)));
        s.folderName = text::gbkToUtf8(e.folder);
        s.name = text::gbkToUtf8(text::cutGbk(e.name, kMaxListedNameBytes));
        s.size = static_cast<std::int32_t>(e.size);
        entries_.push_back(std::move(s));
    }
    return true;
}

int CalculatorExplorerModel::folderIndexOf(const std::string& text) const {
    auto it = std::find(folders_.begin(), folders_.end(), text);
    return it == folders_.end() ? 0 : static_cast<int>(it - folders_.begin());
}

void CalculatorExplorerModel::selectFolder(int index) {
    rows_.clear();
    rowEntries_.clear();
    selectedRow_ = -1;
    deleteEnabled_ = false;
    if (index < 0 || index >= static_cast<int>(folders_.size())) {
        selectedFolder_ = -1;
        return;
    }
    selectedFolder_ = folderIndexOf(folders_[static_cast<std::size_t>(index)]);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].folder != selectedFolder_) continue;
        rows_.push_back({entries_[i].name, text::format("%10d", entries_[i].size)});
        rowEntries_.push_back(i);
    }
}

void CalculatorExplorerModel::selectRow(int row) {
    selectedRow_ = (row >= 0 && row < static_cast<int>(rows_.size())) ? row : -1;
    if (selectedRow_ >= 0) {
        downloadEnabled_ = true;
        deleteEnabled_ = true;
    } else {
        deleteEnabled_ = false;
    }
}

std::string CalculatorExplorerModel::calculatorName(const std::string& pcFileName) {
    std::string out = pcFileName;
    bool afterDot = false;
    for (char& c : out) {
        if (c == '.') afterDot = true;
        if (c >= 'a' && c <= 'z' && !afterDot) c = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z' && afterDot) c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string CalculatorExplorerModel::selectedFolderName() const {
    if (selectedFolder_ <= 0) return {};
    return folders_[static_cast<std::size_t>(selectedFolder_)];
}

bool CalculatorExplorerModel::prepareUpload(const std::string& pcPath, TransferDialogModel& dialog) const {
    if (selectedFolder_ < 0 || pcPath.empty()) return false;
    std::string name = calculatorName(baseName(pcPath));
    dialog.kind = TransferKind::Send;
    dialog.source = pcPath;
    dialog.target = name;
    dialog.folder = selectedFolderName();
    dialog.caption = text::format("上传文件<%s>至计算器", name.c_str());
    return true;
}

void CalculatorExplorerModel::uploadFinished(const std::string& pcPath, TransferDialogModel::Result result) {
    if (result != TransferDialogModel::Result::Ok || selectedFolder_ < 0) return;
    std::string name = calculatorName(baseName(pcPath));
    for (const auto& e : entries_)
        if (e.folder == selectedFolder_ && e.name == name) return;
    std::error_code ec;
    auto size = std::filesystem::file_size(pcPath, ec);
    StorageEntry e{selectedFolder_, selectedFolderName(), name, ec ? 0 : static_cast<std::int32_t>(size)};
    entries_.push_back(e);
    rows_.push_back({name, text::format("%12d", e.size)});
    rowEntries_.push_back(entries_.size() - 1);
}

bool CalculatorExplorerModel::prepareDownload(const std::string& pcFolder, TransferDialogModel& dialog) {
    if (selectedRow_ < 0) {
        prompter_.message("请选择文件");
        return false;
    }
    if (pcFolder.empty()) return false;
    // The entry's own folder: a file of a folder the listing did not announce is
    // shown under the root but lives in its folder.
    const StorageEntry& entry = entries_[rowEntries_[static_cast<std::size_t>(selectedRow_)]];
    const std::string& name = entry.name;
    dialog.kind = TransferKind::Receive;
    dialog.source = name;
    dialog.target = (std::filesystem::path(pcFolder) / name).string();
    dialog.folder = entry.folderName;
    dialog.caption = text::format("下载文件<%s>至电脑", name.c_str());
    return true;
}

bool CalculatorExplorerModel::deleteSelected() {
    const std::optional<DeleteRequest> request = confirmDelete();
    return request && deleteFinished(*request, DeleteFromStorage(link_, *request));
}

std::optional<DeleteRequest> CalculatorExplorerModel::confirmDelete() {
    if (selectedRow_ < 0) {
        prompter_.message("请选择文件");
        return std::nullopt;
    }
    const StorageEntry& entry = entries_[rowEntries_[static_cast<std::size_t>(selectedRow_)]];
    if (!prompter_.askYesNo(text::format("是否删除计算器上的文件<%s>？", entry.name.c_str()), false,
                            PromptIcon::Question))
        return std::nullopt;
    return DeleteRequest{entry.folderName, entry.name};
}

bool CalculatorExplorerModel::deleteFinished(const DeleteRequest& request, DeleteOutcome outcome) {
    if (outcome == DeleteOutcome::PortFailed) {
        prompter_.message(kPortFailed);
        return false;
    }
    if (outcome != DeleteOutcome::Deleted) {
        prompter_.message(text::format("不能删除计算器上的文件<%s>。", request.name.c_str()));
        return false;
    }
    // The entry the request named: the selected row's when it still names it,
    // otherwise the first listed one of that folder and name.
    auto names = [&](std::size_t e) { return entries_[e].folderName == request.folder && entries_[e].name == request.name; };
    std::optional<std::size_t> entry;
    if (selectedRow_ >= 0 && names(rowEntries_[static_cast<std::size_t>(selectedRow_)]))
        entry = rowEntries_[static_cast<std::size_t>(selectedRow_)];
    for (std::size_t e = 0; !entry && e < entries_.size(); ++e)
        if (names(e)) entry = e;
    if (entry) {
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*entry));
        const auto row = std::find(rowEntries_.begin(), rowEntries_.end(), *entry);
        if (row != rowEntries_.end()) {
            rows_.erase(rows_.begin() + (row - rowEntries_.begin()));
            rowEntries_.erase(row);
        }
        for (auto& r : rowEntries_)
            if (r > *entry) --r;
    }
    selectedRow_ = -1;
    deleteEnabled_ = false;
    return true;
}

}  // namespace vornex::link
