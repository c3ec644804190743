#include "core/trees/RowPath.h"

#include <algorithm>

namespace brivanta {

RowPath pathOf(const BookmarkTree& tree, ItemId item) {
    RowPath path;
    for (ItemId i = item; i != kNoItem && tree.contains(i); i = tree.parent(i))
        path.push_back(tree.row(i));
    std::reverse(path.begin(), path.end());
    return path;
}

std::optional<ItemId> itemAt(const BookmarkTree& tree, const RowPath& path) {
    ItemId item = kNoItem;
    for (int row : path) {
        item = tree.child(item, row);
        if (item == kNoItem)
            return std::nullopt;
    }
    return item;
}

}  // namespace brivanta
