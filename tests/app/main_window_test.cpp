#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <optional>
#include <set>

#include <sys/stat.h>

#include "app/password_dialog.h"
#include "app/property_grid.h"
#include "app/qt_prompter.h"
#include "app/table_view.h"
#include "app/work_view.h"
#include "io/file_problem_text.h"
#include "app_fixture.h"

namespace vornex::app {
namespace {

using testing::ScriptedAppPrompter;
using testing::TempDir;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::isolateSettings();
        file = testing::writeDemo(dir);
        window = std::make_unique<MainWindow>(&prompter);
        window->resize(1200, 800);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(window->openFile(path()));
    }
    QString path() const { return QString::fromStdString(file.string()); }
    CVornexPcDoc& doc() { return window->controller().doc(); }

    TempDir dir;
    std::filesystem::path file;
    ScriptedAppPrompter prompter;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, TitleShowsTheFileAndTheModifiedMark) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("demo.rod[*] - 沃尼克斯V0.9.20120223"));
    // A screen reader names the open project, as the title does.
    EXPECT_EQ(window->accessibleName(), QStringLiteral("demo.rod - 沃尼克斯V0.9.20120223"));
    EXPECT_FALSE(window->isWindowModified());
    window->workView()->selectCode(-101);
    ASSERT_TRUE(window->tableView()->editCell(0, 4, QStringLiteral("备注一")));
    EXPECT_TRUE(window->isWindowModified());
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(window->isWindowModified());
    QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(doc().project().controlPoints[0].note.utf8(), "备注一");
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // nothing left to redo
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(doc().project().controlPoints[0].note.utf8(), "备注一");
}

