// Applying a sync to a tree: one undoable step that gives back the tree exactly, in the
// whole tree or in one folder of it.

#include <gtest/gtest.h>

#include "../TreeBuilders.h"
#include "SyncOutline.h"
#include "core/sync/SnapshotMerge.h"
#include "core/sync/TreeSync.h"

namespace brivanta::sync {
namespace {

using brivanta::testing::describe;

// Every entry's whole state, in pre-order, for "exactly as it was".
std::vector<std::vector<NodeState>> everything(const BookmarkTree& tree) {
    return captureChildren(tree, kNoItem);
}

class AddressImages : public NodeIconChooser {
  public:
    int imageForTag(std::string_view) override { return -1; }
    int imageForAddress(std::string_view address) override {
        return address.rfind("https:", 0) == 0 ? 7 : 5;
    }
};

struct Applied {
    const char* name;
    bool inFolder;  // sync one folder rather than the whole tree
};

class SyncCommandTest : public ::testing::TestWithParam<Applied> {};

TEST_P(SyncCommandTest, IsOneStepThatUndoesExactly) {
    BookmarkTree tree;
    AddressImages images;
    tree.setIconChooser(&images);
    ItemId outside = tree.InsertNode({"outside", "http://o", ""});
    ItemId folder = GetParam().inFolder ? tree.InsertNode({"synced", "", ""}) : kNoItem;
    ItemId work = tree.InsertNode({"Work", "", ""}, folder);
    tree.InsertNode({"a", "http://a", ""}, work);
    ItemId b = tree.InsertNode({"b", "http://b", ""}, work);
    tree.setLabel(b, "own label");  // a label of its own survives the round trip
    tree.setExpanded(work, true);
    tree.setImages(b, 3, 4);
    const auto before = everything(tree);

    // The server added a link and renamed the folder; the tree's own entries keep their state.
    const SyncModel base =
        testing::modelOf("+Work#1\n  a=http://a#2\n  own label=http://b#3\n" +
                         std::string(GetParam().inFolder ? "" : "outside=http://o#4\n"));
    SyncModel remote = base;
    remote.entries[0].title = "Job";
    remote.entries.insert(remote.entries.begin() + 3, {9, 1, false, "new", "https://new"});
    SnapshotMerge merge = mergeSnapshot(captureChildren(tree, folder), &base, remote);
    ASSERT_TRUE(merge.localChanged);

    std::unique_ptr<TreeCommand> command = makeSyncCommand(tree, folder, merge.children);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->description(), "同步");
    const auto after = everything(tree);
    const std::string shown = describe(tree, folder);
    EXPECT_NE(shown.find("Job|{a|http://a;own label|http://b;new|https://new;}"), std::string::npos)
        << shown;
    ItemId job = tree.child(folder, GetParam().inFolder ? 0 : 1);
    EXPECT_TRUE(tree.isExpanded(job));
    EXPECT_EQ(tree.image(tree.child(job, 1)), 3);  // kept from the tree
    EXPECT_EQ(tree.image(tree.child(job, 2)), 7);  // chosen for the new link
    EXPECT_TRUE(tree.contains(outside) || !GetParam().inFolder);

    ASSERT_TRUE(command->undo());
    EXPECT_EQ(everything(tree), before);
    ASSERT_TRUE(command->redo());
    EXPECT_EQ(everything(tree), after);
    ASSERT_TRUE(command->undo());
    EXPECT_EQ(everything(tree), before);
}

INSTANTIATE_TEST_SUITE_P(Places, SyncCommandTest,
                         ::testing::Values(Applied{"WholeTree", false}, Applied{"OneFolder", true}),
                         [](const ::testing::TestParamInfo<Applied>& row) {
                             return std::string(row.param.name);
                         });

TEST(SyncCommand, NothingToDoGivesNoStep) {
    BookmarkTree tree;
    ItemId f = tree.InsertNode({"f", "", ""});
    tree.InsertNode({"a", "http://a", ""}, f);
    bool refused = true;
    EXPECT_EQ(makeSyncCommand(tree, kNoItem, captureChildren(tree, kNoItem), &refused), nullptr);
    EXPECT_FALSE(refused);
    EXPECT_EQ(makeSyncCommand(tree, 999, {}, &refused), nullptr);  // no such folder
    EXPECT_TRUE(refused);
    EXPECT_EQ(describe(tree), "f|{a|http://a;};");
}

TEST(SyncCommand, ATreeThatCannotTakeTheEntriesIsLeftAsItWas) {
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a", ""});
    tree.setItemDataLimit(tree.nextItemData() + 1);
    auto merged = testing::snapshotOf("+f\n  x=http://x\n  y=http://y\n");
    bool refused = false;
    EXPECT_EQ(makeSyncCommand(tree, kNoItem, merged, &refused), nullptr);
    EXPECT_TRUE(refused);
    EXPECT_EQ(describe(tree), "a|http://a;");
}

}  // namespace
}  // namespace brivanta::sync
