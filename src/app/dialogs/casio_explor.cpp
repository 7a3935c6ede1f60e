#include "app/dialogs/casio_explor.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <optional>

#include "app/dialogs/casio_com_dialog.h"
#include "link/exchanges.h"

namespace vornex::app {

using link::CalculatorExplorerModel;

namespace {

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

constexpr int kModelRowRole = Qt::UserRole + 1;

// Sorts the size column by number, not by its padded text.
class FileItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 1) return text(1).trimmed().toLongLong() < other.text(1).trimmed().toLongLong();
        return QTreeWidgetItem::operator<(other);
    }
};

}  // namespace

CCasioExplor::CCasioExplor(link::CalculatorLink& link, Prompter& prompter, QWidget* parent)
    : QDialog(parent), link_(link), prompter_(prompter), model_(link, prompter), exchanges_(link, this) {
    // The exchanges close the link when the dialog goes, once no worker uses it.
    model_.leaveLinkOpen();
    setWindowTitle(QStringLiteral("计算器文件管理"));
    setAccessibleName(QStringLiteral("计算器文件管理"));
    setAcceptDrops(true);
    resize(560, 420);

    tree_ = new QTreeWidget(this);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setAccessibleName(QStringLiteral("文件夹"));
    list_ = new QTreeWidget(this);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("文件名"), QStringLiteral("文件大小")});
    list_->header()->resizeSection(0, 150);
    list_->header()->resizeSection(1, 150);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSortingEnabled(true);
    list_->sortByColumn(-1, Qt::AscendingOrder);  // listing order until a header is clicked
    list_->setAccessibleName(QStringLiteral("文件列表"));
    list_->setFont(QFont(QStringLiteral("Monospace")));

    auto button = [this](const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAccessibleName(text);
        return b;
    };
    upload_ = button(QStringLiteral("文件上传"));
    download_ = button(QStringLiteral("文件下载"));
    delete_ = button(QStringLiteral("文件删除"));
    delete_->setEnabled(false);
    refresh_ = button(QStringLiteral("刷新目录"));
    refresh_->hide();
    close_ = button(QStringLiteral("关 闭"));
    status_ = new QLabel(this);
    status_->setAccessibleName(QStringLiteral("存储内存"));

    auto* panes = new QHBoxLayout;
    panes->addWidget(tree_, 1);
    panes->addWidget(list_, 2);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {upload_, download_, delete_, refresh_}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(status_);
    layout->addLayout(buttons);

    chooseUploadFile = [this] { return QFileDialog::getOpenFileName(this, QStringLiteral("文件上传")); };
    chooseDownloadFolder = [this] {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("请选择文件存放位置"));
    };
    runTransfer = [](CCasioComDialog& d) { d.exec(); };

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) selectFolder(item->text(0));
    });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(upload_, &QPushButton::clicked, this, &CCasioExplor::upload);
    connect(download_, &QPushButton::clicked, this, &CCasioExplor::download);
    connect(delete_, &QPushButton::clicked, this, &CCasioExplor::deleteFile);
    connect(refresh_, &QPushButton::clicked, this, [this] { refresh(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    rebuildTree();
}

void CCasioExplor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (refreshedOnShow_) return;
    refreshedOnShow_ = true;
    refresh();
}

void CCasioExplor::refresh() {
    if (blocking_ > 0) return;
    struct Outcome {
        link::StorageListing listing;
        long long freeBytes = -1;
    };
    auto outcome = std::make_shared<Outcome>();
    beginBlocking(QStringLiteral("正在读取计算器存储内存……"));
    exchanges_.start(
        [&link = link_, outcome](const CalcExchanges::Wanted& wanted) {
            outcome->listing = link::ListStorage(link);
            if (outcome->listing.ok && wanted()) outcome->freeBytes = link::QueryStorageCapacity(link);
        },
        [this, outcome](bool ran) {
            endBlocking();
            // Without a listing the dialog has nothing to show: it closes once
            // the user was told why (the model tells a failed listing).
            if (!ran) {
                prompter_.message(link::TransferDialogModel::kBusyText);
                reject();
                return;
            }
            const QString shown = tree_->currentItem() ? tree_->currentItem()->text(0) : QString();
            const bool ok = model_.applyListing(outcome->listing);
            rebuildTree();
            fillList();
            if (!ok) {
                reject();
                return;
            }
            // The folder shown before, when it is still there; else the root.
            const auto& folders = model_.folders();
            const bool still = std::find(folders.begin(), folders.end(), shown.toStdString()) != folders.end();
            selectFolder(still ? shown : qs(CalculatorExplorerModel::kRootFolder));
            tree_->setFocus();
            showCapacity(outcome->freeBytes);
        });
}

void CCasioExplor::queryCapacity() {
    status_->setText(QStringLiteral("正在查询存储内存可用空间……"));
    auto freeBytes = std::make_shared<long long>(-1);
    exchanges_.start([&link = link_, freeBytes](const CalcExchanges::Wanted&) {
        link::LinkStatus status(link);
        status.closeOnDestruction = false;
        if (link.ConnectLink(status)) *freeBytes = link::QueryStorageCapacity(link);
    },
                     [this, freeBytes](bool) { showCapacity(*freeBytes); });
}

void CCasioExplor::showCapacity(long long freeBytes) {
    capacityText_ = freeBytes >= 0 ? QStringLiteral("存储内存可用空间：%1 字节").arg(freeBytes) : QString();
    if (blocking_ == 0) status_->setText(capacityText_);
}

void CCasioExplor::beginBlocking(const QString& what) {
    ++blocking_;
    status_->setText(what);
    setCursor(Qt::BusyCursor);
    for (QWidget* w : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(list_), static_cast<QWidget*>(upload_),
                       static_cast<QWidget*>(download_), static_cast<QWidget*>(delete_), static_cast<QWidget*>(refresh_)})
        w->setEnabled(false);
}