TEST_F(MainWindowTest, ShortcutsAreSetExplicitly) {
    struct Case {
        const char* action;
        QKeySequence key;
    };
    const Case cases[] = {
        {"new", QKeySequence(Qt::CTRL | Qt::Key_N)},           {"open", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"save", QKeySequence(Qt::CTRL | Qt::Key_S)},          {"saveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"print", QKeySequence(Qt::CTRL | Qt::Key_P)},         {"undo", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"redo", QKeySequence(Qt::CTRL | Qt::Key_Y)},          {"redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
        {"cut", QKeySequence(Qt::CTRL | Qt::Key_X)},           {"copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"paste", QKeySequence(Qt::CTRL | Qt::Key_V)},         {"help", QKeySequence(Qt::Key_F1)},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(window->action(c.action)->shortcuts().contains(c.key)) << c.action;
}

TEST_F(MainWindowTest, PasteOfATwoByThreeBlockUndoAndRedo) {
    window->workView()->selectCode(-101);
    const std::vector<ControlPoint> before = doc().project().controlPoints;
    ASSERT_GE(before.size(), 3u);
    QApplication::clipboard()->setText(QStringLiteral("P1\t100.5\t200.25\r\nP2\t300\t400\r\n"));
    QTableView* table = window->tableView()->table();
    table->setFocus();
    table->setCurrentIndex(table->model()->index(1, 0));
    prompter.yesNoAnswers = {true};
    QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_EQ(prompter.shown.back(), "是否覆盖原来的数据？");
    const auto& cp = doc().project().controlPoints;
    EXPECT_EQ(cp[1].name.utf8(), "P1");
    EXPECT_EQ(cp[1].x, 100.5);
    EXPECT_EQ(cp[1].y, 200.25);
    EXPECT_EQ(cp[2].name.utf8(), "P2");
    EXPECT_EQ(cp[2].x, 300);
    EXPECT_EQ(cp[2].y, 400);
    EXPECT_EQ(cp[0], before[0]);
    EXPECT_EQ(window->tableView()->grid().cell(1, 0).text, "P1");
    // One step back restores both rows; one forward brings them again.
    window->action("undo")->trigger();
    EXPECT_EQ(doc().project().controlPoints, before);
    EXPECT_EQ(window->tableView()->grid().cell(1, 0).text, before[1].name.utf8());
    window->action("redo")->trigger();
    EXPECT_EQ(doc().project().controlPoints[2].name.utf8(), "P2");
    EXPECT_EQ(window->tableView()->grid().cell(2, 0).text, "P2");
    // Answering No pastes nothing and adds no step.
    const int steps = window->controller().undoStack().count();
    prompter.yesNoAnswers = {false};
    QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->controller().undoStack().count(), steps);
}

TEST_F(MainWindowTest, CloseAsksToSaveUnsavedEdits) {
    window->workView()->selectCode(-101);
    ASSERT_TRUE(window->tableView()->editCell(0, 4, QStringLiteral("改")));
    prompter.saveAnswers = {SaveAnswer::Cancel};
    EXPECT_FALSE(window->close());
    ASSERT_EQ(prompter.saveQuestions.size(), 1u);
    EXPECT_EQ(prompter.saveQuestions[0], "是否保存对“demo.rod”的更改？");
    EXPECT_TRUE(window->isVisible());
    // 保存 writes the file, then the window closes.
    prompter.saveAnswers = {SaveAnswer::Save};
    EXPECT_TRUE(window->close());
    ScriptedAppPrompter p2;
    MainWindow again(&p2);
    ASSERT_TRUE(again.openFile(path()));
    EXPECT_EQ(again.controller().project().controlPoints[0].note.utf8(), "改");
    // Nothing to save: no question.
    EXPECT_TRUE(again.close());
    EXPECT_TRUE(p2.saveQuestions.empty());
}

TEST_F(MainWindowTest, CloseWithoutSavingKeepsTheFile) {
    const auto bytes = std::filesystem::file_size(file);
    window->workView()->selectCode(-101);
    ASSERT_TRUE(window->tableView()->editCell(0, 4, QStringLiteral("改")));
    prompter.saveAnswers = {SaveAnswer::Discard};
    EXPECT_TRUE(window->close());
    EXPECT_EQ(std::filesystem::file_size(file), bytes);
}

// A project or survey file that cannot be read is told in one box, in Chinese,
// with the reason; the path is not repeated in it.
TEST_F(MainWindowTest, AFileThatCannotBeOpenedIsToldOnceInChinese) {
    std::filesystem::create_directory(dir / "folder.rod");
    std::filesystem::create_directory(dir / "folder.lev");
    ASSERT_EQ(::mkfifo((dir / "pipe.rod").c_str(), 0600), 0);
    {
        // Sparse: larger than any project, taking no room.
        std::ofstream big(dir / "big.rod", std::ios::binary);
        big.seekp((std::streamoff{1} << 30) - 1);
        big.put('\0');
    }
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"folder.rod", "无法打开文件“folder.rod”：这是一个文件夹，不是文件。"},
        {"pipe.rod", "无法打开文件“pipe.rod”：这不是普通文件（是设备、管道或套接字一类的特殊文件）。"},
        {"big.rod", "无法打开文件“big.rod”：文件太大，超过了程序能读入的大小。"},
        {"missing.rod", "无法打开文件“missing.rod”：文件或它所在的文件夹不存在。"},
        {"folder.lev", "无法打开文件“folder.lev”：这是一个文件夹，不是文件。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        EXPECT_FALSE(window->openFile(QString::fromStdString((dir / c.name).string())));
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0], c.text);
    }
}

// A failed save: one box with the reason, and the file on disk untouched.
TEST_F(MainWindowTest, AFailedSaveIsToldOnceWithTheReason) {
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    const auto bytes = testing::readAll(file);
    window->workView()->selectCode(-101);
    ASSERT_TRUE(window->tableView()->editCell(0, 4, QStringLiteral("改")));
    prompter.shown.clear();
    EXPECT_FALSE(window->save());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "保存文件“demo.rod”失败：文件是只读的。原文件保持不变。");
    EXPECT_EQ(testing::readAll(file), bytes);
    EXPECT_TRUE(window->isWindowModified());
}

// The reason of every problem the file doors name is told in Chinese; a
// read-only mount is a read-only file system, not a read-only file.
TEST(FileProblemText, EveryProblemHasItsOwnChineseReason) {
    using P = io::FileProblem;
    const P all[] = {P::Missing, P::Directory, P::NotRegular, P::TooLarge, P::NoPermission, P::ReadOnlyFile,
                     P::ReadOnlyFileSystem, P::NoSpace, P::NoMemory, P::Exists, P::NotThisKind};
    std::set<std::string> seen;
    for (P p : all) {
        const std::string text = fileProblemText(io::FileError(0, "english", p));
        EXPECT_TRUE(seen.insert(text).second) << text;
        EXPECT_EQ(text.find("english"), std::string::npos);
    }
    EXPECT_EQ(fileProblemText(io::FileError(EROFS, "x")), "文件所在的文件系统是只读的");
    EXPECT_EQ(fileProblemText(io::FileError(EACCES, "x", P::ReadOnlyFile)), "文件是只读的");
}

