#include "core/sync/SyncCommand.h"

#include <utility>

namespace brivanta::sync {

SyncCommand::SyncCommand(BookmarkTree& tree, RowPath folder,
                         std::vector<std::vector<NodeState>> children)
    : TreeCommand(tree), folder_(std::move(folder)), held_(std::move(children)) {}

bool SyncCommand::swapChildren() {
    std::optional<ItemId> folder = itemAt(tree_, folder_);
    if (!folder)
        return false;
    std::size_t incoming = 0;
    for (const auto& list : held_)
        incoming += list.size();
    if (tree_.itemDataLeft() < incoming)
        return false;  // the tree could not take them all: leave it as it is
    std::vector<std::vector<NodeState>> out;
    out.reserve(static_cast<std::size_t>(tree_.childCount(*folder)));
    while (tree_.childCount(*folder) > 0)
        out.push_back(tree_.takeSubtree(tree_.child(*folder, 0)));
    int row = 0;
    for (auto& list : held_) {
        ItemId item = tree_.insertSubtree(*folder, row, std::move(list));
        if (item == kNoItem)
            continue;  // a malformed list: left out rather than half put in
        touched_.push_back(item);
        ++row;
    }
    held_ = std::move(out);
    return true;
}

}  // namespace brivanta::sync
