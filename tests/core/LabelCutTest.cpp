#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/text/LabelCut.h"

using namespace brivanta;

namespace {

struct CutCase {
    const char* name;
    std::string label;
    std::string expected;
};

class LabelCutTest : public testing::TestWithParam<CutCase> {};

TEST_P(LabelCutTest, KeepsWholeCharactersWithinTheLimit) {
    const CutCase& c = GetParam();
    EXPECT_EQ(text::cutLabel(c.label), c.expected);
}

std::string chinese(const char* utf8) {
    return text::gbk(utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelCutTest,
    testing::Values(CutCase{"Short", "abc", "abc"}, CutCase{"Empty", "", ""},
                    CutCase{"ExactlyTheLimit", std::string(24, 'a'), std::string(24, 'a')},
                    CutCase{"OneOver", std::string(25, 'a'), std::string(24, 'a') + "..."},
                    // Twelve two-byte characters fill the 24 bytes exactly.
                    CutCase{"WholeDoubleBytes", chinese("一二三四五六七八九十百千万"),
                            chinese("一二三四五六七八九十百千") + "..."},
                    // Shifted by one byte the 24th byte is the first half of a character: it goes.
                    CutCase{"NeverHalfACharacter", "a" + chinese("一二三四五六七八九十百千"),
                            "a" + chinese("一二三四五六七八九十百") + "..."},
                    // A four-byte GB18030 character straddling the limit goes whole.
                    CutCase{"FourByteCharacter", std::string(22, 'a') + "\x81\x30\x81\x30" + "zz",
                            std::string(22, 'a') + "..."},
                    // A lead byte at the very end (a damaged label) is kept as the byte it is.
                    CutCase{"TrailingLeadByte", std::string(30, 'a') + "\xB0",
                            std::string(24, 'a') + "..."}),
    [](const testing::TestParamInfo<CutCase>& row) { return std::string(row.param.name); });

}  // namespace
