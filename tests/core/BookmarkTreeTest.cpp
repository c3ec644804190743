#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {
namespace {

TEST(BookmarkTree, ItemDataCountsUpAndRestartsOnlyWhenEmptied) {
    BookmarkTree tree;
    EXPECT_EQ(tree.InsertNode({"a", "", ""}), 1u);
    ItemId b = tree.InsertNode({"b", "", ""});
    EXPECT_EQ(b, 2u);
    tree.DeleteNode(b);
    EXPECT_EQ(tree.InsertNode({"c", "", ""}), 3u);
    EXPECT_EQ(tree.LookupRecord(b), nullptr);
    tree.DeleteNode();
    EXPECT_TRUE(tree.empty());
    EXPECT_EQ(tree.InsertNode({"d", "", ""}), 1u);
    EXPECT_EQ(tree.LookupRecord(1)->name, "d");
}

TEST(BookmarkTree, StructureStaysConsistentThroughDeletes) {
    BookmarkTree tree;
    ItemId root = tree.InsertNode({"root", "", ""});
    std::vector<ItemId> kids;
    for (int i = 0; i < 6; ++i)
        kids.push_back(tree.InsertNode({std::to_string(i), "x", ""}, root));
    ItemId grandchild = tree.InsertNode({"g", "y", ""}, kids[2]);
    tree.DeleteNode(kids[2]);  // takes its child along
    tree.DeleteNode(kids[0]);
    EXPECT_FALSE(tree.contains(grandchild));
    EXPECT_EQ(tree.size(), 5u);
    ASSERT_EQ(tree.childCount(root), 4);
    for (int r = 0; r < 4; ++r) {
        ItemId c = tree.child(root, r);
        EXPECT_EQ(tree.row(c), r);
        EXPECT_EQ(tree.parent(c), root);
    }
    EXPECT_EQ(tree.label(tree.child(root, 0)), "1");
    EXPECT_EQ(tree.label(tree.child(root, 3)), "5");
    EXPECT_EQ(tree.nextSibling(tree.child(root, 3)), kNoItem);
    EXPECT_EQ(tree.depth(tree.child(root, 1)), 1);
    EXPECT_EQ(tree.InsertNode({"x", "", ""}, grandchild), kNoItem);  // gone parent
}

TEST(BookmarkTree, DeletingTheMarkedSubtreeClearsThePasteSource) {
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"f", "", ""});
    ItemId inner = tree.InsertNode({"i", "x", ""}, folder);
    ItemId other = tree.InsertNode({"o", "x", ""});
    tree.setPasteSource(inner);
    tree.setClipMode("NODECUT");
    tree.DeleteNode(other);
    EXPECT_EQ(tree.pasteSource(), inner);
    tree.DeleteNode(folder);
    EXPECT_EQ(tree.pasteSource(), kNoItem);
    tree.setPasteSource(tree.InsertNode({"n", "", ""}));
    tree.DeleteNode();
    EXPECT_EQ(tree.pasteSource(), kNoItem);
}

TEST(BookmarkTree, SetRecordLeavesTheLabelToTheCaller) {
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"old", "x", ""});
    tree.SetRecord(a, {"new", "y", ""});
    EXPECT_EQ(tree.LookupRecord(a)->name, "new");
    EXPECT_EQ(tree.label(a), "old");
    tree.setLabel(a, "new");
    EXPECT_EQ(tree.label(a), "new");
    tree.setLabel(a, "shown");
    tree.SetRecord(a, {"shown", "y", ""});
    EXPECT_EQ(tree.label(a), "shown");
}

class FixedIcons : public NodeIconChooser {
  public:
    int imageForTag(std::string_view tag) override { return tag == "known" ? 7 : -1; }
    int imageForAddress(std::string_view address) override {
        return address.ends_with(".htm") ? 5 : -1;
    }
};

