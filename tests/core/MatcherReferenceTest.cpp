// The search's quick paths (characters passed over by a table, stretches of text skipped
// many bytes at a time, labels not read again while narrowing) against a matcher written the
// slow and obvious way: character by character, every start, every reading.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "ReferenceMatcher.h"
#include "TreeBuilders.h"
#include "core/text/Encoding.h"
#include "core/trees/Pinyin.h"
#include "core/trees/PinyinMatcher.h"
#include "core/trees/TreeFilter.h"

using namespace brivanta;
using brivanta::testing::referenceContains;
using brivanta::testing::referenceMatches;
using text::gbk;

namespace {

// Pieces that texts and queries are made of: polyphonic and plain characters, letters in
// both cases, blanks of every kind, characters whose trail byte is an ASCII letter, a
// four-byte character and damaged bytes.
const std::vector<std::string>& pieces() {
    static const std::vector<std::string> all = [] {
        std::vector<std::string> out;
        for (const char* utf8 : {"新", "闻", "重", "庆", "行", "乐", "绿", "银", "长", "乤", "丂",
                                 "㐀", "　", "，", "站"})
            out.push_back(gbk(utf8));
        for (const char* ascii : {"x", "X", "w", "z",  "q", "i",   "n",   "u",     "v",    "a",
                                  "A", "@", " ", "\t", "1", "xin", "wen", "chong", "hang", "lv"})
            out.emplace_back(ascii);
        out.emplace_back("\x81");  // a lead byte with no trail
        out.emplace_back("\xFF");
        out.emplace_back("\xD0");
        return out;
    }();
    return all;
}

std::string randomText(std::mt19937& rng, int maxPieces) {
    std::string out;
    int count = std::uniform_int_distribution<int>(0, maxPieces)(rng);
    for (int i = 0; i < count; ++i)
        out += pieces()[rng() % pieces().size()];
    return out;
}

TEST(MatcherReference, RandomQueriesAndTextsAgree) {
    std::mt19937 rng(2026);
    int matched = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string typed = randomText(rng, 4);
        PinyinMatcher matcher(typed);
        for (int t = 0; t < 8; ++t) {
            // Long texts too, so that the many-bytes-at-a-time paths are taken.
            std::string text = randomText(rng, t < 4 ? 6 : 40);
            bool expected = referenceMatches(matcher.query(), text);
            matched += expected ? 1 : 0;
            ASSERT_EQ(matcher.matches(text), expected)
                << "query [" << typed << "] text [" << text << "]";
            ASSERT_EQ(matcher.contains(text), referenceContains(matcher.query(), text))
                << "query [" << typed << "] text [" << text << "]";
        }
    }
    // Both answers must have been seen plenty of times for the comparison to mean much.
    EXPECT_GT(matched, 4000);
    EXPECT_LT(matched, 28000);
}

// One wanted piece among characters that cannot begin the query, at every place of a text
// long enough for the skipping: the first key of a search takes only that path.
struct OnePlaceCase {
    const char* query;   // UTF-8
    const char* filler;  // UTF-8, one character, never a start of the query
    const char* wanted;  // UTF-8 (or raw bytes when `raw`)
    bool matches;
    bool raw = false;
};

class MatcherAtEveryPlace : public ::testing::TestWithParam<OnePlaceCase> {};

