#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/text/EscapedText.h"

namespace brivanta::text {
namespace {

struct EscapeCase {
    const char* what;
    std::string stored;  // bytes as a tree holds them
    std::string shown;   // what a terminal gets
};

class EscapedTextTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapedTextTest, ShowsSafelyAndReadsBackExactly) {
    const EscapeCase& c = GetParam();
    EXPECT_EQ(escapedUtf8(c.stored), c.shown);
    std::string back;
    ASSERT_TRUE(unescapeUtf8(c.shown, back));
    EXPECT_EQ(back, c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EscapedTextTest,
    ::testing::Values(EscapeCase{"gbk", "\xD6\xD0\xCE\xC4", "中文"},
                      // A character beyond GBK in its four-byte GB18030 form shows as itself.
                      EscapeCase{"four-byte", fromUtf8("😀"), "😀"},
                      EscapeCase{"line ends", "a\r\nb", "a\\r\\nb"},
                      EscapeCase{"tab", "x\ty", "x\\ty"},
                      EscapeCase{"backslash", "C:\\dir\\t", "C:\\\\dir\\\\t"},
                      EscapeCase{"escape sequence", "\x1b[31mred", "\\x1B[31mred"},
                      EscapeCase{"delete and nul", std::string("a\x7f\0b", 4), "a\\x7F\\x00b"},
                      // U+009B (a C1 control some terminals obey) in GB18030 form, 81 30 83 37: its
                      // bytes are shown one by one, the digits among them as themselves.
                      EscapeCase{"c1 control", fromUtf8("\xC2\x9B"),
                                 "\\x81"
                                 "0\\x83"
                                 "7"},
                      EscapeCase{"lone trail byte",
                                 "\x80"
                                 "a",
                                 "\\x80a"},
                      EscapeCase{"ff", "\xFF\xD6\xD0", "\\xFF中"},
                      EscapeCase{"cut lead byte", "ab\xD6", "ab\\xD6"},
                      EscapeCase{"lead before ascii",
                                 "\xD6"
                                 "1z",
                                 "\\xD61z"},
                      EscapeCase{"empty", "", ""}),
    [](const auto& row) {
        std::string name = row.param.what;
        for (char& ch : name) {
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        }
        return name;
    });

TEST(EscapedText, EveryByteSurvives) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    for (int i = 255; i >= 0; --i)
        all += static_cast<char>(i);
    std::string shown = escapedUtf8(all);
    for (char c : shown) {
        auto u = static_cast<unsigned char>(c);
        EXPECT_TRUE(u >= 0x20 && u != 0x7f) << "raw control byte " << int(u);
    }
    std::string back;
    ASSERT_TRUE(unescapeUtf8(shown, back));
    EXPECT_EQ(back, all);
}

TEST(EscapedText, LeadingBlankOnlyWhenAsked) {
    EXPECT_EQ(escapedUtf8(" a b"), " a b");
    EXPECT_EQ(escapedUtf8(" a b", true), "\\x20a b");
}

TEST(EscapedText, MalformedEscapesAreRefused) {
    std::string out;
    for (const char* bad : {"a\\", "\\q", "\\x4", "\\xZ1", "end\\x"})
        EXPECT_FALSE(unescapeUtf8(bad, out)) << bad;
}

}  // namespace
}  // namespace brivanta::text
