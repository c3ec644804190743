#include <gtest/gtest.h>

#include <random>

#include "TreeBuilders.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {
namespace {

// The same order and depths, found by recursion over rows.
void walkByRows(const BookmarkTree& tree, ItemId parent, int depth,
                std::vector<std::pair<ItemId, int>>& out) {
    for (int r = 0; r < tree.childCount(parent); ++r) {
        ItemId item = tree.child(parent, r);
        out.emplace_back(item, depth);
        walkByRows(tree, item, depth + 1, out);
    }
}

TEST(TreeWalk, VisitsEveryEntryInPreOrderWithItsDepth) {
    std::mt19937 rng(7);
    BookmarkTree tree;
    testing::fillRandomTree(tree, rng, 500, 6);
    std::vector<std::pair<ItemId, int>> expected;
    walkByRows(tree, kNoItem, 0, expected);
    std::vector<std::pair<ItemId, int>> seen;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) { seen.emplace_back(item, depth); });
    EXPECT_EQ(seen, expected);

    // From one branch: the branch at depth 0, its subtree below, nothing after it.
    ItemId branch = kNoItem;
    for (int r = 0; r < tree.childCount(kNoItem) && branch == kNoItem; ++r) {
        if (tree.hasChildren(tree.child(kNoItem, r)) && r + 1 < tree.childCount(kNoItem))
            branch = tree.child(kNoItem, r);
    }
    ASSERT_NE(branch, kNoItem);
    expected.assign(1, {branch, 0});
    walkByRows(tree, branch, 1, expected);
    seen.clear();
    forEachPreOrder(tree, branch, [&](ItemId item, int depth) { seen.emplace_back(item, depth); });
    EXPECT_EQ(seen, expected);
}

TEST(TreeWalk, StopsWhenTheVisitorSaysSoAndSurvivesDeepNesting) {
    BookmarkTree tree;
    ItemId parent = kNoItem;
    for (int i = 0; i < 200000; ++i)
        parent = tree.InsertNode({"d", "", ""}, parent);
    size_t visited = 0;
    int deepest = 0;
    forEachPreOrder(tree, kNoItem, [&](ItemId, int depth) {
        ++visited;
        deepest = depth;
    });
    EXPECT_EQ(visited, 200000u);
    EXPECT_EQ(deepest, 199999);
    visited = 0;
    forEachPreOrder(tree, kNoItem, [&](ItemId, int) { return ++visited < 10; });
    EXPECT_EQ(visited, 10u);
    // An unknown start visits nothing.
    visited = 0;
    forEachPreOrder(tree, 999999, [&](ItemId, int) { ++visited; });
    EXPECT_EQ(visited, 0u);
}

}  // namespace
}  // namespace brivanta
