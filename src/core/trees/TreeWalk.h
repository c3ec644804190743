#pragma once

#include <type_traits>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What a visitor of walkTree answers for an entry.
enum class WalkStep {
    Into,  // go into its children (an entry without children is simply passed)
    Over,  // pass its children over
    Stop,  // end the walk here
};

namespace walk_detail {

template <class Visitor>
void leaveFolder(Visitor& visitor, ItemId item, int depth) {
    if constexpr (requires { visitor.leaveFolder(item, depth); })
        visitor.leaveFolder(item, depth);
}

// Walks the subtrees of the children of `top`, the children at `depth`. False when stopped.
template <class Visitor>
bool walkBelow(const BookmarkTree& tree, ItemId top, int depth, Visitor& visitor) {
    ItemId item = tree.firstChild(top);
    while (item != kNoItem) {
        WalkStep step = visitor.visit(item, depth);
        if (step == WalkStep::Stop)
            return false;
        if (step == WalkStep::Into) {
            if (ItemId child = tree.firstChild(item); child != kNoItem) {
                item = child;
                ++depth;
                continue;
            }
        }
        for (;;) {
            if (ItemId next = tree.nextSibling(item); next != kNoItem) {
                item = next;
                break;
            }
            item = tree.parent(item);
            if (item == top)
                return true;
            --depth;
            leaveFolder(visitor, item, depth);
        }
    }
    return true;
}

}  // namespace walk_detail

// The one walk over a subtree, in pre-order and without recursion: a hostile file may nest
// entries a million deep. `visitor.visit(item, depth)` hears each entry and answers with a
// WalkStep; after the children of an entry the walk went into, `visitor.leaveFolder(item,
// depth)` (optional) hears that entry again with the same depth. A stopped walk leaves no
// folder. The depth counts from 0 for `start` itself, or for the top level when the whole tree
// is walked (kNoItem, whose invisible root is not visited). An unknown start visits nothing.
template <class Visitor>
void walkTree(const BookmarkTree& tree, ItemId start, Visitor&& visitor) {
    if (start == kNoItem) {
        walk_detail::walkBelow(tree, kNoItem, 0, visitor);
        return;
    }
    if (!tree.contains(start) || visitor.visit(start, 0) != WalkStep::Into ||
        !tree.hasChildren(start)) {
        return;
    }
    if (walk_detail::walkBelow(tree, start, 1, visitor))
        walk_detail::leaveFolder(visitor, start, 0);
}

// The same over the children of `parent` and their subtrees (`parent` is not visited, its
// children are at depth 0).
template <class Visitor>
void walkChildren(const BookmarkTree& tree, ItemId parent, Visitor&& visitor) {
    if (parent == kNoItem || tree.contains(parent))
        walk_detail::walkBelow(tree, parent, 0, visitor);
}

// Visits `start` and everything below it in pre-order, as walkTree does, without the folder
// events: `each(item, depth)`. A visitor that returns bool stops the walk by returning false.
template <class Visit>
void forEachPreOrder(const BookmarkTree& tree, ItemId start, Visit&& each) {
    struct Adapter {
        Visit& fn;
        WalkStep visit(ItemId item, int depth) {
            if constexpr (std::is_same_v<std::invoke_result_t<Visit&, ItemId, int>, bool>) {
                return fn(item, depth) ? WalkStep::Into : WalkStep::Stop;
            } else {
                fn(item, depth);
                return WalkStep::Into;
            }
        }
    };
    walkTree(tree, start, Adapter{each});
}

}  // namespace brivanta
