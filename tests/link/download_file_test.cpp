// The PC side of a download: the file is written whole through the writing
// door or not at all, and a failure says why.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "link/packet.h"
#include "link/storage.h"
#include "link_fixture.h"

namespace vornex::link {
namespace {

namespace fs = std::filesystem;
using testing::patternBytes;
using vornex::testing::readAll;
using vornex::testing::writeAll;

TEST(DownloadFile, FailureToPutTheFileInPlaceSaysWhyAndLeavesNothingBehind) {
    vornex::testing::TempDir dir;
    vornex::testing::ScriptedPrompter prompter;
    std::deque<std::string> script{ackPacket(), ackPacket(),
                                   commandPacket("45", {"00", "80", 20u, "ROAD", "A.rod", "fls0"}),
                                   dataPacket("45", 1, 1, patternBytes(20)), roleswapPacket()};
    CalculatorLink link([&] { return std::make_unique<testing::ScriptTransport>(script); }, 20);
    TransferDialogModel d(link, prompter);
    d.kind = TransferKind::Receive;
    d.folder = "ROAD";
    d.source = "A.rod";
    const fs::path target = dir / "A.rod";
    d.target = target.string();
    std::vector<TransferNotice> notices;
    d.onNotice = [&](const TransferNotice& n) {
        notices.push_back(n);
        // While the data arrive, something else takes the name: a folder.
        if (n.code == kNoticeProgress) fs::create_directories(target);
    };
    d.start();
    d.runWorkerToEnd();
    EXPECT_NE(d.result(), TransferDialogModel::Result::Ok);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().code, kNoticeFailed);
    EXPECT_EQ(notices.back().message, "不能建立目标文件。\ncannot write " + target.string() + ": Is a directory");
    // Only the folder is there: no temporary file was left.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_empty(target));
}

}  // namespace
}  // namespace vornex::link
