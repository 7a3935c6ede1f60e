// The calculator explorer "计算器文件管理": the folders of storage memory as a
// tree under "根目录", the selected folder's files with their sizes, and the
// buttons to upload a PC file into the folder, download the selected files and
// delete the selected file. It paints a CalculatorExplorerModel and runs the
// transfers it prepares in the transfer dialog. The listing, the delete and the
// capacity query run on workers (CalcExchanges); while the listing or a delete
// runs, the status line says so and the controls but "关 闭" are disabled.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

#include "app/dialogs/calc_exchange.h"
#include "link/explorer.h"
#include "model/prompter.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vornex::app {

class CCasioComDialog;

class CCasioExplor : public QDialog {
    Q_OBJECT
public:
    // The link and the prompter must outlive the dialog.
    CCasioExplor(link::CalculatorLink& link, Prompter& prompter, QWidget* parent = nullptr);

    link::CalculatorExplorerModel& model() { return model_; }
    QTreeWidget* folderTree() const { return tree_; }
    QTreeWidget* fileList() const { return list_; }
    QPushButton* uploadButton() const { return upload_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* deleteButton() const { return delete_; }
    QLabel* statusLine() const { return status_; }

    // The choosers and the transfer run; tests replace them. An empty answer cancels.
    std::function<QString()> chooseUploadFile;
    std::function<QString()> chooseDownloadFolder;
    std::function<void(CCasioComDialog&)> runTransfer;

    // Lists storage memory again, with the free capacity, on a worker. When the
    // calculator cannot be reached (or stays busy) the user is told and the
    // dialog closes. Nothing happens while the listing or a delete runs.
    void refresh();
    // True while the listing or a delete runs (the controls are then disabled).
    bool exchangeRunning() const { return blocking_ > 0; }
    // Exchanges of this dialog not yet ended, the capacity query included.
    int exchangesRunning() const { return exchanges_.running(); }
    void selectFolder(const QString& name);
    void uploadFile(const QString& pcPath);
    void downloadTo(const QString& pcFolder);

public slots:
    void upload();
    void download();
    void deleteFile();

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void rebuildTree();
    void fillList();
    void updateButtons();
    void queryCapacity();
    void showCapacity(long long freeBytes);
    // The listing or a delete starts / has ended: the controls follow.
    void beginBlocking(const QString& what);
    void endBlocking();
    int modelRowOf(int viewRow) const;

    link::CalculatorLink& link_;
    Prompter& prompter_;
    link::CalculatorExplorerModel model_;
    CalcExchanges exchanges_;
    int blocking_ = 0;
    QString capacityText_;  // the status line when no exchange runs
    bool refreshedOnShow_ = false;
    QTreeWidget* tree_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* upload_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace vornex::app
