#include "app/dialogs/casio_explor.h"

#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

#include "app/dialogs/casio_com_dialog.h"
#include "calc_fixture.h"

namespace vornex::app {
namespace {

namespace fs = std::filesystem;
using testing::CalcBench;
using testing::calcPattern;
using testing::pumpUntil;
using testing::readBytes;
using testing::writeBytes;

QStringList column(const QTreeWidget* list, int c) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i) out << list->topLevelItem(i)->text(c);
    return out;
}

struct ExplorerRun {
    CalcBench bench;
    std::unique_ptr<CCasioExplor> dialog;
    // `show`: opened, and its listing awaited.
    explicit ExplorerRun(int timeoutMs = 60, bool show = true) : bench(timeoutMs) {
        fs::create_directories(bench.storage / "ROAD");
        fs::create_directories(bench.storage / "EMPTY");
        writeBytes(bench.storage / "ROOT.rod", calcPattern(10));
        writeBytes(bench.storage / "ROAD" / "K1.rod", calcPattern(2500));
        writeBytes(bench.storage / "ROAD" / "1.rod", calcPattern(7));
        dialog = std::make_unique<CCasioExplor>(bench.link, bench.prompter);
        // Each transfer is started as the user would and runs to its end.
        dialog->runTransfer = [](CCasioComDialog& d) {
            d.show();
            QTest::mouseClick(d.startButton(), Qt::LeftButton);
            EXPECT_TRUE(pumpUntil([&] { return !d.isVisible() || d.startButton()->isEnabled(); }));
        };
        if (show) {
            dialog->show();
            EXPECT_TRUE(waitForExchanges());
        }
    }
    ~ExplorerRun() {
        if (dialog) waitForExchanges();
        CCasioComDialog::waitForPendingCancels();
    }
    // The listing, delete and capacity query run on workers; their outcome
    // reaches the dialog through its event loop.
    bool waitForExchanges() { return pumpUntil([&] { return dialog->exchangesRunning() == 0; }); }
    void selectRow(int row) {
        dialog->fileList()->clearSelection();
        dialog->fileList()->topLevelItem(row)->setSelected(true);
    }
};

TEST(CasioExplorTest, ListsFoldersAndFilesOnOpen) {
    ExplorerRun r;
    CCasioExplor& d = *r.dialog;
    QTreeWidget* tree = d.folderTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), QStringLiteral("根目录"));
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("EMPTY"));
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("ROAD"));
    EXPECT_EQ(d.fileList()->headerItem()->text(0), QStringLiteral("文件名"));
    EXPECT_EQ(d.fileList()->headerItem()->text(1), QStringLiteral("文件大小"));

    tree->setCurrentItem(root->child(1));
    EXPECT_EQ(column(d.fileList(), 0), (QStringList{"1.rod", "K1.rod"}));
    EXPECT_EQ(column(d.fileList(), 1), (QStringList{"         7", "      2500"}));
    EXPECT_FALSE(d.deleteButton()->isEnabled());
    r.selectRow(1);
    EXPECT_TRUE(d.deleteButton()->isEnabled());
    tree->setCurrentItem(root);  // a new folder disables delete again
    EXPECT_FALSE(d.deleteButton()->isEnabled());
    EXPECT_EQ(column(d.fileList(), 0), QStringList{"ROOT.rod"});
    // Sorting by size is by number; each row still names its own file.
    tree->setCurrentItem(root->child(1));
    d.fileList()->sortByColumn(1, Qt::DescendingOrder);
    EXPECT_EQ(column(d.fileList(), 0), (QStringList{"K1.rod", "1.rod"}));
    EXPECT_TRUE(d.statusLine()->text().startsWith(QStringLiteral("存储内存可用空间：")));
    for (QWidget* w : d.findChildren<QWidget*>())
        if (qobject_cast<QPushButton*>(w) || qobject_cast<QTreeWidget*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
}

TEST(CasioExplorTest, DeleteAsksAndRemovesExactlyTheListedFile) {
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        ExplorerRun r;
        CCasioExplor& d = *r.dialog;
        d.selectFolder(QStringLiteral("ROAD"));
        d.fileList()->sortByColumn(1, Qt::DescendingOrder);  // K1.rod first
        r.selectRow(0);
        r.bench.prompter.yesNoAnswers = {yes};
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        ASSERT_TRUE(r.waitForExchanges());
        EXPECT_EQ(r.bench.prompter.shown.back(), "是否删除计算器上的文件<K1.rod>？");
        EXPECT_EQ(fs::exists(r.bench.storage / "ROAD" / "K1.rod"), !yes);
        EXPECT_TRUE(fs::exists(r.bench.storage / "ROAD" / "1.rod"));
        EXPECT_TRUE(fs::exists(r.bench.storage / "ROOT.rod"));
        EXPECT_EQ(column(d.fileList(), 0), yes ? QStringList{"1.rod"} : (QStringList{"K1.rod", "1.rod"}));
    }
}