TEST(SaveQuestion, RealDialogOffersSaveDiscardCancel) {
    QtPrompter prompter;
    QString text;
    QStringList buttons;
    testing::answerNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        for (QAbstractButton* b : box->buttons()) buttons << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QStringLiteral("不保存")) b->click();
    });
    EXPECT_EQ(prompter.askSaveChanges("demo.rod"), SaveAnswer::Discard);
    EXPECT_EQ(text, QStringLiteral("是否保存对“demo.rod”的更改？"));
    buttons.sort();
    QStringList expected{QStringLiteral("保存"), QStringLiteral("不保存"), QStringLiteral("取消")};
    expected.sort();
    EXPECT_EQ(buttons, expected);
}

// A message's box carries the icon of its kind; a message without a kind warns.
TEST(MessageBoxKind, RealBoxShowsTheIconOfTheKind) {
    QtPrompter prompter;
    struct Case {
        std::optional<PromptIcon> kind;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {{std::nullopt, QMessageBox::Warning},
                          {PromptIcon::Information, QMessageBox::Information},
                          {PromptIcon::Warning, QMessageBox::Warning},
                          {PromptIcon::Error, QMessageBox::Critical}};
    for (const Case& c : cases) {
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        testing::answerNextModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            shown = box->icon();
            box->accept();
        });
        if (c.kind) prompter.message("传输文件成功. ", *c.kind);
        else prompter.message("传输文件成功. ");
        EXPECT_EQ(shown, c.icon);
    }
}

// The choice question lists the choices; 确定 takes the selected one, 取消 none.
TEST(ChoiceQuestion, RealDialogListsTheChoices) {
    QtPrompter prompter;
    const std::vector<std::string> choices = {"主线", "匝道A", "匝道B"};
    QStringList shown;
    testing::answerNextModal([&](QWidget* w) {
        auto* list = w->findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->count(); ++i) shown << list->item(i)->text();
        list->setCurrentRow(1);
        static_cast<QDialog*>(w)->accept();
    });
    EXPECT_EQ(prompter.askChoice("导入哪一条路线？", choices), 1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("主线"), QStringLiteral("匝道A"), QStringLiteral("匝道B")}));
    testing::answerNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(prompter.askChoice("导入哪一条路线？", choices), -1);
}

// Many lines (the notes of one import) come in one dialog with a list, not a
// box each.
TEST(ListMessage, RealDialogShowsEveryLineAtOnce) {
    QtPrompter prompter;
    std::vector<std::string> lines;
    for (int i = 0; i < 40; ++i) lines.push_back("第" + std::to_string(i + 1) + "个平面元素：长度为零，略去");
    int dialogs = 0, rows = 0;
    testing::answerNextModal([&](QWidget* w) {
        ++dialogs;
        auto* list = w->findChild<QListWidget*>();
        ASSERT_NE(list, nullptr);
        rows = list->count();
        static_cast<QDialog*>(w)->accept();
    });
    prompter.showList("导入的说明：", lines);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(rows, 40);
}

TEST(PasswordDialog, SetModeWantsTheSameEntryTwice) {
    CPassword dialog(PasswordDialogMode::Set, {});
    dialog.show();
    EXPECT_TRUE(dialog.repetitionEdit()->isVisible());
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("取消"));
    QTest::keyClicks(dialog.passwordEdit(), "abc123xyz99");  // 11 characters
    EXPECT_EQ(dialog.passwordEdit()->text(), QStringLiteral("ABC123XYZ9"));
    // Kept in upper case, shown masked.
    EXPECT_FALSE(dialog.passwordEdit()->displayText().contains(QLatin1Char('A')));
    EXPECT_EQ(dialog.repetitionEdit()->echoMode(), QLineEdit::Password);
    QTest::keyClicks(dialog.repetitionEdit(), "abc");
    QStringList refused;
    QObject::connect(&dialog, &CPassword::refused, [&](const QString& m) { refused << m; });
    testing::answerNextModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    dialog.okButton()->click();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused[0], QStringLiteral("两次输入的密码不一致，请重新输入。"));
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.passwordEdit()->selectedText(), QStringLiteral("ABC123XYZ9"));
    dialog.repetitionEdit()->clear();
    QTest::keyClicks(dialog.repetitionEdit(), "ABC123xyz9");
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
    EXPECT_EQ(dialog.password(), QStringLiteral("ABC123XYZ9"));
}

