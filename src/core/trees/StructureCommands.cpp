#include "core/trees/StructureCommands.h"

#include <utility>

namespace brivanta {

bool DeleteCommand::perform() {
    if (item_ == kNoItem) {
        if (tree_.empty())
            return false;
        std::vector<ItemId> top;
        for (ItemId i = tree_.firstChild(kNoItem); i != kNoItem; i = tree_.nextSibling(i))
            top.push_back(i);
        taken_.take(tree_, top);
        // Emptying the whole tree also starts its item data again from 1.
        tree_.DeleteNode();
        return true;
    }
    if (!tree_.contains(item_))
        return false;
    taken_.take(tree_, {item_});
    return true;
}

bool DeleteCommand::reapply() {
    if (!taken_.remove(tree_))
        return false;
    if (item_ == kNoItem)
        tree_.DeleteNode();
    return true;
}

bool DeleteCommand::revert() {
    return taken_.restore(tree_, &touched_);
}

bool PasteCommand::perform() {
    if (dragged_ == kNoItem)
        return pasteOnce();
    if (!tree_.contains(dragged_))
        return false;
    ItemId keptMark = tree_.pasteSource();
    std::string keptMode = tree_.clipMode();
    if (dragMove_)
        markForCut(tree_, dragged_);
    else
        markForCopy(tree_, dragged_);
    bool done = pasteOnce();
    tree_.setPasteSource(tree_.contains(keptMark) ? keptMark : kNoItem);
    tree_.setClipMode(std::move(keptMode));
    return done;
}

bool PasteCommand::pasteOnce() {
    ItemId source = tree_.pasteSource();
    if (!hasPasteMark(tree_) || (destination_ != kNoItem && !tree_.contains(destination_)))
        return false;
    const bool cut = tree_.clipMode() == kClipCut;
    destinationBefore_ = pathOf(tree_, destination_);
    destinationStateBefore_ = tree_.nodeState(destination_);
    if (cut)
        source_.capture(tree_, {source});
    result_ = pasteMarked(tree_, destination_, &copy_);
    if (result_ == PasteResult::Nothing)
        return false;
    moved_ = cut && result_ == PasteResult::Copied;
    copied_.capture(tree_, {copy_});
    destinationAfter_ = pathOf(tree_, destination_);
    destinationStateAfter_ = tree_.nodeState(destination_);
    return true;
}

bool PasteCommand::putDestination(const RowPath& path, const NodeState& state) {
    if (path.empty())
        return true;  // the top level has no state of its own
    std::optional<ItemId> item = itemAt(tree_, path);
    if (!item || *item == kNoItem)
        return false;
    tree_.restoreState(*item, state);
    touched_.push_back(*item);
    return true;
}

bool PasteCommand::reapply() {
    if (moved_ && !source_.remove(tree_))
        return false;
    std::vector<ItemId> restored;
    if (!copied_.restore(tree_, &restored))
        return false;
    copy_ = restored.empty() ? kNoItem : restored.front();
    touched_.insert(touched_.end(), restored.begin(), restored.end());
    return putDestination(destinationAfter_, destinationStateAfter_);
}

bool PasteCommand::revert() {
    if (!copied_.remove(tree_))
        return false;
    copy_ = kNoItem;
    if (moved_ && !source_.restore(tree_, &touched_))
        return false;
    return putDestination(destinationBefore_, destinationStateBefore_);
}

EntriesAddedCommand::EntriesAddedCommand(BookmarkTree& tree, const std::vector<ItemId>& roots,
                                         std::string description)
    : TreeCommand(tree), description_(std::move(description)) {
    added_.capture(tree_, roots);
    markBefore_ = markAfter_ = capturePasteMark(tree_);
    markApplied();
}

}  // namespace brivanta
