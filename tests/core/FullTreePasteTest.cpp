#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TreeBuilders.h"
#include "core/trees/StructureCommands.h"
#include "core/trees/TreeDrop.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {
namespace {

using testing::describe;

// F{a; S{b;}}; L: the folder F is a subtree of four entries.
struct Sample : testing::SampleTree {
    // Leaves room for exactly `entries` more.
    void leaveRoomFor(ItemId entries) { tree.setItemDataLimit(tree.nextItemData() + entries); }
};

constexpr ItemId kFolderEntries = 4;

TEST(ItemDataLimit, InsertsStopAtTheLimitAndDeletesMakeNoRoom) {
    Sample s;
    s.leaveRoomFor(2);
    EXPECT_EQ(s.tree.itemDataLeft(), 2u);
    EXPECT_NE(s.tree.InsertNode({"x", "", ""}), kNoItem);
    // A whole subtree goes back only when all of it fits.
    std::vector<NodeState> three = s.tree.captureSubtree(s.sub);
    three.push_back(three.back());
    EXPECT_EQ(s.tree.insertSubtree(kNoItem, 0, three), kNoItem);
    EXPECT_NE(s.tree.InsertNode({"y", "", ""}), kNoItem);
    EXPECT_EQ(s.tree.itemDataLeft(), 0u);
    EXPECT_EQ(s.tree.InsertNode({"z", "", ""}), kNoItem);
    // Item data is never reused.
    s.tree.DeleteNode(s.link);
    EXPECT_EQ(s.tree.InsertNode({"z", "", ""}), kNoItem);
    // A limit below what was handed out leaves no room rather than wrapping round.
    s.tree.setItemDataLimit(1);
    EXPECT_EQ(s.tree.itemDataLeft(), 0u);
    // Emptying the tree starts again.
    s.tree.DeleteNode();
    EXPECT_EQ(s.tree.itemDataLeft(), 1u);
}

enum class Way { CutPaste, CopyPaste, Drag, CutPasteCommand, DragCommand };

struct FullCase {
    const char* name;
    Way way;
    ItemId room;  // entries that still fit; the folder needs kFolderEntries
    PasteResult expected;
};

// Pastes F onto L in the given way; returns the result and the copy.
PasteResult pasteFolder(Sample& s, Way way, ItemId& copy) {
    copy = kNoItem;
    switch (way) {
        case Way::CutPaste:
            markForCut(s.tree, s.folder);
            return pasteMarked(s.tree, s.link, &copy);
        case Way::CopyPaste:
            markForCopy(s.tree, s.folder);
            return pasteMarked(s.tree, s.link, &copy);
        case Way::Drag: {
            markForCopy(s.tree, s.b);  // a mark below the dragged entry
            PasteResult result = PasteResult::Copied;
            copy = moveByDrag(s.tree, s.folder, s.link, &result);
            return result;
        }
        case Way::CutPasteCommand: {
            markForCut(s.tree, s.folder);
            PasteCommand command(s.tree, s.link);
            bool changed = command.redo();
            EXPECT_EQ(changed, command.copy() != kNoItem);
            copy = command.copy();
            return command.result();
        }
        case Way::DragCommand: {
            PasteCommand command(s.tree, s.link, s.folder);
            bool changed = command.redo();
            EXPECT_EQ(changed, command.copy() != kNoItem);
            copy = command.copy();
            return command.result();
        }
    }
    return PasteResult::Nothing;
}

class FullTreePaste : public ::testing::TestWithParam<FullCase> {};

TEST_P(FullTreePaste, AllOrNothingAndTheSourceStaysUnlessCopiedWhole) {
    const FullCase& c = GetParam();
    Sample s;
    s.leaveRoomFor(c.room);
    const std::string before = describe(s.tree);
    const bool wasExpanded = s.tree.isExpanded(s.link);
    ItemId copy = kNoItem;
    PasteResult result = pasteFolder(s, c.way, copy);
    EXPECT_EQ(result, c.expected);
    if (c.expected == PasteResult::TreeFull) {
        // Nothing is lost and nothing half made; the mark is what it was.
        EXPECT_EQ(copy, kNoItem);
        EXPECT_EQ(describe(s.tree), before);
        EXPECT_TRUE(s.tree.contains(s.folder));
        EXPECT_EQ(s.tree.isExpanded(s.link), wasExpanded);
        EXPECT_EQ(s.tree.itemDataLeft(), c.room) << "a refused paste spent item data";
        if (c.way == Way::CutPaste || c.way == Way::CutPasteCommand) {
            EXPECT_EQ(s.tree.pasteSource(), s.folder);
            EXPECT_EQ(s.tree.clipMode(), kClipCut);
        } else if (c.way == Way::Drag) {
            EXPECT_EQ(s.tree.pasteSource(), s.b);
            EXPECT_EQ(s.tree.clipMode(), kClipCopy);
        }
        return;
    }
    ASSERT_NE(copy, kNoItem);
    EXPECT_EQ(s.tree.parent(copy), s.link);
    const bool moved = c.way != Way::CopyPaste;
    EXPECT_EQ(s.tree.contains(s.folder), !moved);
    const std::string folder = "F|{a|http://a.example.com;S|{b|b.doc;};};";
    EXPECT_EQ(describe(s.tree), (moved ? "" : folder) + "L|www.l.com{" + folder + "};");
    EXPECT_EQ(s.tree.itemDataLeft(), c.room - kFolderEntries);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, FullTreePaste,
    ::testing::Values(
        FullCase{"CutOneShort", Way::CutPaste, kFolderEntries - 1, PasteResult::TreeFull},
        FullCase{"CutNoRoom", Way::CutPaste, 0, PasteResult::TreeFull},
        FullCase{"CutExactFit", Way::CutPaste, kFolderEntries, PasteResult::Copied},
        FullCase{"CopyOneShort", Way::CopyPaste, kFolderEntries - 1, PasteResult::TreeFull},
        FullCase{"CopyExactFit", Way::CopyPaste, kFolderEntries, PasteResult::Copied},
        FullCase{"DragOneShort", Way::Drag, kFolderEntries - 1, PasteResult::TreeFull},
        FullCase{"DragExactFit", Way::Drag, kFolderEntries, PasteResult::Copied},
        FullCase{"CommandCutOneShort", Way::CutPasteCommand, 1, PasteResult::TreeFull},
        FullCase{"CommandCutExactFit", Way::CutPasteCommand, kFolderEntries, PasteResult::Copied},
        FullCase{"CommandDragOneShort", Way::DragCommand, kFolderEntries - 1,
                 PasteResult::TreeFull},
        FullCase{"CommandDragExactFit", Way::DragCommand, kFolderEntries, PasteResult::Copied}),
    [](const ::testing::TestParamInfo<FullCase>& row) { return row.param.name; });

TEST(FullTreePaste, UndoAndRedoOfAMoveRefuseRatherThanLoseItWhenTheTreeIsFull) {
    // Undo and redo of a move put a subtree back with fresh item data; with no room for it
    // they must refuse before taking anything away.
    const std::string original = "F|{a|http://a.example.com;S|{b|b.doc;};};L|www.l.com;";
    const std::string moved = "L|www.l.com{F|{a|http://a.example.com;S|{b|b.doc;};};};";
    Sample s;
    s.leaveRoomFor(2 * kFolderEntries);
    markForCut(s.tree, s.folder);
    PasteCommand command(s.tree, s.link);
    ASSERT_TRUE(command.redo());
    ASSERT_TRUE(command.moved());
    ASSERT_TRUE(command.undo());  // room for the source once
    EXPECT_EQ(describe(s.tree), original);
    ASSERT_EQ(s.tree.itemDataLeft(), 0u);
    EXPECT_FALSE(command.redo());
    EXPECT_EQ(describe(s.tree), original);

    Sample t;
    t.leaveRoomFor(kFolderEntries);
    markForCut(t.tree, t.folder);
    PasteCommand full(t.tree, t.link);
    ASSERT_TRUE(full.redo());
    EXPECT_FALSE(full.undo());
    EXPECT_EQ(describe(t.tree), moved);
}

}  // namespace
}  // namespace brivanta
