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
    : QDialog(parent), link_(link), prompter_(prompter), model_(link, prompter) {
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
}

void CCasioExplor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (refreshedOnShow_) return;
    refreshedOnShow_ = true;
    refresh();
}

bool CCasioExplor::refresh() {
    CCasioComDialog::waitForPendingCancels();  // a cancelled transfer lets go of the link first
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = model_.refresh();
    QApplication::restoreOverrideCursor();
    rebuildTree();
    fillList();
    if (!ok) {
        // The message was shown; without a listing the dialog has nothing to show.
        QMetaObject::invokeMethod(this, [this] { reject(); }, Qt::QueuedConnection);
        return false;
    }
    showCapacity();
    return true;
}

void CCasioExplor::showCapacity() {
    const long long free = link::QueryStorageCapacity(link_);
    status_->setText(free >= 0 ? QStringLiteral("存储内存可用空间：%1 字节").arg(free) : QString());
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
    delete_->setEnabled(model_.deleteEnabled());
    download_->setEnabled(model_.downloadEnabled());
}

void CCasioExplor::upload() {
    if (model_.selectedFolder() < 0) return;
    const QString path = chooseUploadFile ? chooseUploadFile() : QString();
    if (!path.isEmpty()) uploadFile(path);
}

void CCasioExplor::uploadFile(const QString& pcPath) {
    CCasioComDialog transfer(link_, prompter_, this);
    if (!model_.prepareUpload(pcPath.toStdString(), transfer.model())) return;
    hide();
    runTransfer(transfer);
    show();
    model_.uploadFinished(pcPath.toStdString(), transfer.transferResult());
    fillList();
    if (transfer.transferResult() == link::TransferDialogModel::Result::Ok) showCapacity();
}

void CCasioExplor::download() {
    if (list_->selectedItems().isEmpty()) {
        prompter_.message("请选择文件");
        return;
    }
    const QString folder = chooseDownloadFolder ? chooseDownloadFolder() : QString();
    if (!folder.isEmpty()) downloadTo(folder);
}

void CCasioExplor::downloadTo(const QString& pcFolder) {
    // The model rows of the selection, in the order shown.
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) rows.push_back(modelRowOf(i));
    if (rows.empty()) {
        prompter_.message("请选择文件");
        return;
    }
    hide();
    for (int row : rows) {
        model_.selectRow(row);
        CCasioComDialog transfer(link_, prompter_, this);
        if (!model_.prepareDownload(pcFolder.toStdString(), transfer.model())) break;
        for (const auto& e : model_.entries())
            if (e.name == transfer.model().source && e.size > 0) transfer.setTotalBytes(static_cast<std::uint64_t>(e.size));
        runTransfer(transfer);
        if (transfer.transferResult() != link::TransferDialogModel::Result::Ok) break;
    }
    show();
    updateButtons();
}

void CCasioExplor::deleteFile() {
    CCasioComDialog::waitForPendingCancels();
    updateButtons();
    if (!model_.deleteSelected()) return;
    fillList();
    showCapacity();
}

void CCasioExplor::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CCasioExplor::dropEvent(QDropEvent* event) {
    // Dropped on a folder of the tree: that folder; elsewhere the selected one.
    const QPoint inTree = tree_->viewport()->mapFrom(this, event->position().toPoint());
    if (QTreeWidgetItem* item = tree_->itemAt(inTree)) selectFolder(item->text(0));
    if (model_.selectedFolder() < 0) selectFolder(qs(CalculatorExplorerModel::kRootFolder));
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) uploadFile(url.toLocalFile());
    event->acceptProposedAction();
}

}  // namespace vornex::app
