#include <gtest/gtest.h>

#include "core/net/TreeLinkSource.h"
#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::net {
namespace {

std::string links(TreeLinkSource source) {
    std::string out;
    LinkJob job;
    while (source.next(job))
        out += std::to_string(job.tag) + "=" + job.address + " ";
    return out;
}

TEST(TreeLinkSourceTest, HandsOutWebAndFileLinksOfATreeOrAFolderInPreOrder) {
    BookmarkTree tree;
    ItemId a = tree.InsertNode({"a", "", ""});                // 1
    tree.InsertNode({"x", "http://x.example/", ""}, a);       // 2
    ItemId inner = tree.InsertNode({"inner", "", ""}, a);     // 3
    tree.InsertNode({"m", "mailto:m@x.example", ""}, inner);  // 4
    tree.InsertNode({"f", "/tmp/f", ""}, inner);              // 5
    tree.InsertNode({"y", "https://y.example/", ""});         // 6
    ItemId empty = tree.InsertNode({"empty", "", ""});        // 7
    tree.InsertNode({"z", "http://z.example/", ""});          // 8

    EXPECT_EQ(links(TreeLinkSource(tree)),
              "2=http://x.example/ 5=/tmp/f 6=https://y.example/ 8=http://z.example/ ");
    EXPECT_EQ(TreeLinkSource::count(tree), 4u);
    // A folder's walk stays inside it, even where it is followed by siblings.
    EXPECT_EQ(links(TreeLinkSource(tree, inner)), "5=/tmp/f ");
    EXPECT_EQ(links(TreeLinkSource(tree, a)), "2=http://x.example/ 5=/tmp/f ");
    EXPECT_EQ(links(TreeLinkSource(tree, empty)), "");
    EXPECT_EQ(links(TreeLinkSource(tree, 99)), "");
    // One link on its own is a walk of one.
    EXPECT_EQ(links(TreeLinkSource(tree, 6)), "6=https://y.example/ ");
}

}  // namespace
}  // namespace brivanta::net
