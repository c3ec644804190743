// Matching names by text and pinyin, and the filtered view of a tree.
#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "core/text/Encoding.h"
#include "core/trees/Pinyin.h"
#include "core/trees/PinyinMatcher.h"
#include "core/trees/TreeFilter.h"

using namespace brivanta;
using text::gbk;

namespace {

// The readings of one character, as text.
std::vector<std::string> readingsOf(const char* utf8) {
    std::vector<std::string> out;
    for (std::uint16_t s : pinyin::syllablesOf(pinyin::readingSet(gbk(utf8))))
        out.emplace_back(pinyin::syllable(s));
    return out;
}

TEST(PinyinTable, ReadingsOfCommonAndPolyphonicCharacters) {
    EXPECT_EQ(readingsOf("新"), std::vector<std::string>{"xin"});
    EXPECT_EQ(readingsOf("闻"), std::vector<std::string>{"wen"});
    // The usual reading comes first; the others follow.
    EXPECT_EQ(readingsOf("重").front(), "zhong");
    EXPECT_NE(std::find(readingsOf("重").begin(), readingsOf("重").end(), std::string("chong")),
              readingsOf("重").end());
    std::vector<std::string> hang = readingsOf("行");
    EXPECT_EQ(hang.front(), "xing");
    EXPECT_NE(std::find(hang.begin(), hang.end(), "hang"), hang.end());
    // ü is written v.
    EXPECT_EQ(readingsOf("绿").front(), "lv");
    // Characters outside GBK, stored in their four-byte GB18030 form: 㐀 (U+3400) and 𠀀
    // (U+20000).
    EXPECT_EQ(gbk("㐀").size(), 4u);
    EXPECT_EQ(readingsOf("㐀"), std::vector<std::string>{"qiu"});
    EXPECT_EQ(gbk("𠀀").size(), 4u);
    EXPECT_FALSE(readingsOf("𠀀").empty());
    // Letters, punctuation and damaged bytes have no readings.
    EXPECT_TRUE(readingsOf("a").empty());
    EXPECT_TRUE(readingsOf("，").empty());
    EXPECT_EQ(pinyin::readingSet("\x81"), 0);
    EXPECT_EQ(pinyin::readingSet("\xFF\xFF"), 0);
    EXPECT_EQ(pinyin::readingSet("\x81\x30\xFF\x30"), 0);
}

TEST(PinyinTable, CharacterLengths) {
    std::string text = "a" + gbk("新") + gbk("㐀") + "\x81";
    EXPECT_EQ(pinyin::characterLength(text, 0), 1u);
    EXPECT_EQ(pinyin::characterLength(text, 1), 2u);
    EXPECT_EQ(pinyin::characterLength(text, 3), 4u);
    EXPECT_EQ(pinyin::characterLength(text, 7), 1u);  // a lead byte at the end
    EXPECT_EQ(pinyin::characterLength("\x81\x7F", 0), 1u);
}

struct MatchCase {
    const char* query;  // UTF-8
    const char* text;   // UTF-8
    bool matches;
};

class PinyinMatch : public ::testing::TestWithParam<MatchCase> {};

TEST_P(PinyinMatch, Query) {
    const MatchCase& c = GetParam();
    PinyinMatcher matcher(gbk(c.query));
    EXPECT_EQ(matcher.matches(gbk(c.text)), c.matches)
        << "query \"" << c.query << "\" in \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PinyinMatch,
    ::testing::Values(
        // Initials, full pinyin, with and without blanks, and beginnings of syllables.
        MatchCase{"xw", "新闻", true}, MatchCase{"xinwen", "新闻", true},
        MatchCase{"xin wen", "新闻", true}, MatchCase{"xinw", "新闻", true},
        MatchCase{"x", "新闻", true}, MatchCase{"w", "新闻", true}, MatchCase{"XW", "新闻", true},
        MatchCase{"XinWen", "新闻", true}, MatchCase{"wx", "新闻", false},
        MatchCase{"xinwenx", "新闻", false}, MatchCase{"xinn", "新闻", false},
        MatchCase{"inwen", "新闻", false},
        // Inside a longer name, not only at its start.
        MatchCase{"wz", "今日新闻网站", true}, MatchCase{"xwwz", "今日新闻网站", true},
        MatchCase{"rx", "今日新闻网站", true}, MatchCase{"jx", "今日新闻网站", false},
        // Several readings: each one matches.
        MatchCase{"cq", "重庆", true}, MatchCase{"zq", "重庆", true},
        MatchCase{"chongqing", "重庆", true}, MatchCase{"zhongqing", "重庆", true},
        MatchCase{"yh", "银行", true}, MatchCase{"yinhang", "银行", true},
        MatchCase{"yx", "银行", true}, MatchCase{"lvse", "绿色", true},
        MatchCase{"luse", "绿色", true},
        // The characters themselves, and Chinese and pinyin mixed.
        MatchCase{"新闻", "今日新闻", true}, MatchCase{"新w", "新闻", true},
        MatchCase{"x闻", "新闻", true}, MatchCase{"闻新", "新闻", false},
        // Mixed Chinese and Latin names.
        MatchCase{"qqyx", "QQ邮箱", true}, MatchCase{"qq yx", "QQ邮箱", true},
        MatchCase{"youxiang", "QQ邮箱", true}, MatchCase{"qqy", "QQ 邮箱", false},
        MatchCase{"qq y", "QQ 邮箱", true}, MatchCase{"b站", "B站视频", true},
        MatchCase{"bzsp", "B站视频", true},
        // Latin text in any case; blanks at the ends of the query do not count, and a blank
        // of the name must be typed.
        MatchCase{"GitHub", "github.com", true}, MatchCase{"HUB", "GitHub", true},
        MatchCase{"  hub  ", "GitHub", true}, MatchCase{"git  hub", "git hub", true},
        MatchCase{"gith", "git hub", false}, MatchCase{"hubx", "GitHub", false},
        // A letter never matches half of a Chinese character: GBK trail bytes include ASCII
        // ones (丂 is 0x81 0x40, "@"; 乤 is 0x81 0x61, "a").
        MatchCase{"@", "丂", false}, MatchCase{"a", "乤", false}, MatchCase{"A", "乤", false},
        // An empty query matches everything.
        MatchCase{"", "新闻", true}, MatchCase{"   ", "", true}));

TEST(PinyinMatcher, LongQueriesMatchAsPlainText) {
    std::string address = "http://www.example.com/a/very/long/path/that/goes/on/and/on/index.htm";
    std::string query = address.substr(3, 66);
    ASSERT_GT(query.size(), 63u);
    for (char& c : query)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(PinyinMatcher(query).matches(address));
    EXPECT_FALSE(PinyinMatcher(query + "x").matches(address));
    // Chinese in a long query still matches character by character.
    std::string name = gbk("新闻") + std::string(70, 'a');
    EXPECT_TRUE(PinyinMatcher(gbk("闻") + std::string(70, 'A')).matches(name));
    EXPECT_FALSE(PinyinMatcher(std::string(1, '\xC5') + std::string(70, 'a')).matches(name));
}

TEST(PinyinMatcher, AddressesMatchAsText) {
    EXPECT_TRUE(PinyinMatcher("NEWS.example").contains("http://news.EXAMPLE.com"));
    EXPECT_TRUE(PinyinMatcher(gbk("文档/新")).contains("file:///home/" + gbk("文档/新闻.txt")));
    EXPECT_FALSE(PinyinMatcher("xw").contains(gbk("新闻")));  // no pinyin in addresses
    EXPECT_FALSE(PinyinMatcher("a").contains(gbk("乤乤")));   // never inside a character
    EXPECT_TRUE(PinyinMatcher("a").contains(gbk("乤") + "A"));
    EXPECT_FALSE(PinyinMatcher("com/").contains("http://x.com"));
    EXPECT_TRUE(PinyinMatcher("").contains(""));
    // Long texts are skipped eight bytes at a time: a match at every offset, in either case,
    // after non-ASCII bytes, and with characters the case bit does not fold.
    const std::string filler = "abcdefghijklmnopqrstuvw";
    for (size_t at = 0; at <= filler.size(); ++at) {
        std::string text = filler.substr(0, at) + "XyZ" + filler.substr(at);
        EXPECT_TRUE(PinyinMatcher("xYz").contains(text)) << at;
        EXPECT_FALSE(PinyinMatcher("xYa").contains(text)) << at;
        std::string mail = filler.substr(0, at) + "@[\t" + filler;
        EXPECT_TRUE(PinyinMatcher("@[").contains(mail)) << at;
        EXPECT_FALSE(PinyinMatcher("`{").contains(mail)) << at;
    }
    EXPECT_TRUE(PinyinMatcher("a b").contains("xxxxxxxxxxxxxxxxa\tbxxxxxxxx"));
    EXPECT_TRUE(PinyinMatcher("x1").contains(gbk("新闻新闻新闻") + "x1"));
    EXPECT_FALSE(PinyinMatcher("a").contains(gbk("乤乤乤乤乤乤乤乤")));
}

TEST(PinyinMatcher, NarrowsOnlyWhenTheQueryGrowsAtItsEnd) {
    PinyinMatcher x(gbk("x"));
    EXPECT_TRUE(PinyinMatcher("xw").narrows(x));
    EXPECT_TRUE(PinyinMatcher("x ").narrows(x));
    EXPECT_FALSE(PinyinMatcher("ax").narrows(x));
    EXPECT_FALSE(PinyinMatcher("").narrows(x));
    // A damaged byte at the end that the next byte turns into a character (衏 is D0 63).
    EXPECT_FALSE(PinyinMatcher("w\xD0"
                               "c")
                     .narrows(PinyinMatcher("w\xD0")));
    EXPECT_TRUE(PinyinMatcher(gbk("新闻")).narrows(PinyinMatcher(gbk("新"))));
}

// A custom tree:
//   工作 { 新闻 http://news.example.com ; 重庆 { 银行 http://bank.example.cq } }
//   娱乐 { 音乐 http://music.example.com }
//   GitHub https://github.com
struct SearchTree : ::testing::Test {
    BookmarkTree tree;
    ItemId work, news, chongqing, bank, fun, music, github;
    TreeFilter filter{tree};

