#pragma once

#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What a person dropped on a tree view: an entry of the same tree dragged elsewhere, or
// files and text from another program turned into entries.
struct DropRequest {
    // The entry moved by dragging; kNoItem when the drop came from another program.
    ItemId dragged = kNoItem;
    // The entry under the pointer; kNoItem for empty space (the top level).
    ItemId target = kNoItem;
    // What a drop from another program adds.
    std::vector<NodeRecord> entries;

    bool isMove() const { return dragged != kNoItem; }
};

}  // namespace brivanta
