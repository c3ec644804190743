#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

#include "core/app/CommandState.h"
#include "core/app/TreeChanges.h"
#include "core/trees/BookmarkTree.h"
#include "gui/trees/DropRequest.h"

class QDialog;
class QUndoGroup;
class QWidget;

namespace brivanta {

class BookmarkTreeView;
class CommandRegistry;
class TreeUndo;

// The editing commands (new, edit, rename, delete, cut, copy, paste, undo, redo) with their
// dialogs, each on the tree it is given for: the shown one, or the one whose menu it came
// from. Every change goes through the history of its tree; the histories form one undo group
// whose active stack is the shown tree's. The commands' states are refreshed as selection,
// mark, contents and history change. The histories' clean states are what the login asks
// (TreeChanges) to know which trees need saving.
class TreeEditor : public QObject, public TreeChanges {
    Q_OBJECT
  public:
    // Edits a contact ("男" or "女" tag) of the address book in `view`.
    using ContactEditor = std::function<void(BookmarkTreeView& view, ItemId item)>;
    // Called with true before an address-book dialog opens and with false after it closed,
    // so the main window can hold off hiding itself meanwhile.
    using DialogGuard = std::function<void(bool open)>;

    TreeEditor(CommandRegistry& commands, QWidget* dialogParent);

    // Follows `view`'s selection and contents for the commands' states, performs what is
    // dropped on it, and gives its tree a history (renames in place included).
    void addView(BookmarkTreeView* view);
    // The history of the tree of kind `treeKind` (its control id), or null.
    TreeUndo* history(int treeKind) const;
    // The view of the tree of kind `treeKind`, or null.
    BookmarkTreeView* view(int treeKind) const;
    // The view the commands act on unless given another (the shown category).
    void setActiveView(BookmarkTreeView* view);
    BookmarkTreeView* activeView() const { return active_; }
    QUndoGroup* undoGroup() const { return group_; }
    // The tree, selection and history of `treeKind`, for the commands' states; the window's
    // switches are left at their defaults.
    CommandContext context(int treeKind) const;
    // Whether the tree of `treeKind` differs from what was last loaded or saved (markSaved).
    bool isModified(int treeKind) const override;
    void markSaved(int treeKind) override;
    void setContactEditor(ContactEditor editor) { contactEditor_ = std::move(editor); }
    void setDialogGuard(DialogGuard guard) { dialogGuard_ = std::move(guard); }

    // Sets the handlers of the editing commands in the registry, with the target and the
    // context the registry's states follow.
    void registerCommands();

    void newEntry(BookmarkTreeView& view);
    void editEntry(BookmarkTreeView& view);
    void renameEntry(BookmarkTreeView& view);
    void deleteEntry(BookmarkTreeView& view);
    void cut(BookmarkTreeView& view);
    void copy(BookmarkTreeView& view);
    void paste(BookmarkTreeView& view);
    void undo(BookmarkTreeView& view);
    void redo(BookmarkTreeView& view);
    // Performs a drop on `view`: moves a dragged entry (a cut and paste onto the target that
    // leaves the cut, copy and paste mark as it was) or adds the dropped entries. The one
    // place a drop changes a tree.
    void performDrop(BookmarkTreeView& view, const DropRequest& drop);

  signals:
    // The tree of `treeKind` became modified, or saved.
    void modifiedChanged(int treeKind, bool modified);

  private:
    void refresh();
    // After a paste or a move that found no room in the tree.
    void tellTreeFull();
    // Runs an address-book dialog with the main window kept from hiding.
    int execGuarded(QDialog& dialog);
    // The history of `view`'s tree, made on first use.
    TreeUndo& historyOf(BookmarkTreeView& view);

    CommandRegistry& commands_;
    QWidget* dialogParent_;
    QPointer<BookmarkTreeView> active_;
    ContactEditor contactEditor_;
    DialogGuard dialogGuard_;
    QHash<int, TreeUndo*> histories_;               // by tree kind, owned as children
    QHash<int, QPointer<BookmarkTreeView>> views_;  // by tree kind
    QUndoGroup* group_;
};

}  // namespace brivanta
