#pragma once

#include "core/trees/TreeKind.h"

namespace brivanta {

// Told about every change of a BookmarkTree, so that a view can follow the tree without a
// copy of it. Rows are positions among the parent's children; kNoItem is the top level.
class TreeObserver {
  public:
    virtual ~TreeObserver() = default;
    virtual void aboutToInsert(ItemId /*parent*/, int /*row*/) {}
    virtual void inserted(ItemId /*parent*/, int /*row*/, ItemId /*item*/) {}
    virtual void aboutToRemove(ItemId /*parent*/, int /*row*/, ItemId /*item*/) {}
    virtual void removed(ItemId /*parent*/, int /*row*/) {}
    // The record, label, images or expanded state of an item changed.
    virtual void changed(ItemId /*item*/) {}
    // Many changes at once (a whole load, emptying the tree): per-item calls are left out
    // between these two.
    virtual void aboutToReset() {}
    virtual void reset() {}
    // The tree is being destroyed: forget it, and do not call it again (not even to remove
    // yourself as an observer).
    virtual void treeDestroyed() {}
};

}  // namespace brivanta
