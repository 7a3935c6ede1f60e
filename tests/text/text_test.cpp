#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "text/text.h"
#include "text/utf8.h"

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

// The fast writer and reader of numbers must give printf's and strtod's bytes and
// values exactly: the batch's result file depends on it. Checked against the C
// library itself, on the hard cases (ties, signs, huge and tiny values) and on
// many random values of every magnitude.
TEST(TextNumbers, AppendFixedWritesWhatPrintfWrites) {
    const double cases[] = {0.0, -0.0, 0.125, -0.125, 0.375, 2.5, 0.00005, -0.00005, 0.00015, 1.00005,
                            123456.78905, -3.99995, 1e-320, -1e-7, 1e18, 1e308, -1.7976931348623157e308,
                            9999999.99995, 4.35, 2.675, 1e16 + 2, 0.1 + 0.2};
    for (double v : cases)
        for (int p : {0, 3, 4}) {
            std::string fast = "x";
            appendFixed(fast, v, p, 8);
            EXPECT_EQ(fast, "x" + format("%8.*f", p, v)) << v << " precision " << p;
        }
    for (double v : {HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan("")}) {
        std::string fast;
        appendFixed(fast, v, 4, 8);
        EXPECT_EQ(fast, format("%8.4f", v));
    }
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-12, 12), quarter(-400000, 400000);
    for (int i = 0; i < 200000; ++i) {
        // Random magnitudes, and exact multiples of 1/4096 (many exact ties at 3 and 4 decimals).
        const double v = i % 2 ? mantissa(rng) * std::pow(10.0, exponent(rng)) : quarter(rng) / 4096.0;
        std::string fast;
        appendFixed(fast, v, 3 + i % 2, 8);
        ASSERT_EQ(fast, format("%8.*f", 3 + i % 2, v)) << v;
    }
}

TEST(TextNumbers, ParseNumberReadsWhatStrtodReads) {
    const char* cases[] = {"0", "-0", "12.5", "  7.25", "\t-3", "+4.5", "1e3", "1E-3", ".5", "5.", "0x1A", "1.5e",
                           "12abc", "abc", "", " ", "-", "inf", "-Infinity", "nan", "1e999", "-1e999", "1e-400",
                           "4.9e-324", "2.2250738585072011e-308", "3000123.45678901234567", "\v8", "1,2"};
    for (const char* c : cases) {
        const double expected = std::strtod(c, nullptr), got = parseNumber(c);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(got)) << c;
        } else {
            EXPECT_EQ(std::signbit(got), std::signbit(expected)) << c;
            EXPECT_EQ(got, expected) << c;
        }
    }
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-30, 30), digits(1, 17);
    for (int i = 0; i < 100000; ++i) {
        const std::string s = format("%.*g", digits(rng), mantissa(rng) * std::pow(10.0, exponent(rng)));
        ASSERT_EQ(parseNumber(s), std::strtod(s.c_str(), nullptr)) << s;
    }
}

TEST(TextEncoding, WellFormedUtf8FollowsTheStandardsByteTable) {
    struct Case {
        const char* bytes;
        bool wellFormed;
    };
    const Case cases[] = {
        {"", true},
        {"K1+234.5", true},
        {"\xC2\x80", true},              // U+0080, the first two-byte character
        {"\xE4\xB8\xAD\xE6\x96\x87", true},  // 中文
        {"\xED\x9F\xBF", true},          // U+D7FF, just below the surrogates
        {"\xEE\x80\x80", true},          // U+E000, just above them
        {"\xF0\x90\x80\x80", true},      // U+10000
        {"\xF4\x8F\xBF\xBF", true},      // U+10FFFF, the last code point
        {"\xC0\x80", false},             // overlong NUL
        {"\xC1\xBF", false},             // overlong U+007F
        {"\xE0\x9F\xBF", false},         // overlong U+07FF
        {"\xF0\x8F\xBF\xBF", false},     // overlong U+FFFF
        {"\xED\xA0\x80", false},         // a surrogate
        {"\xF4\x90\x80\x80", false},     // above U+10FFFF
        {"\xF5\x80\x80\x80", false},
        {"\x80", false},                 // a continuation byte alone
        {"a\xE4\xB8", false},            // cut at the end
        {"\xE4\x41\xAD", false},         // a plain byte inside a sequence
        {"\xD6\xD0\xCE\xC4", false},     // 中文 in GBK
    };
    for (const Case& c : cases) EXPECT_EQ(isWellFormedUtf8(c.bytes), c.wellFormed) << testing::PrintToString(std::string(c.bytes));
    // A file's text: UTF-8 is kept, GBK is converted.
    EXPECT_EQ(utf8OrGbkToUtf8("中文,1,2"), "中文,1,2");
    EXPECT_EQ(utf8OrGbkToUtf8(kZhong + kWen + ",1,2"), "中文,1,2");
}
