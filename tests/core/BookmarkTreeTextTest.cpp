// How a tree keeps the texts of its entries: one arena per tree, handed out as views.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {
namespace {

struct RewriteCase {
    const char* what;
    NodeRecord first;
    NodeRecord second;
};

class RecordRewrite : public testing::TestWithParam<RewriteCase> {};

// A new record over an old one, shorter, longer or emptied, never touches the neighbours,
// whose texts lie just before and after it in the arena.
TEST_P(RecordRewrite, KeepsTheNewTextAndTheNeighbours) {
    const RewriteCase& c = GetParam();
    BookmarkTree tree(kAddressBookTree);
    ItemId before = tree.InsertNode({"before", "http://b/", "t1"});
    ItemId item = tree.InsertNode(c.first);
    ItemId after = tree.InsertNode({"after", "http://a/", "t2"});
    tree.SetRecord(item, c.second);
    EXPECT_EQ(*tree.LookupRecord(item), c.second);
    EXPECT_EQ(tree.label(item), c.first.name);  // the label is the caller's to change
    tree.SetRecord(item, c.first);
    EXPECT_EQ(*tree.LookupRecord(item), c.first);
    EXPECT_EQ(tree.label(item), c.first.name);
    EXPECT_EQ(*tree.LookupRecord(before), (NodeRecord{"before", "http://b/", "t1"}));
    EXPECT_EQ(*tree.LookupRecord(after), (NodeRecord{"after", "http://a/", "t2"}));
}

INSTANTIATE_TEST_SUITE_P(
    BookmarkTreeText, RecordRewrite,
    testing::Values(
        RewriteCase{"same_size", {"abc", "http://x/", "t"}, {"xyz", "http://y/", "u"}},
        RewriteCase{"shorter", {"a long name", "http://long.example/", "tag"}, {"n", "", ""}},
        RewriteCase{
            "longer", {"n", "", ""}, {"a much longer name", "http://longer.example/path", "tag"}},
        RewriteCase{"from_empty", {"", "", ""}, {"x", "y", "z"}},
        RewriteCase{"to_empty", {"x", "y", "z"}, {"", "", ""}},
        RewriteCase{"moved_between_fields", {"name", "", ""}, {"", "name", ""}},
        RewriteCase{"nul_and_high_bytes",
                    {std::string("a\0b", 3), "\xff\xfe", ""},
                    {"\xb0\xa1", std::string("\0", 1), "\x80"}}),
    [](const testing::TestParamInfo<RewriteCase>& row) { return std::string(row.param.what); });

// Deleting most of a tree gives its text back, and what stays reads as before, own labels
// included; the tree goes on taking entries.
TEST(BookmarkTreeText, DeletingMostEntriesGivesTheTextBackAndKeepsTheRest) {
    BookmarkTree tree;
    std::map<ItemId, NodeRecord> kept;
    std::vector<ItemId> folders;
    const std::string padding(300, 'p');
    for (int f = 0; f < 100; ++f) {
        ItemId folder = tree.InsertNode({"folder" + std::to_string(f), "", ""});
        folders.push_back(folder);
        for (int i = 0; i < 400; ++i) {
            NodeRecord r{"n" + std::to_string(f) + "." + std::to_string(i),
                         "http://e/" + std::to_string(i) + padding, ""};
            ItemId item = tree.InsertNode(r, folder);
            if (f % 10 == 0)
                kept[item] = r;
        }
    }
    ItemId relabelled = kept.begin()->first;
    tree.setLabel(relabelled, "shown");
    const size_t full = tree.heldTextBytes();
    ASSERT_GT(full, 12u << 20);
    for (int f = 0; f < 100; ++f) {
        if (f % 10 != 0)
            tree.DeleteNode(folders[f]);
    }
    EXPECT_LT(tree.heldTextBytes(), full / 4);
    EXPECT_EQ(tree.size(), 10u * 401);
    for (const auto& [item, record] : kept) {
        ASSERT_TRUE(tree.contains(item));
        EXPECT_EQ(*tree.LookupRecord(item), record);
        EXPECT_EQ(tree.label(item), item == relabelled ? "shown" : record.name);
    }
    for (int f = 0; f < 100; f += 10)
        EXPECT_EQ(tree.label(folders[f]), "folder" + std::to_string(f));
    ItemId added = tree.InsertNode({"new", "http://new/", ""}, folders[0]);
    EXPECT_EQ(tree.child(folders[0], 400), added);
    EXPECT_EQ(tree.LookupRecord(added)->address, "http://new/");
}

// A folder's child list is given back when it is deleted and handed to the next folder;
// none of the old children may show up there.
TEST(BookmarkTreeText, ReusedChildListsStartEmpty) {
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"a", "", ""});
    for (int i = 0; i < 5; ++i)
        tree.InsertNode({"old" + std::to_string(i), "x", ""}, a);
    tree.DeleteNode(a);
    ItemId b = tree.InsertNode({"b", "", ""});
    EXPECT_EQ(tree.childCount(b), 0);
    ItemId c = tree.InsertNode({"c", "x", ""}, b);
    EXPECT_EQ(tree.childCount(b), 1);
    EXPECT_EQ(tree.child(b, 0), c);
    EXPECT_EQ(tree.child(b, 1), kNoItem);
    EXPECT_EQ(tree.childCount(kNoItem), 1);
}

// A long text gets a block of its own; the short ones around it stay in theirs.
TEST(BookmarkTreeText, LongTextsLiveBesideShortOnes) {
    BookmarkTree tree;
    const std::string huge(1 << 20, 'h');
    ItemId small1 = tree.InsertNode({"s1", "a", ""});
    ItemId big = tree.InsertNode({"big", huge, ""});
    ItemId small2 = tree.InsertNode({"s2", "b", ""});
    EXPECT_EQ(tree.LookupRecord(big)->address.size(), huge.size());
    EXPECT_EQ(tree.LookupRecord(big)->address, huge);
    EXPECT_EQ(tree.LookupRecord(small1)->address, "a");
    EXPECT_EQ(tree.LookupRecord(small2)->address, "b");
    EXPECT_LT(tree.heldTextBytes(), huge.size() + (512u << 10));
}

// What callers do with the views: copy them into records and strings, join and compare.
TEST(BookmarkTreeText, ViewsReadLikeTheStringsTheyReplace) {
    BookmarkTree tree;
    ItemId item = tree.InsertNode({"name", "http://a/", ""});
    RecordRef record = tree.LookupRecord(item);
    ASSERT_TRUE(record);
    NodeRecord copy = *record;
    copy.name += "2";
    EXPECT_EQ(copy, (NodeRecord{"name2", "http://a/", ""}));
    const std::string& bound = record->name;  // a copy of its own, safe to keep
    tree.SetRecord(item, {"other", "", ""});
    EXPECT_EQ(bound, "name");
    EXPECT_EQ(tree.label(item) + "|" + tree.LookupRecord(item)->name, "name|other");
    EXPECT_EQ(std::string("<") + tree.label(item), "<name");
    EXPECT_TRUE(tree.LookupRecord(item)->address.empty());
    EXPECT_EQ(tree.LookupRecord(item + 1), nullptr);
    EXPECT_FALSE(tree.LookupRecord(kNoItem));
    EXPECT_EQ(tree.label(item + 1), "");
}

}  // namespace
}  // namespace brivanta
