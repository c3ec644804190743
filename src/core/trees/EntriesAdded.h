#pragma once

#include <cstddef>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What an operation added to a tree, as it tells it: the first entry of each new subtree, in
// order, and how many entries came in all. An undo step is made from the roots.
struct EntriesAdded {
    std::vector<ItemId> roots;
    size_t count = 0;
};

// The children of `parent` from row `firstRow` on: what an operation that appends below
// `parent` added, when `firstRow` was its child count before.
inline std::vector<ItemId> childrenFrom(const BookmarkTree& tree, ItemId parent, int firstRow) {
    std::vector<ItemId> out;
    for (int row = firstRow; row < tree.childCount(parent); ++row)
        out.push_back(tree.child(parent, row));
    return out;
}

}  // namespace brivanta
