#pragma once

// Trees written as text for tests: one entry per line, two spaces per level,
// "name|address|tag" (the tag only in an address book).

#include <sstream>
#include <string>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta::net::testing {

// Builds entries from "depth name address [tag]" tuples.
struct Entry {
    Entry(int d, std::string n, std::string a, std::string t = {})
        : depth(d), name(std::move(n)), address(std::move(a)), tag(std::move(t)) {}
    int depth;
    std::string name;
    std::string address;
    std::string tag;
};

inline void addEntries(BookmarkTree& tree, const std::vector<Entry>& entries) {
    std::vector<ItemId> path;
    for (const Entry& e : entries) {
        path.resize(static_cast<size_t>(e.depth));
        ItemId parent = e.depth == 0 ? kNoItem : path.back();
        path.push_back(tree.InsertNode({e.name, e.address, e.tag}, parent));
    }
}

inline std::string treeText(const BookmarkTree& tree) {
    std::string out;
    std::vector<std::pair<ItemId, int>> stack;
    for (int i = tree.childCount(kNoItem) - 1; i >= 0; --i)
        stack.push_back({tree.child(kNoItem, i), 0});
    while (!stack.empty()) {
        auto [item, depth] = stack.back();
        stack.pop_back();
        RecordRef r = tree.LookupRecord(item);
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + r->name + "|" + r->address;
        if (tree.treeKind() == kAddressBookTree)
            out += "|" + r->tag;
        out += "\n";
        for (int i = tree.childCount(item) - 1; i >= 0; --i) {
            stack.push_back({tree.child(item, i), depth + 1});
        }
    }
    return out;
}

}  // namespace brivanta::net::testing
