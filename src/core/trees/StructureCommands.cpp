#include "core/trees/StructureCommands.h"

#include <utility>

#include "core/trees/TreeDrop.h"

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
    ItemId source = dragged_ != kNoItem ? dragged_ : tree_.pasteSource();
    if (dragged_ == kNoItem && !hasPasteMark(tree_))
        return false;
    if (!tree_.contains(source) || (destination_ != kNoItem && !tree_.contains(destination_)))
        return false;
    const bool cut = dragged_ != kNoItem || tree_.clipMode() == kClipCut;
    destinationBefore_ = pathOf(tree_, destination_);
    destinationStateBefore_ = tree_.nodeState(destination_);
    if (cut)
        source_.capture(tree_, {source});
    if (dragged_ != kNoItem) {
        copy_ = moveByDrag(tree_, dragged_, destination_, &result_);
    } else {
        result_ = pasteMarked(tree_, destination_, &copy_);
    }
    if (copy_ == kNoItem)
        return false;  // nothing pasted (result_ says why): the tree is as it was
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
    // What goes back gets fresh item data, and item data is never reused: without room for
    // it, refuse before anything is taken away, or a full tree would lose the subtree.
    if (copied_.entryCount() > tree_.itemDataLeft())
        return false;
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
    if (moved_ && source_.entryCount() > tree_.itemDataLeft())
        return false;
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
