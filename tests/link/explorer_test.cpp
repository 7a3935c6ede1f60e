#include "link/explorer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "link/packet.h"
#include "link_fixture.h"

namespace vornex::link {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using testing::ScriptTransport;
using testing::SimBench;
using vornex::testing::writeAll;
using Result = TransferDialogModel::Result;

std::vector<std::string> rowTexts(const CalculatorExplorerModel& m) {
    std::vector<std::string> out;
    for (auto& r : m.rows()) out.push_back(r.name + "|" + r.size);
    return out;
}

struct ExplorerBench : SimBench {
    ExplorerBench() {
        fs::create_directories(storage / "EMPTY");
        fs::create_directories(storage / "ROAD");
        writeAll(storage / "ROOT.rod", patternBytes(10));
        writeAll(storage / "ROAD" / "K1.rod", patternBytes(2500));
        writeAll(storage / "ROAD" / "1.rod", patternBytes(7));
    }
};

TEST(ExplorerTest, FoldersAndRowsFromTheListing) {
    ExplorerBench b;
    CalculatorExplorerModel m(b.link, b.prompter);
    ASSERT_TRUE(m.refresh());
    EXPECT_EQ(m.folders(), (std::vector<std::string>{"根目录", "EMPTY", "ROAD"}));
    m.selectFolder(2);
    EXPECT_EQ(rowTexts(m), (std::vector<std::string>{"1.rod|         7", "K1.rod|      2500"}));
    EXPECT_FALSE(m.deleteEnabled());
    m.selectRow(1);
    EXPECT_TRUE(m.deleteEnabled());
    EXPECT_TRUE(m.downloadEnabled());
    m.selectFolder(0);  // every change of the tree selection disables delete
    EXPECT_FALSE(m.deleteEnabled());
    EXPECT_EQ(rowTexts(m), (std::vector<std::string>{"ROOT.rod|        10"}));
    m.selectFolder(1);
    EXPECT_TRUE(m.rows().empty());
}

TEST(ExplorerTest, EmptyStorageAndUnannouncedFolders) {
    SimBench b;
    CalculatorExplorerModel empty(b.link, b.prompter);
    ASSERT_TRUE(empty.refresh());
    EXPECT_EQ(empty.folders(), std::vector<std::string>{"根目录"});

    // A file whose folder was not announced lists under the root.
    std::deque<std::string> script{ackPacket(), ackPacket(),
                                   commandPacket("4E", {"00", "80", 5, "GHOST", "G.rod", "fls0"}), roleswapPacket()};
    CalculatorLink link([&] { return std::make_unique<ScriptTransport>(script); }, 20);
    vornex::testing::ScriptedPrompter prompter;
    CalculatorExplorerModel m(link, prompter);
    ASSERT_TRUE(m.refresh());
    EXPECT_EQ(m.folders(), std::vector<std::string>{"根目录"});
    m.selectFolder(0);
    EXPECT_EQ(rowTexts(m), std::vector<std::string>{"G.rod|         5"});
    // Listed under the root, yet a download names the file in its own folder.
    m.selectRow(0);
    TransferDialogModel dialog(link, prompter);
    ASSERT_TRUE(m.prepareDownload(b.pc.string(), dialog));
    EXPECT_EQ(dialog.folder, "GHOST");
    EXPECT_EQ(dialog.source, "G.rod");
}

// Keeps every packet the host wrote.
class RecordingScript : public ScriptTransport {
public:
    RecordingScript(std::deque<std::string> replies, std::vector<std::string>& log)
        : ScriptTransport(std::move(replies)), log_(log) {}
    std::size_t write(std::string_view p) override {
        log_.emplace_back(p);
        return ScriptTransport::write(p);
    }

private:
    std::vector<std::string>& log_;
};

TEST(ExplorerTest, DeleteNamesTheFileInItsOwnFolder) {
    // G.rod lives in a folder the listing did not announce; shown under the root.
    std::deque<std::string> script{ackPacket(), ackPacket(),
                                   commandPacket("4E", {"00", "80", 5, "GHOST", "G.rod", "fls0"}), roleswapPacket(),
                                   ackPacket()};
    std::vector<std::string> written;
    CalculatorLink link([&] { return std::make_unique<RecordingScript>(script, written); }, 20);
    vornex::testing::ScriptedPrompter prompter;
    prompter.yesNoAnswers = {true};
    CalculatorExplorerModel m(link, prompter);
    ASSERT_TRUE(m.refresh());
    m.selectFolder(0);
    m.selectRow(0);
    ASSERT_TRUE(m.deleteSelected());
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), deletePacket("GHOST", "G.rod", kStorageDevice));
    EXPECT_TRUE(m.rows().empty());
}

