#pragma once

#include <random>
#include <string>

#include "core/text/Encoding.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::testing {

// A compact description of a tree: "name|address" per entry, children in braces.
// Used to compare trees structurally: same shape, labels, addresses and tags.
inline std::string describe(const BookmarkTree& tree, ItemId parent = kNoItem) {
    std::string out;
    for (int r = 0; r < tree.childCount(parent); ++r) {
        ItemId item = tree.child(parent, r);
        RecordRef record = tree.LookupRecord(item);
        out += tree.label(item) + "|" + record->address;
        if (!record->tag.empty())
            out += "|" + record->tag;
        if (tree.hasChildren(item))
            out += "{" + describe(tree, item) + "}";
        out += ";";
    }
    return out;
}

// A random tree whose names are GBK double-byte text mixed with ASCII, none starting with
// white space or a depth marker (those do not survive a round trip by design).
inline void fillRandomTree(BookmarkTree& tree, std::mt19937& rng, int entries, int maxDepth) {
    static const char* const kWords[] = {"新闻", "搜索", "邮箱", "地图", "音乐", "视频",
                                         "学习", "工作", "news", "mail", "中文", "网站"};
    std::vector<ItemId> path;  // path[d] = last entry at depth d
    for (int i = 0; i < entries; ++i) {
        int depth =
            path.empty()
                ? 0
                : std::uniform_int_distribution<int>(
                      0, static_cast<int>(std::min<size_t>(path.size(), maxDepth - 1)))(rng);
        path.resize(depth);
        NodeRecord record;
        int words = std::uniform_int_distribution<int>(1, 3)(rng);
        for (int w = 0; w < words; ++w)
            record.name += text::gbk(kWords[rng() % 12]);
        record.name += std::to_string(i);
        if (rng() % 3 != 0)
            record.address = "http://example.com/" + std::to_string(rng() % 100000) + ".htm";
        if (tree.treeKind() == kAddressBookTree && rng() % 2)
            record.tag = text::gbk(rng() % 2 ? "电话" : "男");
        path.push_back(tree.InsertNode(record, depth == 0 ? kNoItem : path[depth - 1]));
    }
}

// The small tree the editing and dropping tests share: F{a; S{b;}}; L (a link).
struct SampleTree {
    BookmarkTree tree;
    ItemId folder = tree.InsertNode({"F", "", ""});
    ItemId a = tree.InsertNode({"a", "http://a.example.com", ""}, folder);
    ItemId sub = tree.InsertNode({"S", "", ""}, folder);
    ItemId b = tree.InsertNode({"b", "b.doc", ""}, sub);
    ItemId link = tree.InsertNode({"L", "www.l.com", ""});
};

}  // namespace brivanta::testing
