#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/text/Trim.h"

namespace brivanta::text {
namespace {

TEST(Encoding, GbkAndUtf8BothWays) {
    EXPECT_EQ(gbk("中文"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(toUtf8("\xD6\xD0\xCE\xC4"), "中文");
    EXPECT_EQ(toUtf8("abc"), "abc");
    EXPECT_EQ(toUtf8(""), "");
    // Beyond GBK: GB18030 four-byte forms keep every typed character.
    EXPECT_EQ(toUtf8(fromUtf8("😀€")), "😀€");
}

TEST(Encoding, BadBytesAreSubstitutedNotFatal) {
    EXPECT_EQ(toUtf8("a\xFF"
                     "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(toUtf8("x\xD6"), "x\xEF\xBF\xBD");  // lead byte cut off at the end
    EXPECT_EQ(fromUtf8("a\xC3(b"), "a?(b");
}

TEST(Trim, SpaceAndControlCharactersOnly) {
    EXPECT_EQ(trimLeft(" \t\r\n\v\fx y "), "x y ");
    EXPECT_EQ(trimRight("  x\x0B"), "  x");
    EXPECT_EQ(trim(" \xA1\xA1 "), "\xA1\xA1");  // a GBK full-width space is text
    EXPECT_EQ(trim("   "), "");
    std::string s = "\x0D\x0Ax";
    trimLeftInPlace(s);
    EXPECT_EQ(s, "x");
}

}  // namespace
}  // namespace brivanta::text