void CCasioExplor::endBlocking() {
    if (blocking_ > 0) --blocking_;
    if (blocking_ > 0) return;
    unsetCursor();
    status_->setText(capacityText_);
    for (QWidget* w : {static_cast<QWidget*>(tree_), static_cast<QWidget*>(list_), static_cast<QWidget*>(upload_),
                       static_cast<QWidget*>(refresh_)})
        w->setEnabled(true);
    updateButtons();
}

void CCasioExplor::rebuildTree() {
    tree_->clear();
    const auto& folders = model_.folders();
    auto* root = new QTreeWidgetItem(tree_, {qs(folders.front())});
    for (std::size_t i = 1; i < folders.size(); ++i) new QTreeWidgetItem(root, {qs(folders[i])});
    root->setExpanded(true);
}

void CCasioExplor::selectFolder(const QString& name) {
    const auto& folders = model_.folders();
    const auto it = std::find(folders.begin(), folders.end(), name.toStdString());
    model_.selectFolder(it == folders.end() ? 0 : static_cast<int>(it - folders.begin()));
    const QList<QTreeWidgetItem*> items = tree_->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (!items.isEmpty() && tree_->currentItem() != items.front()) {
        const QSignalBlocker block(tree_);
        tree_->setCurrentItem(items.front());
    }
    fillList();
}

void CCasioExplor::fillList() {
    const QSignalBlocker block(list_);
    list_->clear();
    const auto& rows = model_.rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto* item = new FileItem(list_, {qs(rows[i].name), qs(rows[i].size)});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, kModelRowRole, static_cast<int>(i));
    }
    model_.selectRow(-1);
    updateButtons();
}

int CCasioExplor::modelRowOf(int viewRow) const {
    QTreeWidgetItem* item = list_->topLevelItem(viewRow);
    return item ? item->data(0, kModelRowRole).toInt() : -1;
}

void CCasioExplor::updateButtons() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    // Delete names exactly one file.
    model_.selectRow(selected.size() == 1 ? selected.front()->data(0, kModelRowRole).toInt() : -1);
    delete_->setEnabled(model_.deleteEnabled() && blocking_ == 0);
    download_->setEnabled(model_.downloadEnabled() && blocking_ == 0);
}

