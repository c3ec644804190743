#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "core/addressbook/ContactEditor.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeCommand.h"
#include "core/trees/TreeEditing.h"
#include "core/trees/TreeObserver.h"

class QUndoStack;

namespace brivanta {

class PasteCommand;
class BookmarkTreeView;

// The undo history of one tree: every change a person makes to it runs through here as one
// step of a QUndoStack. Steps name entries by place, so a change made to the tree any other
// way (a whole load, an update) cannot be undone across: the history notices and forgets
// what came before it. Code that adds entries itself tells the history with recordAdded.
class TreeUndo : public QObject, private TreeObserver {
    Q_OBJECT
  public:
    explicit TreeUndo(BookmarkTree& tree, QObject* parent = nullptr);
    ~TreeUndo() override;

    BookmarkTree& tree() { return tree_; }
    QUndoStack* stack() const { return stack_; }
    // The view whose open rows follow what an undo or redo puts back.
    void setView(BookmarkTreeView* view);

    // Makes the change of `command` and keeps it as the next step (dropping what could have
    // been redone). False, with nothing kept, when it changed nothing.
    bool run(std::unique_ptr<TreeCommand> command);
    // The same for a command that makes its change as it is made (a sync's): `make` changes
    // the tree and returns the command that takes it back, or null when it changed nothing.
    bool runMade(const std::function<std::unique_ptr<TreeCommand>()>& make);

    // The editing commands, each one step.
    ItemId newEntry(const NodeRecord& record, ItemId parent);
    void edit(ItemId item, const std::string& name, const std::string& address);
    void rename(ItemId item, const std::string& text);
    // Deletes `item` with its subtree; kNoItem deletes everything.
    void remove(ItemId item);
    // Pastes the mark into `destination`; `copy` receives the new copy.
    PasteResult paste(ItemId destination, ItemId* copy = nullptr);
    // A drag of `source` onto `destination` within the tree (moveByDrag); `moved` receives
    // the moved copy.
    PasteResult drop(ItemId source, ItemId destination, ItemId* moved = nullptr);

    // Records entries that were just added (new subtrees at the top level or below existing
    // entries: an import, a received tree, a drop) as one step. Call it right after adding,
    // with the first entry of each new subtree; when anything else changed too, the earlier
    // steps are forgotten.
    void recordAdded(const std::vector<ItemId>& roots);
    // Runs `change`, which alters only what lies inside `item`'s subtree, and records what it
    // did as one step. Returns what `change` returned.
    bool recordChange(ItemId item, const std::function<bool()>& change, const std::string& text);

    // Saves a contact through `editor` as one step: an edit of the contact with its details,
    // or a new contact.
    ContactSaveOutcome saveContact(ContactEditor& editor, const Contact& contact);

    bool canUndo() const;
    bool canRedo() const;
    void undo();
    void redo();

    // Whether the tree differs from what it was at the last markSaved (a load or a save):
    // the stack's clean state, or a change outside the history since.
    bool isModified() const;
    void markSaved();

  signals:
    void modifiedChanged(bool modified);

  private:
    friend class TreeUndoStep;
    void aboutToInsert(ItemId parent, int row) override;
    void aboutToRemove(ItemId parent, int row, ItemId item) override;
    void aboutToReset() override;
    void treeDestroyed() override;
    void noteOutsideChange();
    // Forgets every step; what they changed stays unsaved.
    void clearSteps();
    void setModifiedOutside(bool modified);
    // Forgets the history when the tree changed outside it since the last step.
    void dropIfChangedOutside();
    void push(std::unique_ptr<TreeCommand> command);
    // Runs an undo or redo of `command`; a refusal means the places no longer fit.
    void apply(TreeCommand& command, bool forward);
    void followView(const TreeCommand& command);
    PasteResult runPaste(std::unique_ptr<PasteCommand> command, ItemId* copy);

    BookmarkTree& tree_;
    bool treeAlive_ = true;
    QUndoStack* stack_;
    QPointer<BookmarkTreeView> view_;
    bool applying_ = false;
    bool failed_ = false;
    // A change outside the history since the last step, with the size and item data of the
    // tree before it.
    bool changedOutside_ = false;
    size_t sizeBefore_ = 0;
    ItemId nextBefore_ = 0;
    // A change the stack's clean state does not know of (outside the history, or in steps
    // that were forgotten), and whether there was one before the change outside began.
    bool modifiedOutside_ = false;
    bool modifiedBeforeOutside_ = false;
    bool lastModified_ = false;
};

}  // namespace brivanta
