#include <gtest/gtest.h>

#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/DuplicateFinder.h"

namespace brivanta {
namespace {

// "tree:path=address" per entry, groups separated by " | ".
std::string describe(const std::vector<DuplicateGroup>& groups,
                     const std::vector<const BookmarkTree*>& trees) {
    std::string out;
    for (const DuplicateGroup& g : groups) {
        if (!out.empty())
            out += " | ";
        bool first = true;
        for (const DuplicateEntry& e : g.entries) {
            if (!first)
                out += ", ";
            first = false;
            out += std::to_string(e.tree) + ":" + text::toUtf8(e.path) + "=" +
                   std::string(trees[static_cast<size_t>(e.tree)]->LookupRecord(e.item)->address);
        }
    }
    return out;
}

ItemId add(BookmarkTree& tree, const char* name, const char* address, ItemId parent = kNoItem) {
    return tree.InsertNode({text::gbk(name), address, ""}, parent);
}

TEST(DuplicateFinderTest, GroupsAcrossFoldersInTreeOrderWithPaths) {
    BookmarkTree tree;
    ItemId news = add(tree, "新闻", "");
    add(tree, "甲", "https://b.example/x?utm_source=feed", news);
    ItemId work = add(tree, "工作", "");
    ItemId deep = add(tree, "项目", "", work);
    add(tree, "乙", "http://A.example", deep);
    add(tree, "丙", "http://b.example/x", work);
    add(tree, "丁", "http://a.example/", kNoItem);
    add(tree, "戊", "http://c.example/", kNoItem);  // alone: no group
    add(tree, "文件夹", "", kNoItem);               // folders never match each other

    std::vector<const BookmarkTree*> trees{&tree};
    // The group of b.example starts first in pre-order, so it comes first, and http and
    // https stand side by side as they were written.
    EXPECT_EQ(describe(findDuplicates(trees), trees),
              "0:新闻/甲=https://b.example/x?utm_source=feed, 0:工作/丙=http://b.example/x | "
              "0:工作/项目/乙=http://A.example, 0:丁=http://a.example/");
}

TEST(DuplicateFinderTest, GroupsAcrossTreesAndMailWithoutCase) {
    BookmarkTree recommended, own, contacts(kAddressBookTree);
    add(recommended, "首页", "http://home.example/");
    add(own, "首页", "http://HOME.example:80/#top");
    add(contacts, "张三", "mailto:Zhang@Example.CN");
    add(own, "写信", "zhang@example.cn");
    add(recommended, "空", "");

    std::vector<const BookmarkTree*> trees{&recommended, &own, &contacts};
    EXPECT_EQ(describe(findDuplicates(trees), trees),
              "0:首页=http://home.example/, 1:首页=http://HOME.example:80/#top | "
              "1:写信=zhang@example.cn, 2:张三=mailto:Zhang@Example.CN");
    // One tree at a time finds none of these.
    for (const BookmarkTree* t : trees)
        EXPECT_TRUE(findDuplicates(std::vector<const BookmarkTree*>{t}).empty());
}

TEST(DuplicateFinderTest, EmptyTreesBetweenOthersKeepEntriesInTheirOwnTree) {
    BookmarkTree a, empty, b;
    add(a, "x", "http://same.example/");
    add(b, "y", "http://same.example/");
    add(b, "z", "http://same.example");
    std::vector<const BookmarkTree*> trees{&empty, &a, &empty, &b};
    EXPECT_EQ(describe(findDuplicates(trees), trees),
              "1:x=http://same.example/, 3:y=http://same.example/, 3:z=http://same.example");
}

TEST(DuplicateFinderTest, AddressesWhoseHashesCollideStayApart) {
    BookmarkTree tree;
    add(tree, "a1", "http://a.example/");
    add(tree, "b1", "http://b.example/");
    add(tree, "c", "http://c.example/");  // alone, though its hash is everybody's
    add(tree, "b2", "https://B.example");
    add(tree, "a2", "http://A.example/#x");
    std::vector<const BookmarkTree*> trees{&tree};
    auto everyAddressCollides = [](std::string_view) -> std::uint64_t { return 7; };
    EXPECT_EQ(describe(findDuplicates(trees, everyAddressCollides), trees),
              "0:a1=http://a.example/, 0:a2=http://A.example/#x | "
              "0:b1=http://b.example/, 0:b2=https://B.example");
}

}  // namespace
}  // namespace brivanta