void CCasioExplor::upload() {
    if (blocking_ > 0 || model_.selectedFolder() < 0) return;
    const QString path = chooseUploadFile ? chooseUploadFile() : QString();
    if (!path.isEmpty()) uploadFile(path);
}

void CCasioExplor::uploadFile(const QString& pcPath) {
    if (blocking_ > 0) return;
    link::TransferDialogModel::Result result;
    {
        CCasioComDialog transfer(link_, prompter_, this);
        if (!model_.prepareUpload(pcPath.toStdString(), transfer.model())) return;
        // The transfer dialog opens over the explorer, which stays shown: hiding
        // a modal dialog would end its loop and close it.
        runTransfer(transfer);
        result = transfer.transferResult();
    }  // the transfer dialog has let go of the link: the capacity query opens it again
    model_.uploadFinished(pcPath.toStdString(), result);
    fillList();
    if (result == link::TransferDialogModel::Result::Ok) queryCapacity();
}

void CCasioExplor::download() {
    if (blocking_ > 0) return;
    if (list_->selectedItems().isEmpty()) {
        prompter_.message("请选择文件");
        return;
    }
    const QString folder = chooseDownloadFolder ? chooseDownloadFolder() : QString();
    if (!folder.isEmpty()) downloadTo(folder);
}

void CCasioExplor::downloadTo(const QString& pcFolder) {
    if (blocking_ > 0) return;
    // The model rows of the selection, in the order shown.
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) rows.push_back(modelRowOf(i));
    if (rows.empty()) {
        prompter_.message("请选择文件");
        return;
    }
    for (int row : rows) {
        model_.selectRow(row);
        CCasioComDialog transfer(link_, prompter_, this);
        if (!model_.prepareDownload(pcFolder.toStdString(), transfer.model())) break;
        for (const auto& e : model_.entries())
            if (e.name == transfer.model().source && e.size > 0) transfer.setTotalBytes(static_cast<std::uint64_t>(e.size));
        runTransfer(transfer);
        if (transfer.transferResult() != link::TransferDialogModel::Result::Ok) break;
    }
    updateButtons();
}

void CCasioExplor::deleteFile() {
    if (blocking_ > 0) return;
    updateButtons();
    const std::optional<link::DeleteRequest> request = model_.confirmDelete();
    if (!request) return;
    struct Outcome {
        link::DeleteOutcome deleted = link::DeleteOutcome::PortFailed;
        long long freeBytes = -1;
    };
    auto outcome = std::make_shared<Outcome>();
    beginBlocking(QStringLiteral("正在删除计算器上的文件<%1>……").arg(qs(request->name)));
    exchanges_.start(
        [&link = link_, outcome, request = *request](const CalcExchanges::Wanted& wanted) {
            outcome->deleted = link::DeleteFromStorage(link, request);
            if (outcome->deleted == link::DeleteOutcome::Deleted && wanted())
                outcome->freeBytes = link::QueryStorageCapacity(link);
        },
        [this, outcome, request = *request](bool ran) {
            endBlocking();
            if (!ran) {
                prompter_.message(link::TransferDialogModel::kBusyText);
                return;
            }
            if (!model_.deleteFinished(request, outcome->deleted)) return;
            fillList();
            showCapacity(outcome->freeBytes);
        });
}

void CCasioExplor::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CCasioExplor::dropEvent(QDropEvent* event) {
    if (blocking_ > 0) {  // the listing or a delete runs: the drop is refused
        event->ignore();
        return;
    }
    // Dropped on a folder of the tree: that folder; elsewhere the selected one.
    const QPoint inTree = tree_->viewport()->mapFrom(this, event->position().toPoint());
    if (QTreeWidgetItem* item = tree_->itemAt(inTree)) selectFolder(item->text(0));
    if (model_.selectedFolder() < 0) selectFolder(qs(CalculatorExplorerModel::kRootFolder));
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) uploadFile(url.toLocalFile());
    event->acceptProposedAction();
}

}  // namespace vornex::app
