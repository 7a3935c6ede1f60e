#include <gtest/gtest.h>

#include "text/text.h"

using namespace vornex::text;

namespace {
// "中" in GBK is D6 D0; "文" is CE C4.
const std::string kZhong = "\xD6\xD0";
const std::string kWen = "\xCE\xC4";

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}
}  // namespace

TEST(TextConversion, RoundTripsChineseAndAscii) {
    std::string utf8 = "道路测设 K1+234.5 边坡模板0";
    std::string gbk = utf8ToGbk(utf8);
    EXPECT_NE(gbk, utf8);
    EXPECT_EQ(gbkToUtf8(gbk), utf8);
    EXPECT_EQ(utf8ToGbk("中文"), kZhong + kWen);
    EXPECT_EQ(gbkToUtf8(kZhong + kWen), "中文");
}

TEST(TextConversion, BadBytesAreReplacedNotDropped) {
    // A lone lead byte at the end and a character GBK cannot hold.
    EXPECT_EQ(gbkToUtf8("ab\xD6"), "ab\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji has no GBK form
    EXPECT_EQ(utf8ToGbk("a\xFF" "b"), "a?b");               // invalid UTF-8
}

TEST(TextCut, KeepsWholeCharactersOnly) {
    struct Case {
        std::string in;
        std::size_t limit;
        std::string out;
    };
    const Case cases[] = {
        {repeat("a", 20), 12, repeat("a", 12)},                 // 20 ASCII keep 12
        {repeat(kZhong, 7), 12, repeat(kZhong, 6)},             // 7 Chinese keep 6
        {"a" + repeat(kZhong, 6), 12, "a" + repeat(kZhong, 5)}, // 13 bytes: no half character
        {repeat("b", 11) + kWen, 12, repeat("b", 11)},
        {"", 12, ""},
        {repeat(kWen, 12) + "x", 24, repeat(kWen, 12)},
        {"abc", 2, "ab"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cutGbk(c.in, c.limit), c.out) << c.in.size() << " bytes, limit " << c.limit;
    }
    EXPECT_EQ(nameFromUtf8("道路测设数据文件"), utf8ToGbk("道路测设数据"));
}

TEST(TextFormat, PrintfFormatsVerbatim) {
    EXPECT_EQ(format("%8.4f", 3.14159265), "  3.1416");
    EXPECT_EQ(format("%04X%04X", 3, 1), "00030001");
    EXPECT_EQ(format("%s-%d", "K", 12), "K-12");
    std::string longText(1000, 'x');
    EXPECT_EQ(format("%s!", longText.c_str()), longText + "!");
    EXPECT_EQ(trim("  a b \r\n"), "a b");
}