    SearchTree() {
        work = tree.InsertNode({gbk("工作"), "", ""});
        news = tree.InsertNode({gbk("新闻"), "http://news.example.com", ""}, work);
        chongqing = tree.InsertNode({gbk("重庆"), "", ""}, work);
        bank = tree.InsertNode({gbk("银行"), "http://bank.example.cq", ""}, chongqing);
        fun = tree.InsertNode({gbk("娱乐"), "", ""});
        music = tree.InsertNode({gbk("音乐"), "http://music.example.com", ""}, fun);
        github = tree.InsertNode({"GitHub", "https://github.com", ""});
    }
    std::vector<ItemId> ordered() const { return filter.hitsInTreeOrder(); }
};

TEST_F(SearchTree, KeepsTheFoldersThatLeadToHits) {
    filter.setQuery("yh");
    ASSERT_TRUE(filter.active());
    EXPECT_EQ(ordered(), std::vector<ItemId>{bank});
    EXPECT_EQ(filter.childCount(kNoItem), 1);
    EXPECT_EQ(filter.child(kNoItem, 0), work);
    EXPECT_EQ(filter.childCount(work), 1);
    EXPECT_EQ(filter.child(work, 0), chongqing);
    EXPECT_EQ(filter.row(chongqing), 0);  // its second place in the tree becomes the first
    EXPECT_EQ(filter.child(chongqing, 0), bank);
    EXPECT_FALSE(filter.isShown(news));
    EXPECT_FALSE(filter.isHit(work));
    EXPECT_TRUE(filter.isShown(work));
    EXPECT_EQ(filter.childCount(fun), 0);
    EXPECT_EQ(filter.child(work, 1), kNoItem);
    EXPECT_EQ(filter.child(work, -1), kNoItem);
    EXPECT_EQ(filter.row(music), -1);
    EXPECT_EQ(filter.pathOf(bank), gbk("工作/重庆/银行"));
}

TEST_F(SearchTree, MatchesAddressesAndFoldersAndKeepsTreeOrder) {
    filter.setQuery("EXAMPLE.com");
    EXPECT_EQ(ordered(), (std::vector<ItemId>{news, music}));
    filter.setQuery("cq");  // 重庆 by its name, 银行 by its address
    EXPECT_EQ(ordered(), (std::vector<ItemId>{chongqing, bank}));
    EXPECT_EQ(filter.firstLink(), bank);
    filter.setQuery("gz");
    EXPECT_EQ(ordered(), std::vector<ItemId>{work});
    EXPECT_EQ(filter.firstLink(), kNoItem);
    EXPECT_EQ(filter.childCount(work), 0);  // a matching folder shows without its entries
    filter.setQuery("nothing like it");
    EXPECT_TRUE(ordered().empty());
    EXPECT_EQ(filter.childCount(kNoItem), 0);
}

TEST_F(SearchTree, LabelsThatDifferFromTheNameMatchToo) {
    tree.setLabel(github, gbk("代码仓库"));
    filter.setQuery("dmck");
    EXPECT_EQ(ordered(), std::vector<ItemId>{github});
    filter.setQuery("GitHub");
    EXPECT_EQ(ordered(), std::vector<ItemId>{github});
}

TEST_F(SearchTree, NarrowsFromThePreviousHitsAndWidensAgain) {
    filter.setQuery("y");
    EXPECT_EQ(ordered(), (std::vector<ItemId>{bank, fun, music}));
    filter.setQuery("yy");  // 娱乐 too: 乐 reads le and yue
    EXPECT_EQ(ordered(), (std::vector<ItemId>{fun, music}));
    filter.setQuery("yul");
    EXPECT_EQ(ordered(), std::vector<ItemId>{fun});
    // Deleting a character searches the whole tree again.
    filter.setQuery("y");
    EXPECT_EQ(ordered(), (std::vector<ItemId>{bank, fun, music}));
    // A new entry counts once the filter is refreshed, even for a narrowing query.
    ItemId more = tree.InsertNode({gbk("音响"), "http://hifi.example.com", ""});
    filter.refresh();
    filter.setQuery("yx");
    EXPECT_EQ(ordered(), (std::vector<ItemId>{bank, more}));
    filter.clear();
    EXPECT_FALSE(filter.active());
    EXPECT_EQ(filter.childCount(kNoItem), tree.childCount(kNoItem));
    EXPECT_EQ(filter.child(work, 1), chongqing);
    EXPECT_TRUE(filter.isShown(music));
}

TEST(TreeFilter, NarrowingGivesWhatAFullSearchGives) {
    std::mt19937 rng(7);
    BookmarkTree tree;
    brivanta::testing::fillRandomTree(tree, rng, 3000, 6);
    TreeFilter narrowed(tree);
    std::vector<size_t> counts;
    // Ending in 新闻学习 (xwxx) followed by the digits of the entry number.
    for (const char* typed : {"x", "xw", "xwx", "xwxx", "xwxx1", "xwxx1x"}) {
        narrowed.setQuery(typed);
        TreeFilter full(tree);
        full.setQuery(typed);
        EXPECT_EQ(narrowed.hits(), full.hits()) << typed;
        EXPECT_EQ(narrowed.hitsInTreeOrder(), full.hitsInTreeOrder()) << typed;
        counts.push_back(narrowed.hitCount());
    }
    EXPECT_GT(counts[4], 0u);
    EXPECT_LT(counts[4], counts[0]);
    EXPECT_EQ(counts[5], 0u);
}

TEST(TreeFilter, DeepTreesDoNotRecurse) {
    BookmarkTree tree;
    ItemId parent = kNoItem;
    for (int i = 0; i < 200000; ++i)
        parent = tree.InsertNode({"level", "", ""}, parent);
    tree.InsertNode({gbk("新闻"), "http://deep.example.com", ""}, parent);
    TreeFilter filter(tree);
    filter.setQuery("xw");
    EXPECT_EQ(filter.hitsInTreeOrder().size(), 1u);
    EXPECT_EQ(filter.firstLink(), tree.nextItemData());
}

}  // namespace
