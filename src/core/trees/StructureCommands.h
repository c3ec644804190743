#pragma once

#include <string>
#include <vector>

#include "core/trees/TreeCommand.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {

// Deletes an entry with its subtree, or with kNoItem the whole tree. Undo puts everything
// back at its parent and row.
class DeleteCommand : public TreeCommand {
  public:
    DeleteCommand(BookmarkTree& tree, ItemId item) : TreeCommand(tree), item_(item) {}
    size_t entryCount() const { return taken_.entryCount(); }
    std::string description() const override { return "删除"; }

  private:
    bool perform() override;
    bool reapply() override;
    bool revert() override;

    ItemId item_;
    SubtreeSet taken_;
};

// Pastes the marked subtree into `destination` (pasteMarked): a copy after a copy, a move
// after a cut. Undo takes the copy away, puts a moved subtree back where it was, and gives
// the destination back its expanded state and images.
class PasteCommand : public TreeCommand {
  public:
    PasteCommand(BookmarkTree& tree, ItemId destination)
        : TreeCommand(tree), destination_(destination) {}
    // A drag and drop of `source` onto `destination` (moveByDrag: a cut and paste that keeps
    // the mark).
    PasteCommand(BookmarkTree& tree, ItemId destination, ItemId source)
        : TreeCommand(tree), destination_(destination), dragged_(source) {}
    PasteResult result() const { return result_; }
    // The copy's first entry after the last redo.
    ItemId copy() const { return copy_; }
    bool moved() const { return moved_; }
    std::string description() const override { return moved_ ? "移动" : "粘贴"; }

  private:
    bool perform() override;
    bool reapply() override;
    bool revert() override;
    bool putDestination(const RowPath& path, const NodeState& state);

    ItemId destination_;
    ItemId dragged_ = kNoItem;
    PasteResult result_ = PasteResult::Nothing;
    ItemId copy_ = kNoItem;
    bool moved_ = false;
    SubtreeSet source_;  // what a move took away
    SubtreeSet copied_;
    RowPath destinationBefore_;
    RowPath destinationAfter_;
    NodeState destinationStateBefore_;
    NodeState destinationStateAfter_;
};

// Records entries already added: whole new subtrees at the top level or below existing
// entries (an import, a received tree, a drop). One step however many there are.
class EntriesAddedCommand : public TreeCommand {
  public:
    EntriesAddedCommand(BookmarkTree& tree, const std::vector<ItemId>& roots,
                        std::string description = "添加");
    bool changedAnything() const override { return !added_.empty(); }
    size_t entryCount() const { return added_.entryCount(); }
    std::string description() const override { return description_; }

  private:
    bool perform() override { return false; }
    bool reapply() override { return added_.restore(tree_, &touched_); }
    bool revert() override { return added_.remove(tree_); }

    SubtreeSet added_;
    std::string description_;
};

}  // namespace brivanta
