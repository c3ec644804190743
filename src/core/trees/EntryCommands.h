#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/trees/TreeCommand.h"

namespace brivanta {

// A new entry made from `record` as the last child of `parent` (kNoItem: the top level).
class NewEntryCommand : public TreeCommand {
  public:
    NewEntryCommand(BookmarkTree& tree, ItemId parent, NodeRecord record);
    // The entry the last redo made.
    ItemId item() const { return item_; }
    std::string description() const override { return "新建"; }

  private:
    bool perform() override;
    bool reapply() override;
    bool revert() override;

    ItemId parent_;
    NodeRecord record_;
    ItemId item_ = kNoItem;
    RowPath path_;
    std::vector<NodeState> state_;
};

// A change to one entry's own record, label or images, its subtree left alone.
class EntryStateCommand : public TreeCommand {
  public:
    bool changedAnything() const override { return !(before_ == after_); }

  protected:
    EntryStateCommand(BookmarkTree& tree, ItemId item) : TreeCommand(tree), item_(item) {}
    virtual void change(ItemId item) = 0;

  private:
    bool perform() override;
    bool reapply() override;
    bool revert() override;
    bool put(const NodeState& state);

    ItemId item_;
    RowPath path_;
    NodeState before_;
    NodeState after_;
};

// The name and address an entry dialog returned (applyEntryEdit).
class EditCommand : public EntryStateCommand {
  public:
    EditCommand(BookmarkTree& tree, ItemId item, std::string name, std::string address)
        : EntryStateCommand(tree, item), name_(std::move(name)), address_(std::move(address)) {}
    std::string description() const override { return "编辑"; }

  private:
    void change(ItemId item) override;
    std::string name_;
    std::string address_;
};

// A new label and name (renameEntry), typed in place or in the folder-name dialog.
class RenameCommand : public EntryStateCommand {
  public:
    RenameCommand(BookmarkTree& tree, ItemId item, std::string text)
        : EntryStateCommand(tree, item), text_(std::move(text)) {}
    std::string description() const override { return "重命名"; }

  private:
    void change(ItemId item) override;
    std::string text_;
};

// Records whatever another piece of code changes inside one entry's subtree (a contact
// saved over with new details). Made before the change, finished after it; the entry
// itself must stay where it is meanwhile.
class SubtreeChangeCommand : public TreeCommand {
  public:
    SubtreeChangeCommand(BookmarkTree& tree, ItemId item, std::string description);
    // False when the entry is gone: the change cannot be recorded.
    bool finish();
    bool changedAnything() const override { return !(before_ == after_); }
    std::string description() const override { return description_; }

  private:
    bool perform() override { return false; }
    bool reapply() override { return replace(after_); }
    bool revert() override { return replace(before_); }
    bool replace(const std::vector<NodeState>& nodes);

    ItemId item_;
    RowPath path_;
    std::string description_;
    std::vector<NodeState> before_;
    std::vector<NodeState> after_;
};

}  // namespace brivanta
