#pragma once

#include <optional>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Where an entry stands: its row, its parent's row and so on up to the top level, listed
// from the top. Item data changes when an entry is taken out and put back; the place it
// was taken from does not, so commands that are undone and redone remember places.
// The empty path is the invisible root.
using RowPath = std::vector<int>;

RowPath pathOf(const BookmarkTree& tree, ItemId item);
// The entry at `path` (kNoItem for the empty path), or nothing when the tree has no entry
// there.
std::optional<ItemId> itemAt(const BookmarkTree& tree, const RowPath& path);

}  // namespace brivanta
