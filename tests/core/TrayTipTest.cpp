#include <gtest/gtest.h>

#include <string>

#include "core/app/TrayTip.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeKind.h"

namespace brivanta {
namespace {

struct TipCase {
    const char* what;
    std::string user;  // GBK
    int kind;
    std::string tip;  // GBK
};

class TrayTip : public ::testing::TestWithParam<TipCase> {};

TEST_P(TrayTip, NameAndCategoryWithinTheLimit) {
    const TipCase& c = GetParam();
    std::string tip = trayTip(c.user, c.kind);
    EXPECT_EQ(tip, c.tip) << c.what;
    EXPECT_LE(tip.size(), kTrayTipLimit) << c.what;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Categories, TrayTip,
    ::testing::Values(TipCase{"custom", "u", kCustomTree, "u" + text::gbk("（收藏）")},
                      TipCase{"recommended", "u", kRecommendedTree, "u" + text::gbk("（推荐）")},
                      TipCase{"address book", text::gbk("张三"), kAddressBookTree,
                              text::gbk("张三（通讯录）")},
                      // 55 + 8 bytes: exactly the limit.
                      TipCase{"at the limit", std::string(55, 'a'), kCustomTree,
                              std::string(55, 'a') + text::gbk("（收藏）")},
                      // 56 bytes of name: the last whole character that fits ends at byte 62.
                      TipCase{"cut between characters", std::string(56, 'a'), kCustomTree,
                              std::string(56, 'a') + text::gbk("（收藏")},
                      // 62 ASCII bytes then a double-byte character: cutting at 63 would split it.
                      TipCase{"never inside a double-byte character", std::string(62, 'a'),
                              kCustomTree, std::string(62, 'a')},
                      TipCase{"a long Chinese name", repeat(text::gbk("张"), 40), kRecommendedTree,
                              repeat(text::gbk("张"), 31)}));

TEST(TrayTip, FourByteCharactersStayWhole) {
    // A GB18030 four-byte character (U+20000) at bytes 60..63 does not fit.
    std::string four = text::gbk("\xF0\xA0\x80\x80");
    ASSERT_EQ(four.size(), 4u);
    std::string name = std::string(60, 'a') + four;
    EXPECT_EQ(cutToWholeCharacters(name, 63), std::string(60, 'a'));
    EXPECT_EQ(cutToWholeCharacters(name, 64), name);
    EXPECT_EQ(cutToWholeCharacters("", 63), "");
}

}  // namespace
}  // namespace brivanta
