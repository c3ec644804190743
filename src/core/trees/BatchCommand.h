#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/trees/TreeCommand.h"

namespace brivanta {

// Several changes taken back and made again as one step (deleting the other entries of a
// group of duplicates, moving many entries into one folder). The first redo runs the plan,
// which makes the changes one after another with step(); a later step may use what an
// earlier one made (the folder the entries move into). Undo takes the steps back in reverse.
class BatchCommand : public TreeCommand {
  public:
    using Plan = std::function<void(BatchCommand& batch)>;
    BatchCommand(BookmarkTree& tree, std::string description, Plan plan)
        : TreeCommand(tree), description_(std::move(description)), plan_(std::move(plan)) {}

    // While the plan runs: makes the change of `command` and keeps it when it changed
    // anything. False when it did not.
    bool step(std::unique_ptr<TreeCommand> command);
    size_t stepCount() const { return steps_.size(); }
    BookmarkTree& tree() { return tree_; }
    bool changedAnything() const override { return !steps_.empty(); }
    std::string description() const override { return description_; }

  private:
    bool perform() override;
    bool reapply() override;
    bool revert() override;
    void collectTouched(const TreeCommand& command);

    std::string description_;
    Plan plan_;
    std::vector<std::unique_ptr<TreeCommand>> steps_;
};

}  // namespace brivanta
