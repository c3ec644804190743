#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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

// The events a walk gives, as text: "v:label@depth" for a visit, "l:label@depth" for leaving
// a folder.
struct EventLog {
    const BookmarkTree& tree;
    // Labels whose children are passed over, and the label that stops the walk.
    std::string over;
    std::string stop;
    std::vector<std::string> events;

    WalkStep visit(ItemId item, int depth) {
        std::string label = tree.label(item);
        events.push_back("v:" + label + "@" + std::to_string(depth));
        if (label == stop)
            return WalkStep::Stop;
        return label == over ? WalkStep::Over : WalkStep::Into;
    }
    void leaveFolder(ItemId item, int depth) {
        events.push_back("l:" + tree.label(item) + "@" + std::to_string(depth));
    }
};

// The same events, found by recursion over rows.
void eventsByRows(const BookmarkTree& tree, ItemId parent, int depth,
                  std::vector<std::string>& out) {
    for (int r = 0; r < tree.childCount(parent); ++r) {
        ItemId item = tree.child(parent, r);
        out.push_back("v:" + tree.label(item) + "@" + std::to_string(depth));
        if (tree.hasChildren(item)) {
            eventsByRows(tree, item, depth + 1, out);
            out.push_back("l:" + tree.label(item) + "@" + std::to_string(depth));
        }
    }
}

TEST(TreeWalk, FolderEventsMatchARecursiveWalk) {
    std::mt19937 rng(11);
    BookmarkTree tree;
    testing::fillRandomTree(tree, rng, 400, 7);
    std::vector<std::string> expected;
    eventsByRows(tree, kNoItem, 0, expected);
    EventLog whole{tree, "", "", {}};
    walkTree(tree, kNoItem, whole);
    EXPECT_EQ(whole.events, expected);

    // Below one folder: walkTree visits and leaves it, walkChildren only what it holds.
    ItemId folder = kNoItem;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        if (depth == 1 && tree.hasChildren(item))
            folder = item;
        return folder == kNoItem;
    });
    ASSERT_NE(folder, kNoItem);
    std::vector<std::string> inside;
    eventsByRows(tree, folder, 0, inside);
    EventLog children{tree, "", "", {}};
    walkChildren(tree, folder, children);
    EXPECT_EQ(children.events, inside);
    inside.clear();
    eventsByRows(tree, folder, 1, inside);
    EventLog subtree{tree, "", "", {}};
    walkTree(tree, folder, subtree);
    ASSERT_EQ(subtree.events.size(), inside.size() + 2);
    EXPECT_EQ(subtree.events.front(), "v:" + tree.label(folder) + "@0");
    EXPECT_EQ(subtree.events.back(), "l:" + tree.label(folder) + "@0");
    EXPECT_EQ(std::vector<std::string>(subtree.events.begin() + 1, subtree.events.end() - 1),
              inside);
}

// F{a; S{b;}}; L: what each answer of the visitor makes of the walk.
struct StepCase {
    const char* name;
    const char* over;
    const char* stop;
    std::vector<std::string> events;
};

class TreeWalkSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(TreeWalkSteps, GiveTheseEvents) {
    const StepCase& c = GetParam();
    testing::SampleTree sample;
    EventLog log{sample.tree, c.over, c.stop, {}};
    walkTree(sample.tree, kNoItem, log);
    EXPECT_EQ(log.events, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TreeWalkSteps,
    ::testing::Values(
        StepCase{
            "everything", "", "", {"v:F@0", "v:a@1", "v:S@1", "v:b@2", "l:S@1", "l:F@0", "v:L@0"}},
        StepCase{"overTheOuterFolder", "F", "", {"v:F@0", "v:L@0"}},
        StepCase{"overTheInnerFolder", "S", "", {"v:F@0", "v:a@1", "v:S@1", "l:F@0", "v:L@0"}},
        // A stopped walk leaves no folder.
        StepCase{"stopDeepInside", "", "b", {"v:F@0", "v:a@1", "v:S@1", "v:b@2"}},
        StepCase{"stopAtTheLast",
                 "",
                 "L",
                 {"v:F@0", "v:a@1", "v:S@1", "v:b@2", "l:S@1", "l:F@0", "v:L@0"}}),
    [](const ::testing::TestParamInfo<StepCase>& row) { return std::string(row.param.name); });

TEST(TreeWalk, LeavesEveryFolderOfADeepChainWithoutRecursion) {
    BookmarkTree tree;
    ItemId parent = kNoItem;
    for (int i = 0; i < 200000; ++i)
        parent = tree.InsertNode({"d", "", ""}, parent);
    struct Counter {
        size_t visits = 0, leaves = 0;
        int lastLeft = -1;
        WalkStep visit(ItemId, int) {
            ++visits;
            return WalkStep::Into;
        }
        void leaveFolder(ItemId, int depth) {
            ++leaves;
            lastLeft = depth;
        }
    } counter;
    walkTree(tree, kNoItem, counter);
    EXPECT_EQ(counter.visits, 200000u);
    EXPECT_EQ(counter.leaves, 199999u);  // the innermost entry has no children
    EXPECT_EQ(counter.lastLeft, 0);
}
}  // namespace
}  // namespace brivanta
