#pragma once

#include <string>
#include <vector>

#include "core/trees/RowPath.h"
#include "core/trees/TreeCommand.h"

namespace brivanta::sync {

// Replaces a folder's children (the top level for the empty path) by others, as one step.
// Undo puts the old children back exactly; the folder is named by its place.
class SyncCommand : public TreeCommand {
  public:
    SyncCommand(BookmarkTree& tree, RowPath folder, std::vector<std::vector<NodeState>> children);
    std::string description() const override { return "同步"; }

  private:
    bool perform() override { return swapChildren(); }
    bool reapply() override { return swapChildren(); }
    bool revert() override { return swapChildren(); }
    // Puts `held_` in place of the folder's children and keeps those in `held_`.
    bool swapChildren();

    RowPath folder_;
    std::vector<std::vector<NodeState>> held_;
};

}  // namespace brivanta::sync