TEST(ExplorerTest, UnreachableCalculatorClosesTheDialog) {
    vornex::testing::TempDir dir;
    vornex::testing::ScriptedPrompter prompter;
    CalculatorLink link(transportFactoryFor("seqpacket:" + (dir / "none").string()), 20);
    CalculatorExplorerModel m(link, prompter);
    EXPECT_FALSE(m.refresh());
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"不能打开计算器端口。\n请断开再重新连接计算器。"});
}

TEST(ExplorerTest, UploadNameConversion) {
    struct Case {
        const char* pc;
        const char* calc;
    } cases[] = {{"k1.ROD", "K1.rod"}, {"road", "ROAD"}, {"a.B.c", "A.b.c"}, {".Rod", ".rod"}, {"测k.Rod", "测K.rod"}};
    for (const auto& c : cases) EXPECT_EQ(CalculatorExplorerModel::calculatorName(c.pc), c.calc);
}

TEST(ExplorerTest, UploadIntoTheSelectedFolderIsListedOnce) {
    ExplorerBench b;
    writeAll(b.pc / "k2.ROD", patternBytes(1234));
    CalculatorExplorerModel m(b.link, b.prompter);
    ASSERT_TRUE(m.refresh());
    {
        TransferDialogModel d(b.link, b.prompter);
        EXPECT_FALSE(m.prepareUpload((b.pc / "k2.ROD").string(), d));  // no folder selected yet
    }
    m.selectFolder(2);
    for (int round = 0; round < 2; ++round) {
        TransferDialogModel d(b.link, b.prompter);
        ASSERT_TRUE(m.prepareUpload((b.pc / "k2.ROD").string(), d));
        EXPECT_EQ(d.target, "K2.rod");
        EXPECT_EQ(d.folder, "ROAD");
        EXPECT_EQ(d.caption, "上传文件<K2.rod>至计算器");
        b.prompter.yesNoAnswers = {true};  // the second round overwrites
        d.start();
        d.runWorkerToEnd();
        ASSERT_EQ(d.result(), Result::Ok);
        m.uploadFinished((b.pc / "k2.ROD").string(), d.result());
    }
    EXPECT_EQ(rowTexts(m), (std::vector<std::string>{"1.rod|         7", "K1.rod|      2500", "K2.rod|        1234"}));
    EXPECT_TRUE(fs::exists(b.storage / "ROAD" / "K2.rod"));
}

TEST(ExplorerTest, DownloadNeedsASelectedFile) {
    ExplorerBench b;
    CalculatorExplorerModel m(b.link, b.prompter);
    ASSERT_TRUE(m.refresh());
    m.selectFolder(2);
    TransferDialogModel d(b.link, b.prompter);
    EXPECT_FALSE(m.prepareDownload(b.pc.string(), d));
    EXPECT_EQ(b.prompter.shown.back(), "请选择文件");
    m.selectRow(1);
    ASSERT_TRUE(m.prepareDownload(b.pc.string(), d));
    EXPECT_EQ(d.kind, TransferKind::Receive);
    EXPECT_EQ(d.source, "K1.rod");
    EXPECT_EQ(d.folder, "ROAD");
    EXPECT_EQ(d.target, (b.pc / "K1.rod").string());
    EXPECT_EQ(d.caption, "下载文件<K1.rod>至电脑");
}

TEST(ExplorerTest, DeleteRemovesTheSelectedFileOfTheSelectedFolder) {
    ExplorerBench b;
    CalculatorExplorerModel m(b.link, b.prompter);
    ASSERT_TRUE(m.refresh());
    m.selectFolder(2);
    m.selectRow(1);  // K1.rod
    b.prompter.yesNoAnswers = {false};
    EXPECT_FALSE(m.deleteSelected());
    EXPECT_TRUE(fs::exists(b.storage / "ROAD" / "K1.rod"));
    EXPECT_EQ(m.rows().size(), 2u);

    b.prompter.yesNoAnswers = {true};
    EXPECT_TRUE(m.deleteSelected());
    EXPECT_EQ(b.prompter.shown.back(), "是否删除计算器上的文件<K1.rod>？");
    EXPECT_FALSE(fs::exists(b.storage / "ROAD" / "K1.rod"));
    EXPECT_TRUE(fs::exists(b.storage / "ROAD" / "1.rod"));
    EXPECT_EQ(rowTexts(m), std::vector<std::string>{"1.rod|         7"});
    EXPECT_FALSE(m.deleteEnabled());
    m.selectFolder(2);
    EXPECT_EQ(rowTexts(m), std::vector<std::string>{"1.rod|         7"});
}

}  // namespace
}  // namespace vornex::link
