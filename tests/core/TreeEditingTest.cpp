#include <gtest/gtest.h>

#include <string>

#include "TreeBuilders.h"
#include "core/trees/EntryAddress.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {
namespace {

using testing::describe;

// F{a; S{b;}}; L (a link)
using Sample = testing::SampleTree;

const std::string kFolder = "F|{a|http://a.example.com;S|{b|b.doc;};};";

TEST(TreeEditing, PasteWithNothingMarkedDoesNothing) {
    Sample s;
    std::string before = describe(s.tree);
    EXPECT_EQ(pasteMarked(s.tree, s.link), PasteResult::Nothing);
    // A cut or copy with nothing selected marks nothing either.
    markForCopy(s.tree, kNoItem);
    EXPECT_FALSE(hasPasteMark(s.tree));
    EXPECT_EQ(pasteMarked(s.tree, kNoItem), PasteResult::Nothing);
    EXPECT_EQ(describe(s.tree), before);
}

TEST(TreeEditing, PastingTwiceAfterCopyCopiesTheFirstCopy) {
    Sample s;
    markForCopy(s.tree, s.folder);
    EXPECT_EQ(s.tree.clipMode(), kClipCopy);
    ItemId first = kNoItem;
    ASSERT_EQ(pasteMarked(s.tree, s.link, &first), PasteResult::Copied);
    EXPECT_EQ(s.tree.parent(first), s.link);
    EXPECT_EQ(s.tree.pasteSource(), first);
    EXPECT_EQ(s.tree.clipMode(), kClipPaste);
    EXPECT_TRUE(s.tree.isExpanded(s.link));
    // Change the first copy: the second paste copies it, not the original.
    renameEntry(s.tree, s.tree.firstChild(first), "a2");
    ItemId second = kNoItem;
    ASSERT_EQ(pasteMarked(s.tree, kNoItem, &second), PasteResult::Copied);
    EXPECT_NE(second, first);
    EXPECT_EQ(describe(s.tree), kFolder +
                                    "L|www.l.com{F|{a2|http://a.example.com;S|{b|b.doc;};};};" +
                                    "F|{a2|http://a.example.com;S|{b|b.doc;};};");
    // Copied folders with children are expanded; the source's state is not copied.
    EXPECT_TRUE(s.tree.isExpanded(second));
    EXPECT_FALSE(s.tree.isExpanded(s.folder));
}

TEST(TreeEditing, CutPasteMovesAndAFurtherPasteOnlyCopies) {
    Sample s;
    markForCut(s.tree, s.sub);
    ItemId moved = kNoItem;
    ASSERT_EQ(pasteMarked(s.tree, s.link, &moved), PasteResult::Copied);
    EXPECT_FALSE(s.tree.contains(s.sub));
    EXPECT_FALSE(s.tree.contains(s.b));
    EXPECT_EQ(describe(s.tree), "F|{a|http://a.example.com;};L|www.l.com{S|{b|b.doc;};};");
    ASSERT_EQ(pasteMarked(s.tree, s.folder), PasteResult::Copied);
    EXPECT_TRUE(s.tree.contains(moved));  // the second paste removed nothing
    EXPECT_EQ(describe(s.tree),
              "F|{a|http://a.example.com;S|{b|b.doc;};};L|www.l.com{S|{b|b.doc;};};");
}

TEST(TreeEditing, CopyAFolderOntoItselfCopiesItOnce) {
    Sample s;
    markForCopy(s.tree, s.folder);
    ItemId copy = kNoItem;
    ASSERT_EQ(pasteMarked(s.tree, s.folder, &copy), PasteResult::Copied);
    EXPECT_EQ(s.tree.parent(copy), s.folder);
    EXPECT_EQ(s.tree.row(copy), 2);  // its last child
    EXPECT_EQ(describe(s.tree),
              "F|{a|http://a.example.com;S|{b|b.doc;};" + kFolder + "};L|www.l.com;");
}

TEST(TreeEditing, CutIntoOwnSubtreeIsRefusedButKeepsTheCopy) {
    Sample s;
    markForCut(s.tree, s.folder);
    ItemId copy = kNoItem;
    EXPECT_EQ(pasteMarked(s.tree, s.b, &copy), PasteResult::CutIntoOwnSubtree);
    EXPECT_TRUE(s.tree.contains(s.folder));
    EXPECT_EQ(s.tree.parent(copy), s.b);
    EXPECT_EQ(describe(s.tree),
              "F|{a|http://a.example.com;S|{b|b.doc{" + kFolder + "};};};L|www.l.com;");
    // The copy is the mark now, and a further paste removes nothing.
    EXPECT_EQ(s.tree.pasteSource(), copy);
    EXPECT_EQ(s.tree.clipMode(), kClipPaste);
    EXPECT_EQ(pasteMarked(s.tree, kNoItem), PasteResult::Copied);
    EXPECT_TRUE(s.tree.contains(copy));
}

TEST(TreeEditing, DeletingTheSubtreeHoldingTheMarkClearsIt) {
    Sample s;
    markForCopy(s.tree, s.b);
    s.tree.DeleteNode(s.link);  // elsewhere: the mark stays
    EXPECT_TRUE(hasPasteMark(s.tree));
    s.tree.DeleteNode(s.folder);
    EXPECT_FALSE(hasPasteMark(s.tree));
    // Item data is not reused, so nothing new can take the old mark's place.
    ItemId fresh = s.tree.InsertNode({"n", "", ""});
    EXPECT_EQ(pasteMarked(s.tree, fresh), PasteResult::Nothing);
    markForCut(s.tree, fresh);
    s.tree.DeleteNode();
    EXPECT_FALSE(hasPasteMark(s.tree));
    EXPECT_EQ(pasteMarked(s.tree, kNoItem), PasteResult::Nothing);
    EXPECT_TRUE(s.tree.empty());
}

TEST(TreeEditing, PasteIntoAnUnknownDestinationDoesNothing) {
    Sample s;
    markForCut(s.tree, s.a);
    std::string before = describe(s.tree);
    EXPECT_EQ(pasteMarked(s.tree, 999), PasteResult::Nothing);
    EXPECT_EQ(describe(s.tree), before);
    EXPECT_EQ(s.tree.pasteSource(), s.a);
}

TEST(TreeEditing, DeepSubtreesCopyWithoutRecursion) {
    BookmarkTree tree;
    ItemId top = tree.InsertNode({"0", "", ""});
    ItemId item = top;
    for (int i = 1; i < 100000; ++i)
        item = tree.InsertNode({std::to_string(i), "", ""}, item);
    markForCopy(tree, top);
    ItemId copy = kNoItem;
    ASSERT_EQ(pasteMarked(tree, kNoItem, &copy), PasteResult::Copied);
    EXPECT_EQ(tree.size(), 200000u);
    ItemId last = copy;
    while (tree.hasChildren(last))
        last = tree.firstChild(last);
    EXPECT_EQ(tree.label(last), "99999");
}

// Images by address kind, as the desktop's icon list gives them.
class FakeIcons : public NodeIconChooser {
  public:
    int imageForTag(std::string_view tag) override { return tag == "t" ? 7 : -1; }
    int imageForAddress(std::string_view address) override {
        std::string key = iconKeyForAddress(address);
        return key == "mailto" ? 5 : key == ".htm" ? 6 : -1;
    }
};

TEST(TreeEditing, EditTurnsALinkIntoAFolderAndBack) {
    FakeIcons icons;
    Sample s;
    s.tree.setIconChooser(&icons);
    ItemId child = s.tree.InsertNode({"c", "x@y", ""}, s.link);
    EXPECT_EQ(s.tree.image(child), 5);
    // Blank address: a folder, closed or open as the entry is.
    ASSERT_TRUE(applyEntryEdit(s.tree, s.link, "L2", "   "));
    EXPECT_EQ(s.tree.label(s.link), "L2");
    EXPECT_EQ(s.tree.LookupRecord(s.link)->address, "   ");
    EXPECT_EQ(s.tree.image(s.link), kClosedFolderImage);
    s.tree.setExpanded(s.link, true);
    ASSERT_TRUE(applyEntryEdit(s.tree, s.link, "L3", ""));
    EXPECT_EQ(s.tree.image(s.link), kOpenFolderImage);
    EXPECT_EQ(s.tree.selectedImage(s.link), kOpenFolderImage);
    // An address again: the image of its kind.
    ASSERT_TRUE(applyEntryEdit(s.tree, s.link, "L4", "  me@example.com"));
    EXPECT_EQ(s.tree.image(s.link), 5);
    // No image for the kind: the images stay.
    ASSERT_TRUE(applyEntryEdit(s.tree, s.link, "L5", "file.doc"));
    EXPECT_EQ(s.tree.image(s.link), 5);
    EXPECT_FALSE(applyEntryEdit(s.tree, 999, "x", ""));
}

TEST(TreeEditing, EditKeepsTheTagAndItsImage) {
    FakeIcons icons;
    BookmarkTree tree(kAddressBookTree);
    tree.setIconChooser(&icons);
    ItemId detail = tree.InsertNode({"phone", "123", "t"});
    ASSERT_EQ(tree.image(detail), 7);
    ASSERT_TRUE(applyEntryEdit(tree, detail, "phone2", ""));
    EXPECT_EQ(tree.LookupRecord(detail)->tag, "t");
    EXPECT_EQ(tree.image(detail), 7);
}

TEST(TreeEditing, RenameSetsLabelAndName) {
    Sample s;
    renameEntry(s.tree, s.a, "");
    EXPECT_EQ(s.tree.label(s.a), "");
    EXPECT_EQ(s.tree.LookupRecord(s.a)->name, "");
    renameEntry(s.tree, s.a, text::gbk("新名"));
    EXPECT_EQ(s.tree.label(s.a), text::gbk("新名"));
    EXPECT_EQ(s.tree.LookupRecord(s.a)->name, text::gbk("新名"));
    renameEntry(s.tree, 999, "x");  // unknown entries are left alone
}

}  // namespace
}  // namespace brivanta
