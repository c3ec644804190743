// The filtered tree's structure (rows, children, counts) against one worked out directly from
// the tree and the filter's marks, over successive searches of one filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TreeBuilders.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeFilter.h"
#include "core/trees/TreeWalk.h"

using namespace brivanta;
using text::gbk;

namespace {

// The shown children of `parent`, straight from the tree.
std::vector<ItemId> expectedChildren(const BookmarkTree& tree, const TreeFilter& filter,
                                     ItemId parent) {
    std::vector<ItemId> out;
    if (parent != kNoItem && !filter.isShown(parent))
        return out;
    for (ItemId c = tree.firstChild(parent); c != kNoItem; c = tree.nextSibling(c)) {
        if (filter.isShown(c))
            out.push_back(c);
    }
    return out;
}

// Checks every entry of the tree, in the order given: rows asked before or after the parent's
// children, as a view asks them in either order.
void expectStructure(const BookmarkTree& tree, const TreeFilter& filter, bool rowsFirst) {
    std::vector<ItemId> all{kNoItem};
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int) { all.push_back(item); });
    if (rowsFirst) {
        for (ItemId item : all) {
            if (item == kNoItem)
                continue;
            std::vector<ItemId> siblings = expectedChildren(tree, filter, tree.parent(item));
            auto at = std::find(siblings.begin(), siblings.end(), item);
            int row = at == siblings.end() ? -1 : static_cast<int>(at - siblings.begin());
            ASSERT_EQ(filter.row(item), row) << "entry " << item;
        }
    }
    for (ItemId parent : all) {
        std::vector<ItemId> children = expectedChildren(tree, filter, parent);
        ASSERT_EQ(filter.hasChildren(parent), !children.empty()) << "entry " << parent;
        ASSERT_EQ(filter.childCount(parent), static_cast<int>(children.size()))
            << "entry " << parent;
        for (int r = 0; r < static_cast<int>(children.size()); ++r) {
            ASSERT_EQ(filter.child(parent, r), children[r]) << "entry " << parent << " row " << r;
            ASSERT_EQ(filter.row(children[r]), r);
        }
        ASSERT_EQ(filter.child(parent, static_cast<int>(children.size())), kNoItem);
        ASSERT_EQ(filter.child(parent, -1), kNoItem);
    }
}

struct QuerySequence {
    const char* name;
    std::vector<const char*> queries;  // UTF-8, typed one after another into one filter
};

class FilterStructure : public ::testing::TestWithParam<QuerySequence> {};

TEST_P(FilterStructure, MatchesTheTreeAfterEverySearch) {
    for (bool rowsFirst : {false, true}) {
        BookmarkTree tree;
        std::mt19937 rng(11);
        brivanta::testing::fillRandomTree(tree, rng, 600, 5);
        TreeFilter filter(tree);
        for (const char* query : GetParam().queries) {
            SCOPED_TRACE(query);
            filter.setQuery(gbk(query));
            expectStructure(tree, filter, rowsFirst);
        }
        // The tree grows past what the filter had room for, and is searched again.
        ItemId top = tree.child(kNoItem, 0);
        for (int i = 0; i < 300; ++i)
            tree.InsertNode({gbk("新闻") + std::to_string(i), "http://news.example.com", ""},
                            i % 2 ? top : kNoItem);
        filter.refresh();
        expectStructure(tree, filter, rowsFirst);
        filter.clear();
        EXPECT_FALSE(filter.active());
        expectStructure(tree, filter, rowsFirst);
        EXPECT_EQ(filter.childCount(kNoItem), tree.childCount(kNoItem));
    }
}

INSTANTIATE_TEST_SUITE_P(Queries, FilterStructure,
                         ::testing::Values(QuerySequence{"narrowing", {"x", "xw", "xwz"}},
                                           QuerySequence{"widening", {"xw", "x", "", "y"}},
                                           QuerySequence{"unrelated", {"news", "yy", "mail", "12"}},
                                           QuerySequence{"nothing", {"qqqq", "x"}},
                                           QuerySequence{"rare", {"12", "123", "1", "59"}},
                                           QuerySequence{"chinese", {"音乐", "音", "工作"}}),
                         [](const ::testing::TestParamInfo<QuerySequence>& row) {
                             return row.param.name;
                         });

// A hit folder whose own entries do not match shows no children; one above a hit does.
TEST(FilterStructure, HitFoldersWithoutShownChildren) {
    BookmarkTree tree;
    ItemId music = tree.InsertNode({gbk("音乐"), "", ""});
    ItemId inside = tree.InsertNode({"other", "http://other.example.com", ""}, music);
    ItemId folder = tree.InsertNode({"box", "", ""});
    ItemId song = tree.InsertNode({gbk("音乐台"), "http://fm.example.com", ""}, folder);
    TreeFilter filter(tree);
    filter.setQuery("yy");
    EXPECT_TRUE(filter.isHit(music));
    EXPECT_FALSE(filter.hasChildren(music));
    EXPECT_EQ(filter.childCount(music), 0);
    EXPECT_EQ(filter.row(inside), -1);
    EXPECT_TRUE(filter.hasChildren(folder));
    EXPECT_EQ(filter.row(song), 0);
    EXPECT_EQ(filter.row(folder), 1);
    EXPECT_EQ(filter.row(kNoItem), -1);
    // The next search sees none of the rows listed for this one.
    filter.setQuery("other");
    EXPECT_EQ(filter.row(inside), 0);
    EXPECT_EQ(filter.row(music), 0);
    EXPECT_EQ(filter.row(song), -1);
    EXPECT_EQ(filter.childCount(kNoItem), 1);
    EXPECT_FALSE(filter.hasChildren(folder));
}

}  // namespace
