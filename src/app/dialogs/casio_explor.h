// The calculator explorer "计算器文件管理": the folders of storage memory as a
// tree under "根目录", the selected folder's files with their sizes, and the
// buttons to upload a PC file into the folder, download the selected files and
// delete the selected file. It paints a CalculatorExplorerModel and runs the
// transfers it prepares in the transfer dialog.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

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

    // Lists storage memory again; false (after the message) when the calculator
    // cannot be reached, and the dialog is then closed.
    bool refresh();
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
    void showCapacity();
    int modelRowOf(int viewRow) const;

    link::CalculatorLink& link_;
    Prompter& prompter_;
    link::CalculatorExplorerModel model_;
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