TEST(CasioExplorTest, UploadAddsOneRowAndDownloadCopiesTheBytes) {
    ExplorerRun r;
    CCasioExplor& d = *r.dialog;
    const std::string bytes = calcPattern(1800);
    writeBytes(r.bench.pc / "k2.ROD", bytes);
    d.selectFolder(QStringLiteral("ROAD"));
    for (int twice = 0; twice < 2; ++twice) {
        r.bench.prompter.yesNoAnswers = {true};  // the second time the calculator asks to overwrite
        d.uploadFile(QString::fromStdString((r.bench.pc / "k2.ROD").string()));
    }
    EXPECT_EQ(readBytes(r.bench.storage / "ROAD" / "K2.rod"), bytes);
    EXPECT_EQ(column(d.fileList(), 0), (QStringList{"1.rod", "K1.rod", "K2.rod"}));
    EXPECT_EQ(column(d.fileList(), 1).back(), QStringLiteral("        1800"));
    EXPECT_TRUE(d.isVisible());

    // Two files at once into a PC folder.
    const fs::path target = r.bench.pc / "down";
    fs::create_directories(target);
    d.fileList()->topLevelItem(1)->setSelected(true);
    d.fileList()->topLevelItem(2)->setSelected(true);
    EXPECT_FALSE(d.deleteButton()->isEnabled());  // delete names one file only
    d.downloadTo(QString::fromStdString(target.string()));
    EXPECT_EQ(readBytes(target / "K1.rod"), calcPattern(2500));
    EXPECT_EQ(readBytes(target / "K2.rod"), bytes);
    EXPECT_FALSE(fs::exists(target / "1.rod"));
}

// The explorer runs modally, as the menu opens it. Every transfer, whatever its
// end, comes back to the same open explorer, its loop still running, with the
// list as it now is.
TEST(CasioExplorTest, TransfersReturnToTheOpenExplorerWithItsListRefreshed) {
    struct Case {
        const char* name;
        bool upload;
        std::function<void(CCasioComDialog&)> transfer;
        bool fail;  // the calculator stops answering
        QStringList rows;
        int bytes = 900;  // of the file uploaded
    };
    const auto start = [](CCasioComDialog& d) {
        d.show();
        QTest::mouseClick(d.startButton(), Qt::LeftButton);
        EXPECT_TRUE(pumpUntil([&] { return !d.isVisible() || d.startButton()->isEnabled(); }));
    };
    // 取消 while the data flow: the transfer dialog ends at once.
    const auto cancel = [](CCasioComDialog& d) {
        d.show();
        QTest::mouseClick(d.startButton(), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([&] { return d.progressBar()->value() >= 2; }));
        QTest::mouseClick(d.cancelButton(), Qt::LeftButton);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.transferResult(), link::TransferDialogModel::Result::Cancel);
    };
    const std::vector<Case> cases = {
        {"upload", true, start, false, {"1.rod", "K1.rod", "K2.rod"}},
        {"download", false, start, false, {"1.rod", "K1.rod"}},
        {"failed upload", true, start, true, {"1.rod", "K1.rod"}},
        {"cancelled upload", true, cancel, false, {"1.rod", "K1.rod"}, 1024 * 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExplorerRun r(60, false);
        CCasioExplor& d = *r.dialog;
        writeBytes(r.bench.pc / "k2.rod", calcPattern(c.bytes));
        d.runTransfer = c.transfer;
        d.chooseUploadFile = [&] { return QString::fromStdString((r.bench.pc / "k2.rod").string()); };
        d.chooseDownloadFolder = [&] { return QString::fromStdString(r.bench.pc.string()); };
        bool openAfter = false;
        QStringList rowsAfter;
        // The user acts once the first listing has ended. Watched from the
        // explorer's own loop: a wait nested in a queued call would hold back
        // the listing's outcome, queued behind it.
        bool acted = false;
        QTimer watch;
        watch.setInterval(10);
        QTimer::singleShot(20000, &d, [&] {
            if (acted) return;
            ADD_FAILURE() << "the listing did not end";
            d.reject();
        });
        QObject::connect(&watch, &QTimer::timeout, &d, [&] {
            if (acted || d.exchangesRunning() != 0 || !d.isVisible()) return;
            acted = true;
            watch.stop();
            d.selectFolder(QStringLiteral("ROAD"));
            if (c.fail) r.bench.sim->setFaults({.stallAfter = 0});
            if (c.upload) {
                QTest::mouseClick(d.uploadButton(), Qt::LeftButton);
            } else {
                r.selectRow(1);
                QTest::mouseClick(d.downloadButton(), Qt::LeftButton);
            }
            r.bench.sim->setFaults({});
            // Runs only while the explorer's own loop still runs.
            QTimer::singleShot(0, &d, [&] {
                openAfter = d.isVisible();
                rowsAfter = column(d.fileList(), 0);
                d.accept();
            });
        });
        watch.start();
        d.exec();
        EXPECT_TRUE(openAfter);
        EXPECT_EQ(rowsAfter, c.rows);
        // A success is told as information, not as a warning.
        if (std::string(c.name) != "upload" && std::string(c.name) != "download") continue;
        ASSERT_FALSE(r.bench.prompter.shown.empty());
        EXPECT_EQ(r.bench.prompter.shown.back(), "传输文件成功. ");
        EXPECT_EQ(r.bench.prompter.messageKinds.back(), PromptIcon::Information);
    }
}

