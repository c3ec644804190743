#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/trees/TextIndex.h"

namespace brivanta {
namespace {

TEST(TextIndex, FindsEveryTextThroughGrowthAndKeepsTheFirstEntry) {
    // Entry i + 1 has text i, as a tree's records would give them.
    std::vector<std::string> texts;
    for (int i = 0; i < 5000; ++i)
        texts.push_back("http://example.com/" + std::to_string(i));
    texts.push_back("");
    auto textOf = [&](ItemId item) { return std::string_view(texts[item - 1]); };
    TextIndex index;
    EXPECT_EQ(index.find(texts[0], textOf), kNoItem);
    for (size_t i = 0; i + 1 < texts.size(); ++i)
        index.insert(texts[i], static_cast<ItemId>(i + 1), textOf);
    // A text already there keeps its first entry; kNoItem is never stored.
    index.insert(texts[7], 1, textOf);
    index.insert("new", kNoItem, textOf);
    EXPECT_EQ(index.size(), texts.size() - 1);
    for (size_t i = 0; i + 1 < texts.size(); ++i)
        ASSERT_EQ(index.find(texts[i], textOf), static_cast<ItemId>(i + 1)) << texts[i];
    EXPECT_EQ(index.find("new", textOf), kNoItem);
    EXPECT_EQ(index.find("http://example.com/5000", textOf), kNoItem);
    EXPECT_EQ(index.find("", textOf), kNoItem);
    index.insert("", static_cast<ItemId>(texts.size()), textOf);
    EXPECT_EQ(index.find("", textOf), static_cast<ItemId>(texts.size()));
}

}  // namespace
}  // namespace brivanta