TEST_P(MatcherAtEveryPlace, FindsThePieceWhereverItIs) {
    const OnePlaceCase& c = GetParam();
    PinyinMatcher matcher(gbk(c.query));
    std::string filler = gbk(c.filler);
    std::string wanted = c.raw ? std::string(c.wanted) : gbk(c.wanted);
    for (size_t before = 0; before <= 20; ++before) {
        for (size_t after : {0, 1, 7, 20}) {
            std::string text;
            for (size_t k = 0; k < before; ++k)
                text += filler;
            text += wanted;
            for (size_t k = 0; k < after; ++k)
                text += filler;
            EXPECT_EQ(matcher.matches(text), c.matches)
                << c.query << " in " << before << " + [" << c.wanted << "] + " << after;
            EXPECT_EQ(matcher.matches(text), referenceMatches(matcher.query(), text));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MatcherAtEveryPlace,
    ::testing::Values(
        // One letter: by a reading, by the letter in either case, by a second reading.
        OnePlaceCase{"x", "闻", "新", true}, OnePlaceCase{"x", "闻", "X", true},
        OnePlaceCase{"X", "闻", "x", true}, OnePlaceCase{"h", "闻", "行", true},
        OnePlaceCase{"c", "闻", "重", true}, OnePlaceCase{"x", "闻", "闻", false},
        // A letter is never the trail byte of a character (乤 is 81 61, "a").
        OnePlaceCase{"a", "闻", "乤", false}, OnePlaceCase{"a", "乤", "a", true},
        OnePlaceCase{"a", "x", "乤", false},
        // ASCII filler: the letter skipping, and a blank typed as a tab.
        OnePlaceCase{"q", "z", "Q", true}, OnePlaceCase{"q", "z", "", false},
        OnePlaceCase{"a b", "z", "a\tb", true}, OnePlaceCase{"ab", "z", "a b", false},
        // A character as itself, a four-byte one, and a longer query.
        OnePlaceCase{"新", "闻", "新", true}, OnePlaceCase{"q", "闻", "㐀", true},
        OnePlaceCase{"㐀", "闻", "㐀", true}, OnePlaceCase{"xw", "重", "新闻", true},
        OnePlaceCase{"xinwen", "重", "新闻", true}, OnePlaceCase{"xw", "重", "新", false},
        OnePlaceCase{"xin wen", "z", "新 闻", true}, OnePlaceCase{"lu", "闻", "绿", true},
        // Damaged bytes between characters are passed over, never read as a start.
        OnePlaceCase{"x", "闻", "\xFF", false, true},
        OnePlaceCase{"x", "闻", "\x80x", true, true}));

TEST(MatcherReference, LongQueriesAndLongAddresses) {
    std::string address = "http://www.example.com/" + std::string(40, 'q') + "/Index.html";
    for (size_t at = 0; at + 3 <= address.size(); at += 5) {
        std::string part = address.substr(at, 3);
        EXPECT_TRUE(PinyinMatcher(part).contains(address)) << part;
        EXPECT_EQ(PinyinMatcher(part + "#").contains(address),
                  referenceContains(PinyinMatcher(part + "#").query(), address));
    }
    // The last bytes of an address are tested in a block that overlaps the ones before: a
    // match in its last place, or just out of reach, at every length.
    for (size_t length = 0; length <= 48; ++length) {
        std::string filler = std::string(length, 'b');
        for (const char* query : {"x", "xw", "XW", "bx", "wx"}) {
            PinyinMatcher matcher(query);
            std::string between = filler;
            between.append("Xw").append(filler);
            for (const std::string& text :
                 {filler + "xw", filler + "x", between, (filler + gbk("新")).append("x")})
                EXPECT_EQ(matcher.contains(text), referenceContains(matcher.query(), text))
                    << query << " in " << text;
        }
        EXPECT_TRUE(PinyinMatcher("x").contains(filler + "x"));
        EXPECT_FALSE(PinyinMatcher("xw").contains(filler + "x"));
    }
    // A Chinese query skips the ASCII of an address to its first character beyond ASCII.
    std::string path = "file:///home/someone/documents/" + gbk("新闻") + "/a.txt";
    EXPECT_TRUE(PinyinMatcher(gbk("新闻")).contains(path));
    EXPECT_FALSE(PinyinMatcher(gbk("新闻/b")).contains(path));
    EXPECT_FALSE(PinyinMatcher(gbk("新")).contains(std::string(40, 'x')));
}

// The search over a tree: every typed prefix, narrowing from the one before, finds what the
// reference finds in each entry's label, name and address.
TEST(MatcherReference, TreeSearchFindsWhatTheReferenceFinds) {
    std::mt19937 rng(11);
    BookmarkTree tree;
    std::vector<ItemId> items;
    for (int i = 0; i < 40000; ++i) {
        std::string name = randomText(rng, 6);
        std::string address = i % 3 == 0 ? std::string() : "http://" + randomText(rng, 10);
        ItemId parent = items.empty() || i % 4 == 0 ? kNoItem : items[rng() % items.size()];
        items.push_back(tree.InsertNode({name, address, ""}, parent));
        if (i % 50 == 0)
            tree.setLabel(items.back(), randomText(rng, 3));
    }
    for (int i = 0; i < 2000; ++i)
        tree.DeleteNode(items[rng() % items.size()]);
    for (const char* typed : {"x", "xi", "xin", "xin ", "xin w", "h", "hang", "q", "qq", "a"}) {
        TreeFilter filter(tree);
        filter.setQuery(std::string_view(typed).substr(0, 1));
        filter.setQuery(typed);  // narrowed when longer than one letter
        PinyinMatcher matcher(typed);
        std::vector<ItemId> expected;
        for (ItemId item = 1; item <= tree.nextItemData(); ++item) {
            RecordRef record = tree.LookupRecord(item);
            if (record && (referenceMatches(matcher.query(), tree.label(item)) ||
                           referenceMatches(matcher.query(), record->name) ||
                           referenceContains(matcher.query(), record->address)))
                expected.push_back(item);
        }
        EXPECT_EQ(filter.hits(), expected) << typed;
        EXPECT_FALSE(expected.empty()) << typed;
        for (ItemId hit : expected)
            for (ItemId up = tree.parent(hit); up != kNoItem; up = tree.parent(up))
                ASSERT_TRUE(filter.isShown(up)) << typed;
    }
}

}  // namespace