TEST(BookmarkTree, IconChoiceAndFolderImages) {
    BookmarkTree tree;
    FixedIcons icons;
    tree.setIconChooser(&icons);
    ItemId folder = tree.InsertNode({"f", "", ""});
    ItemId blank = tree.InsertNode({"b", "   ", ""});
    ItemId page = tree.InsertNode({"p", "  a.htm", ""}, folder);
    ItemId unknown = tree.InsertNode({"u", "a.xyz", ""});
    ItemId tagged = tree.InsertNode({"t", "a.htm", "known"});
    ItemId badTag = tree.InsertNode({"t", "a.htm", "nothing"});
    EXPECT_EQ(tree.image(folder), kClosedFolderImage);
    EXPECT_EQ(tree.image(blank), kClosedFolderImage);
    EXPECT_EQ(tree.image(page), 5);
    EXPECT_EQ(tree.image(unknown), kClosedFolderImage);
    EXPECT_EQ(tree.image(tagged), 7);
    EXPECT_EQ(tree.image(badTag), kClosedFolderImage);  // a tag never falls back to the address

    tree.setExpanded(folder, true);
    EXPECT_EQ(tree.image(folder), kOpenFolderImage);
    EXPECT_EQ(tree.selectedImage(folder), kOpenFolderImage);
    tree.setExpanded(folder, false);
    EXPECT_EQ(tree.image(folder), kClosedFolderImage);

    tree.setExpanded(page, true);  // a link keeps its own image
    EXPECT_EQ(tree.image(page), 5);

    // Selecting an open folder that has lost its children closes it; one with children stays.
    tree.setExpanded(folder, true);
    tree.selectionChanged(folder);
    EXPECT_EQ(tree.image(folder), kOpenFolderImage);
    tree.DeleteNode(page);
    tree.selectionChanged(folder);
    EXPECT_EQ(tree.image(folder), kClosedFolderImage);

    BookmarkTree plain;  // no chooser: everything is image 0
    EXPECT_EQ(plain.image(plain.InsertNode({"p", "a.htm", ""})), 0);
}

class Recorder : public TreeObserver {
  public:
    std::vector<std::string> calls;
    void aboutToInsert(ItemId p, int r) override { calls.push_back("+?" + str(p, r)); }
    void inserted(ItemId p, int r, ItemId) override { calls.push_back("+" + str(p, r)); }
    void aboutToRemove(ItemId p, int r, ItemId) override { calls.push_back("-?" + str(p, r)); }
    void removed(ItemId p, int r) override { calls.push_back("-" + str(p, r)); }
    void changed(ItemId i) override { calls.push_back("c" + std::to_string(i)); }
    void aboutToReset() override { calls.push_back("R?"); }
    void reset() override { calls.push_back("R"); }
    void treeDestroyed() override { calls.push_back("D"); }

  private:
    static std::string str(ItemId p, int r) { return std::to_string(p) + "/" + std::to_string(r); }
};

TEST(BookmarkTree, ObserversHearEveryChange) {
    BookmarkTree tree;
    Recorder rec;
    tree.addObserver(&rec);
    ItemId a = tree.InsertNode({"a", "", ""});
    tree.InsertNode({"b", "", ""}, a);
    tree.SetRecord(a, {"a", "x", ""});
    tree.setExpanded(a, true);
    tree.DeleteNode(a);
    {
        BookmarkTree::BulkUpdate bulk(tree);
        tree.InsertNode({"c", "", ""});
        tree.InsertNode({"d", "", ""});
    }
    tree.DeleteNode();
    tree.removeObserver(&rec);
    tree.InsertNode({"e", "", ""});
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"+?0/0", "+0/0", "+?1/0", "+1/0", "c1", "c1",
                                                   "-?0/0", "-0/0", "R?", "R", "R?", "R"}));
}

TEST(BookmarkTree, ObserversHearTheTreeDie) {
    Recorder rec;
    {
        BookmarkTree tree;
        tree.addObserver(&rec);
        tree.InsertNode({"a", "", ""});
    }
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"+?0/0", "+0/0", "D"}));
}

TEST(BookmarkTree, DeepChainsDeleteWithoutRecursion) {
    BookmarkTree tree;
    ItemId top = tree.InsertNode({"0", "", ""});
    ItemId p = top;
    for (int i = 1; i < 200000; ++i)
        p = tree.InsertNode({"n", "", ""}, p);
    EXPECT_EQ(tree.depth(p), 199999);
    tree.DeleteNode(top);
    EXPECT_TRUE(tree.empty());
}

}  // namespace
}  // namespace brivanta