// PC files dropped on a folder of the tree go into that folder; a dropped
// folder is no file and is skipped.
TEST(CasioExplorTest, DroppedFilesAreUploadedIntoTheFolderUnderThePointer) {
    ExplorerRun r;
    CCasioExplor& d = *r.dialog;
    d.selectFolder(QStringLiteral("ROAD"));  // the drop goes elsewhere
    const std::string bytes = calcPattern(1500);
    writeBytes(r.bench.pc / "k3.rod", bytes);
    QTreeWidgetItem* empty =
        d.folderTree()->findItems(QStringLiteral("EMPTY"), Qt::MatchExactly | Qt::MatchRecursive).at(0);
    const QPoint at = d.folderTree()->viewport()->mapTo(&d, d.folderTree()->visualItemRect(empty).center());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString((r.bench.pc / "k3.rod").string())),
                  QUrl::fromLocalFile(QString::fromStdString(r.bench.pc.string()))});
    // As a drag does it: entering the window, then dropping.
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&d, &drop);
    EXPECT_EQ(readBytes(r.bench.storage / "EMPTY" / "K3.rod"), bytes);
    EXPECT_FALSE(fs::exists(r.bench.storage / "ROAD" / "K3.rod"));
    EXPECT_EQ(d.folderTree()->currentItem(), empty);
    EXPECT_EQ(column(d.fileList(), 0), QStringList{"K3.rod"});
    EXPECT_EQ(r.bench.prompter.shown, std::vector<std::string>{"传输文件成功. "});
}

TEST(CasioExplorTest, DownloadWithoutSelectionAsksForAFile) {
    ExplorerRun r;
    r.dialog->selectFolder(QStringLiteral("ROAD"));
    r.dialog->chooseDownloadFolder = [] { return QStringLiteral("/nonexistent"); };
    QTest::mouseClick(r.dialog->downloadButton(), Qt::LeftButton);
    EXPECT_EQ(r.bench.prompter.shown.back(), "请选择文件");
}

TEST(CasioExplorTest, UnreachableCalculatorClosesTheDialog) {
    testing::TempDir dir;
    testing::ScriptedPrompter prompter;
    link::CalculatorLink link(link::transportFactoryFor("seqpacket:" + (dir / "none").string()), 20);
    CCasioExplor d(link, prompter);
    d.show();
    ASSERT_TRUE(pumpUntil([&] { return !d.isVisible(); }));
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"不能打开计算器端口。\n请断开再重新连接计算器。"});
    EXPECT_EQ(d.folderTree()->topLevelItem(0)->text(0), QStringLiteral("根目录"));
}

