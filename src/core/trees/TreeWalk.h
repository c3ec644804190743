#pragma once

#include <type_traits>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Visits `start` and everything below it in pre-order (the whole tree for kNoItem, whose
// invisible root is not visited). `visit(item, depth)` gets the depth below the start:
// 0 for `start` itself, or for the top level when the whole tree is walked. A visitor that
// returns bool stops the walk by returning false. No recursion: a hostile file may nest
// entries a million deep.
template <class Visit>
void forEachPreOrder(const BookmarkTree& tree, ItemId start, Visit&& visit) {
    auto call = [&](ItemId item, int depth) {
        if constexpr (std::is_same_v<std::invoke_result_t<Visit&, ItemId, int>, bool>) {
            return visit(item, depth);
        } else {
            visit(item, depth);
            return true;
        }
    };
    int depth = 0;
    if (start != kNoItem) {
        if (!tree.contains(start) || !call(start, 0))
            return;
        depth = 1;
    }
    ItemId item = tree.firstChild(start);
    while (item != kNoItem) {
        if (!call(item, depth))
            return;
        if (ItemId child = tree.firstChild(item); child != kNoItem) {
            item = child;
            ++depth;
            continue;
        }
        while (item != start && tree.nextSibling(item) == kNoItem) {
            item = tree.parent(item);
            --depth;
        }
        if (item == start)
            return;
        item = tree.nextSibling(item);
    }
}

}  // namespace brivanta
