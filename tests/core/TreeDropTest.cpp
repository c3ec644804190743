#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TreeBuilders.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeDrop.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {
namespace {

using testing::describe;

// F{a; S{b;}}; L (a link)
using Sample = testing::SampleTree;

TEST(TreeDrop, DraggingOntoALinkMakesItThatLinksChild) {
    Sample s;
    ItemId moved = moveByDrag(s.tree, s.folder, s.link);
    ASSERT_NE(moved, kNoItem);
    EXPECT_EQ(describe(s.tree), "L|www.l.com{F|{a|http://a.example.com;S|{b|b.doc;};};};");
    EXPECT_EQ(s.tree.parent(moved), s.link);
    EXPECT_TRUE(s.tree.isExpanded(s.link));
    EXPECT_FALSE(s.tree.contains(s.folder));
}

TEST(TreeDrop, EmptySpaceMovesToTheEndOfTheTopLevel) {
    Sample s;
    ItemId moved = moveByDrag(s.tree, s.b, kNoItem);
    ASSERT_NE(moved, kNoItem);
    EXPECT_EQ(describe(s.tree), "F|{a|http://a.example.com;S|;};L|www.l.com;b|b.doc;");
}

TEST(TreeDrop, NothingMovesOntoTheDraggedEntryOrBelowIt) {
    Sample s;
    std::string before = describe(s.tree);
    markForCopy(s.tree, s.link);
    for (ItemId target : {s.folder, s.a, s.sub, s.b}) {
        EXPECT_FALSE(mayDropOn(s.tree, s.folder, target)) << target;
        EXPECT_EQ(moveByDrag(s.tree, s.folder, target), kNoItem) << target;
    }
    EXPECT_EQ(describe(s.tree), before);
    EXPECT_EQ(s.tree.pasteSource(), s.link);
    EXPECT_EQ(s.tree.clipMode(), kClipCopy);
    // Its siblings, the parent and empty space are fine; a vanished entry is not.
    EXPECT_TRUE(mayDropOn(s.tree, s.sub, s.a));
    EXPECT_TRUE(mayDropOn(s.tree, s.sub, s.folder));
    EXPECT_TRUE(mayDropOn(s.tree, s.sub, kNoItem));
    EXPECT_FALSE(mayDropOn(s.tree, s.sub, 999));
    EXPECT_FALSE(mayDropOn(s.tree, 999, kNoItem));
}

// Where the cut/copy mark stands before the drag of S onto L, and where it must be after.
enum class Mark { None, OnDragged, BelowDragged, Elsewhere, OnTarget };
struct MarkCase {
    Mark mark;
    const char* mode;
};

class TreeDropMark : public ::testing::TestWithParam<MarkCase> {};

TEST_P(TreeDropMark, SurvivesTheMoveAsACutAndPasteWould) {
    Sample s;
    const MarkCase& c = GetParam();
    ItemId marked = kNoItem;
    switch (c.mark) {
        case Mark::None:
            break;
        case Mark::OnDragged:
            marked = s.sub;
            break;
        case Mark::BelowDragged:
            marked = s.b;
            break;
        case Mark::Elsewhere:
            marked = s.a;
            break;
        case Mark::OnTarget:
            marked = s.link;
            break;
    }
    s.tree.setPasteSource(marked);
    s.tree.setClipMode(c.mode);

    ItemId moved = moveByDrag(s.tree, s.sub, s.link);
    ASSERT_NE(moved, kNoItem);
    EXPECT_EQ(describe(s.tree), "F|{a|http://a.example.com;};L|www.l.com{S|{b|b.doc;};};");
    switch (c.mark) {
        case Mark::None:
            EXPECT_EQ(s.tree.pasteSource(), kNoItem);
            EXPECT_EQ(s.tree.clipMode(), c.mode);
            break;
        case Mark::OnDragged:
            // The mark follows the entry; a further paste copies the moved subtree.
            EXPECT_EQ(s.tree.pasteSource(), moved);
            EXPECT_EQ(s.tree.clipMode(), kClipPaste);
            break;
        case Mark::BelowDragged:
            EXPECT_EQ(s.tree.pasteSource(), kNoItem);
            EXPECT_EQ(s.tree.clipMode(), "");
            EXPECT_FALSE(hasPasteMark(s.tree));
            break;
        case Mark::Elsewhere:
        case Mark::OnTarget:
            EXPECT_EQ(s.tree.pasteSource(), marked);
            EXPECT_EQ(s.tree.clipMode(), c.mode);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Marks, TreeDropMark,
    ::testing::Values(MarkCase{Mark::None, ""}, MarkCase{Mark::OnDragged, kClipCut},
                      MarkCase{Mark::OnDragged, kClipCopy}, MarkCase{Mark::BelowDragged, kClipCopy},
                      MarkCase{Mark::Elsewhere, kClipCut}, MarkCase{Mark::OnTarget, kClipCopy}));

TEST(TreeDrop, DroppedEntriesGoUnderTheTargetOrToTheTopLevel) {
    Sample s;
    std::vector<NodeRecord> entries{{"x", "/tmp/x", ""}, {"y", "http://y", ""}};
    EXPECT_EQ(insertDropped(s.tree, entries, s.sub), 2);
    EXPECT_TRUE(s.tree.isExpanded(s.sub));
    EXPECT_EQ(describe(s.tree, s.sub), "b|b.doc;x|/tmp/x;y|http://y;");
    EXPECT_EQ(insertDropped(s.tree, {{"z", "z", ""}}, kNoItem), 1);
    // A target that vanished meanwhile (deleted while the drop was on its way) is the top
    // level rather than a lost entry.
    EXPECT_EQ(insertDropped(s.tree, {{"w", "w", ""}}, 12345), 1);
    EXPECT_EQ(s.tree.label(s.tree.child(kNoItem, 2)), "z");
    EXPECT_EQ(s.tree.label(s.tree.child(kNoItem, 3)), "w");
}

struct NameCase {
    std::string dropped;
    std::string name;
};

class DroppedPathName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DroppedPathName, IsTheLastComponentUpToItsFirstDot) {
    NodeRecord entry = entryForDroppedPath(GetParam().dropped);
    EXPECT_EQ(entry.name, GetParam().name);
    EXPECT_EQ(entry.address, GetParam().dropped);
    EXPECT_EQ(entry.tag, "");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DroppedPathName,
    ::testing::Values(NameCase{"/home/me/notes.txt", "notes"},
                      NameCase{"/home/me/archive.tar.gz", "archive"},
                      NameCase{"/usr/bin/make", "make"}, NameCase{"/home/me/photos/", "photos"},
                      NameCase{"/home/me/.bashrc", ".bashrc"}, NameCase{"docs/readme.md", "readme"},
                      NameCase{"../up.html", "up"}, NameCase{"plain", "plain"},
                      NameCase{"C:\\Files\\report.doc", "report"}, NameCase{"/", "/"},
                      // "癨" is B0 5C in GBK: its second byte is no separator.
                      NameCase{"/data/" + text::gbk("癨表") + ".txt", text::gbk("癨表")},
                      NameCase{text::gbk("/文档/说明.书.pdf"), text::gbk("说明")}));

class DroppedTextName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DroppedTextName, IsWhatFollowsTheFirstDoubleSlash) {
    NodeRecord entry = entryForDroppedText(GetParam().dropped);
    EXPECT_EQ(entry.name, GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Texts, DroppedTextName,
                         ::testing::Values(NameCase{"https://example.com/a?b=1",
                                                    "example.com/a?b=1"},
                                           NameCase{"ftp://files.example.org", "files.example.org"},
                                           NameCase{"  http://x.org/ \r\n", "x.org/"},
                                           NameCase{"just some words", "just some words"},
                                           NameCase{"http://", "http://"},
                                           NameCase{"a//b//c", "b//c"}, NameCase{" \n", ""}));

TEST(TreeDrop, DroppedTextKeepsItsAddressWithoutSurroundingBlanks) {
    EXPECT_EQ(entryForDroppedText("  http://x.org/ \r\n").address, "http://x.org/");
    EXPECT_EQ(entryForDroppedText(" \n").address, "");
}

TEST(TreeDrop, DesktopLinksResolveToTheirUrl) {
    EXPECT_EQ(desktopLinkTarget("[Desktop Entry]\nName=Docs\nType=Link\nURL=file:///srv/a.txt\n"),
              "file:///srv/a.txt");
    EXPECT_EQ(desktopLinkTarget("# made by hand\r\n[Desktop Entry]\r\nURL = https://e.org \r\n"
                                "Type=Link\r\n"),
              "https://e.org");
    // Programs and other types are no links; a URL outside the main group does not count.
    EXPECT_EQ(desktopLinkTarget("[Desktop Entry]\nType=Application\nExec=foo\nURL=x\n"), "");
    EXPECT_EQ(desktopLinkTarget("[Desktop Entry]\nType=Link\n[Other]\nURL=x\n"), "");
    EXPECT_EQ(desktopLinkTarget(""), "");
}

struct ScrollCase {
    int x;
    int y;
    EdgeScroll scroll;
};

class EdgeScrolling : public ::testing::TestWithParam<ScrollCase> {};

// A view from (0, 0) to (200, 300).
TEST_P(EdgeScrolling, StepsTowardsTheNearEdge) {
    const ScrollCase& c = GetParam();
    EXPECT_EQ(edgeScrollFor(c.x, c.y, 0, 0, 200, 300), c.scroll) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Points, EdgeScrolling,
    ::testing::Values(ScrollCase{100, 150, {0, 0}}, ScrollCase{100, 290, {0, 1}},
                      ScrollCase{100, 289, {0, 0}}, ScrollCase{100, 10, {0, -1}},
                      ScrollCase{100, 11, {0, 0}}, ScrollCase{10, 150, {-1, 0}},
                      ScrollCase{190, 150, {1, 0}}, ScrollCase{5, 5, {-1, -1}},
                      ScrollCase{195, 295, {1, 1}}));

}  // namespace
}  // namespace brivanta