// The listing and the delete run on a worker while the calculator stalls: the
// window's thread handles a queued event meanwhile, the status line names the
// exchange and the controls wait for it; then the failure is told.
TEST(CasioExplorTest, ListingAndDeleteLeaveTheWindowResponsiveWhileTheCalculatorStalls) {
    struct Seen {
        bool ran = false;
        bool onWindowThread = false;
        bool exchangeRunning = false;
        bool controlsEnabled = true;
        bool closeEnabled = false;
        QString status;
    };
    // Posts a queued call once the worker owns the link, and processes events until it ran.
    auto queuedCallWhileWaiting = [](ExplorerRun& r) {
        Seen seen;
        CCasioExplor& d = *r.dialog;
        EXPECT_TRUE(pumpUntil([&] { return r.bench.link.busy(); }));
        QTimer::singleShot(0, &d, [&] {
            seen.ran = true;
            seen.onWindowThread = QThread::currentThread() == d.thread();
            seen.exchangeRunning = d.exchangeRunning() && r.bench.link.busy();
            seen.controlsEnabled = d.fileList()->isEnabled() || d.uploadButton()->isEnabled();
            const auto buttons = d.findChildren<QPushButton*>();
            for (QPushButton* b : buttons)
                if (b->text() == QStringLiteral("关 闭")) seen.closeEnabled = b->isEnabled();
            seen.status = d.statusLine()->text();
        });
        EXPECT_TRUE(pumpUntil([&] { return seen.ran; }));
        return seen;
    };
    const link::SimulatorFaults stall{.stallAfter = 0};
    {
        SCOPED_TRACE("listing");
        ExplorerRun r(1000, false);
        r.bench.sim->setFaults(stall);
        r.dialog->show();
        const Seen seen = queuedCallWhileWaiting(r);
        EXPECT_TRUE(seen.onWindowThread);
        EXPECT_TRUE(seen.exchangeRunning);
        EXPECT_FALSE(seen.controlsEnabled);
        EXPECT_TRUE(seen.closeEnabled);
        EXPECT_EQ(seen.status, QStringLiteral("正在读取计算器存储内存……"));
        ASSERT_TRUE(pumpUntil([&] { return !r.dialog->isVisible(); }));
        EXPECT_EQ(r.bench.prompter.shown, std::vector<std::string>{"不能打开计算器端口。\n请断开再重新连接计算器。"});
    }
    {
        SCOPED_TRACE("delete");
        ExplorerRun r(1000);
        CCasioExplor& d = *r.dialog;
        d.selectFolder(QStringLiteral("ROAD"));
        r.selectRow(1);
        const QString capacity = d.statusLine()->text();
        r.bench.sim->setFaults(stall);
        r.bench.prompter.yesNoAnswers = {true};
        QTest::mouseClick(d.deleteButton(), Qt::LeftButton);
        const Seen seen = queuedCallWhileWaiting(r);
        EXPECT_TRUE(seen.onWindowThread);
        EXPECT_TRUE(seen.exchangeRunning);
        EXPECT_FALSE(seen.controlsEnabled);
        EXPECT_EQ(seen.status, QStringLiteral("正在删除计算器上的文件<K1.rod>……"));
        ASSERT_TRUE(r.waitForExchanges());
        EXPECT_EQ(r.bench.prompter.shown.back(), "不能删除计算器上的文件<K1.rod>。");
        EXPECT_TRUE(fs::exists(r.bench.storage / "ROAD" / "K1.rod"));
        EXPECT_EQ(column(d.fileList(), 0), (QStringList{"1.rod", "K1.rod"}));
        EXPECT_TRUE(d.fileList()->isEnabled());
        EXPECT_EQ(d.statusLine()->text(), capacity);
    }
}

// Closed while its listing waits on a stalled calculator: the dialog goes at
// once, its worker ends by itself within the reply time-out, tells nobody
// anything and leaves the link closed and free for the next explorer.
TEST(CasioExplorTest, ClosingDuringTheListingLeavesTheLinkFree) {
    ExplorerRun r(1000, false);
    r.bench.sim->setFaults({.stallAfter = 0});
    r.dialog->show();
    ASSERT_TRUE(pumpUntil([&] { return r.bench.link.busy(); }));
    r.dialog->reject();
    r.dialog.reset();
    QCoreApplication::processEvents();
    ASSERT_TRUE(r.bench.link.waitUntilFree(5000));
    EXPECT_FALSE(r.bench.link.isOpen());
    EXPECT_TRUE(r.bench.prompter.shown.empty());

    r.bench.sim->setFaults({});
    CCasioExplor again(r.bench.link, r.bench.prompter);
    again.show();
    ASSERT_TRUE(pumpUntil([&] { return again.exchangesRunning() == 0; }));
    EXPECT_TRUE(again.isVisible());
    EXPECT_EQ(again.folderTree()->topLevelItem(0)->childCount(), 2);
}

}  // namespace
}  // namespace vornex::app
