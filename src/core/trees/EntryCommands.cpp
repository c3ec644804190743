#include "core/trees/EntryCommands.h"

#include "core/trees/TreeEditing.h"

namespace brivanta {

NewEntryCommand::NewEntryCommand(BookmarkTree& tree, ItemId parent, NodeRecord record)
    : TreeCommand(tree), parent_(parent), record_(std::move(record)) {}

bool NewEntryCommand::perform() {
    item_ = tree_.InsertNode(record_, parent_);
    if (item_ == kNoItem)
        return false;
    path_ = pathOf(tree_, item_);
    state_ = tree_.captureSubtree(item_);
    return true;
}

bool NewEntryCommand::reapply() {
    std::optional<ItemId> parent = itemAt(tree_, RowPath(path_.begin(), path_.end() - 1));
    if (!parent)
        return false;
    item_ = tree_.insertSubtree(*parent, path_.back(), state_);
    return item_ != kNoItem;
}

bool NewEntryCommand::revert() {
    std::optional<ItemId> item = itemAt(tree_, path_);
    if (!item || *item == kNoItem)
        return false;
    tree_.DeleteNode(*item);
    item_ = kNoItem;
    return true;
}

bool EntryStateCommand::perform() {
    if (!tree_.contains(item_))
        return false;
    path_ = pathOf(tree_, item_);
    before_ = tree_.nodeState(item_);
    change(item_);
    after_ = tree_.nodeState(item_);
    return true;
}

bool EntryStateCommand::put(const NodeState& state) {
    std::optional<ItemId> item = itemAt(tree_, path_);
    if (!item || *item == kNoItem)
        return false;
    tree_.restoreState(*item, state);
    touched_.push_back(*item);
    return true;
}

bool EntryStateCommand::reapply() {
    return put(after_);
}

bool EntryStateCommand::revert() {
    return put(before_);
}

void EditCommand::change(ItemId item) {
    applyEntryEdit(tree_, item, name_, address_);
}

void RenameCommand::change(ItemId item) {
    renameEntry(tree_, item, text_);
}

SubtreeChangeCommand::SubtreeChangeCommand(BookmarkTree& tree, ItemId item, std::string description)
    : TreeCommand(tree), item_(item), description_(std::move(description)) {
    markBefore_ = capturePasteMark(tree_);
    if (tree_.contains(item_)) {
        path_ = pathOf(tree_, item_);
        before_ = tree_.captureSubtree(item_);
    }
}

bool SubtreeChangeCommand::finish() {
    if (before_.empty() || !tree_.contains(item_) || pathOf(tree_, item_) != path_)
        return false;
    after_ = tree_.captureSubtree(item_);
    markAfter_ = capturePasteMark(tree_);
    markApplied();
    return true;
}

bool SubtreeChangeCommand::replace(const std::vector<NodeState>& nodes) {
    std::optional<ItemId> item = itemAt(tree_, path_);
    if (!item || *item == kNoItem)
        return false;
    ItemId parent = tree_.parent(*item);
    int row = tree_.row(*item);
    tree_.DeleteNode(*item);
    ItemId put = tree_.insertSubtree(parent, row, nodes);
    if (put == kNoItem)
        return false;
    touched_.push_back(put);
    return true;
}

}  // namespace brivanta
