#include <gtest/gtest.h>

#include "TreeBuilders.h"
#include "core/text/Encoding.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {
namespace {

// Feeds the same small import: two folders, one nested, links in each.
void feed(TreeMerger& m) {
    m.openFolder("Work");
    m.addLink("Mail", "http://mail/");
    m.openFolder("Deep");
    m.addLink("Wiki", "http://wiki/");
    m.closeFolder();
    m.closeFolder();
    m.addLink("Top", "http://top/");
    m.openFolder(text::gbk("空"));
    m.closeFolder();
}

TEST(TreeMerger, SecondImportAddsNothing) {
    BookmarkTree tree;
    {
        TreeMerger first(tree);
        feed(first);
        EXPECT_EQ(first.added(), 6u);
        EXPECT_EQ(first.skipped(), 0u);
    }
    std::string once = testing::describe(tree);
    TreeMerger second(tree);
    feed(second);
    EXPECT_EQ(second.added(), 0u);
    EXPECT_EQ(second.skipped(), 6u);
    EXPECT_EQ(testing::describe(tree), once);
}

TEST(TreeMerger, OnlyTheSameFolderCounts) {
    BookmarkTree tree;
    ItemId target = tree.InsertNode({"Target", "", ""});
    tree.InsertNode({"Mail elsewhere", "http://mail/", ""});  // top level, not in Target
    ItemId work = tree.InsertNode({"Work", "", ""}, target);
    tree.InsertNode({"old name", "http://mail/", ""}, work);
    tree.InsertNode({"Work", "http://work-link/", ""}, target);  // a link named Work: no folder

    TreeMerger merger(tree, target);
    feed(merger);
    EXPECT_EQ(merger.skipped(), 2u);  // Work (existing folder) and its http://mail/
    EXPECT_EQ(testing::describe(tree),
              "Target|{Work|{old name|http://mail/;Deep|{Wiki|http://wiki/;};};"
              "Work|http://work-link/;Top|http://top/;" +
                  text::gbk("空") +
                  "|;};"
                  "Mail elsewhere|http://mail/;");
    // Closing more folders than were opened stays at the starting folder.
    merger.closeFolder();
    merger.closeFolder();
    merger.addLink("Late", "http://late/");
    EXPECT_EQ(tree.parent(tree.nextItemData()), target);
}

TEST(TreeMerger, AddressesOnlyAnAddressMakesALink) {
    BookmarkTree tree;
    TreeMerger merger(tree);
    merger.addLink("no address", "  \t ");
    merger.addLink("", " http://named-by-address/ ");
    EXPECT_EQ(merger.skipped(), 1u);
    EXPECT_EQ(testing::describe(tree), "http://named-by-address/|http://named-by-address/;");
}

struct CleanCase {
    std::string in;
    std::string name;
    std::string address;
};

class CleanImported : public ::testing::TestWithParam<CleanCase> {};

TEST_P(CleanImported, KeepsWhatTheTreeFileCanHold) {
    EXPECT_EQ(cleanImportedName(GetParam().in), GetParam().name);
    EXPECT_EQ(cleanImportedAddress(GetParam().in), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanImported,
    ::testing::Values(CleanCase{"  a \t\r\n b  ", "a b", "a  b"},
                      CleanCase{std::string("x\0y\x7Fz", 6), "x y z", "xyz"},
                      CleanCase{"|up", text::gbk("｜") + "up", "|up"},
                      CleanCase{"->child", text::gbk("－") + ">child", "->child"},
                      CleanCase{" |after blank", text::gbk("｜") + "after blank", "|after blank"},
                      CleanCase{"-minus", "-minus", "-minus"},
                      // GBK double bytes whose second byte is '|' (0x7C) stay whole.
                      CleanCase{"\x81\x7C", "\x81\x7C", "\x81\x7C"}, CleanCase{"", "", ""}));

}  // namespace
}  // namespace brivanta
