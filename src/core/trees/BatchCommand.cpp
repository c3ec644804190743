#include "core/trees/BatchCommand.h"

namespace brivanta {

bool BatchCommand::step(std::unique_ptr<TreeCommand> command) {
    if (!command->redo() || !command->changedAnything())
        return false;
    collectTouched(*command);
    steps_.push_back(std::move(command));
    return true;
}

void BatchCommand::collectTouched(const TreeCommand& command) {
    touched_.insert(touched_.end(), command.touched().begin(), command.touched().end());
}

bool BatchCommand::perform() {
    Plan plan = std::move(plan_);
    plan_ = {};
    if (plan)
        plan(*this);
    return !steps_.empty();
}

bool BatchCommand::reapply() {
    for (size_t done = 0; done < steps_.size(); ++done) {
        if (!steps_[done]->redo()) {
            // Whole or not at all: take back what this redo already made.
            while (done > 0)
                steps_[--done]->undo();
            touched_.clear();
            return false;
        }
        collectTouched(*steps_[done]);
    }
    return true;
}

bool BatchCommand::revert() {
    for (size_t left = steps_.size(); left > 0; --left) {
        if (!steps_[left - 1]->undo()) {
            for (size_t again = left; again < steps_.size(); ++again)
                steps_[again]->redo();
            touched_.clear();
            return false;
        }
        collectTouched(*steps_[left - 1]);
    }
    return true;
}

}  // namespace brivanta