TEST(PasswordDialog, AskModeHidesTheRepetitionAndOffersReadOnly) {
    CPassword dialog(PasswordDialogMode::Ask, "SECRET");
    dialog.show();
    EXPECT_FALSE(dialog.repetitionEdit()->isVisible());
    EXPECT_EQ(dialog.cancelButton()->text(), QStringLiteral("只读"));
    QStringList refused;
    QObject::connect(&dialog, &CPassword::refused, [&](const QString& m) { refused << m; });
    QTest::keyClicks(dialog.passwordEdit(), "secre");
    testing::answerNextModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    dialog.okButton()->click();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_EQ(refused[0], QStringLiteral("密码不对，请重新输入。"));
    QTest::keyClicks(dialog.passwordEdit(), "secret");  // typed over the selected text, lower case
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), int(QDialog::Accepted));
}

TEST_F(MainWindowTest, PasswordIsSetAndAskedOnOpen) {
    prompter.passwords = {{true, "road7"}};
    window->action("password")->trigger();
    EXPECT_EQ(doc().project().password.str(), "(ROAD7)");
    EXPECT_TRUE(window->controller().modified());
    ASSERT_TRUE(window->save());
    prompter.passwordCompares.clear();
    // Opened again with the password typed in lower case: editable.
    prompter.passwords = {{true, "road7"}};
    ASSERT_TRUE(window->openFile(path()));
    ASSERT_EQ(prompter.passwordCompares.size(), 1u);
    EXPECT_EQ(prompter.passwordCompares[0], "ROAD7");
    EXPECT_TRUE(window->controller().editable());
    // "只读": the tables show the records without an empty row, edits are refused.
    prompter.passwords = {{false, ""}};
    ASSERT_TRUE(window->openFile(path()));
    EXPECT_FALSE(window->controller().editable());
    window->workView()->selectCode(-101);
    const Grid& g = window->tableView()->grid();
    EXPECT_EQ(g.rowCount(), int(doc().project().controlPoints.size()));
    EXPECT_FALSE(window->tableView()->isEditable());
    EXPECT_FALSE(window->tableView()->editCell(0, 0, QStringLiteral("X")));
    EXPECT_FALSE(window->action("paste")->isEnabled());
    EXPECT_FALSE(window->action("cut")->isEnabled());
    EXPECT_FALSE(window->action("password")->isEnabled());
    EXPECT_FALSE(window->workView()->roadGrid()->isEditable("roadName"));
    for (QAction* a : window->workView()->contextActions(window->workView()->dataTree()->topLevelItem(0)))
        EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(window->controller().modified());
}

TEST_F(MainWindowTest, RecentFilesKeepTheLastFour) {
    for (int i = 0; i < 5; ++i) {
        const auto f = testing::writeDemo(dir, "p" + std::to_string(i) + ".rod");
        ASSERT_TRUE(window->openFile(QString::fromStdString(f.string())));
    }
    const QStringList recent = window->recentFiles();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent[0].endsWith("p4.rod"));
    EXPECT_TRUE(recent[3].endsWith("p1.rod"));
}

TEST_F(MainWindowTest, NewAndSaveAs) {
    prompter.saveAnswers = {};  // nothing modified yet: no question
    ASSERT_TRUE(window->newDocument());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("无标题[*] - 沃尼克斯V0.9.20120223"));
    ASSERT_EQ(doc().project().roads.size(), 1u);
    prompter.fileNames = {(dir / "新项目").string()};
    ASSERT_TRUE(window->save());  // no file yet: Save As, ".rod" added
    EXPECT_TRUE(std::filesystem::exists(dir / "新项目.rod"));
    EXPECT_EQ(window->controller().displayName(), QStringLiteral("新项目.rod"));
}

}  // namespace
}  // namespace vornex::app
