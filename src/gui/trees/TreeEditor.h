#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <functional>

#include "core/trees/BookmarkTree.h"
#include "gui/trees/DropRequest.h"

class QDialog;
class QWidget;

namespace brivanta {

class BookmarkTreeView;
class CommandRegistry;
class TreeUndo;

// The six editing commands (new, edit, delete, cut, copy, paste) of whichever tree is shown,
// with their dialogs, undo and redo, and the availability of those commands as selection,
// mark, contents and history change. Every change goes through the history of its tree.
class TreeEditor : public QObject {
    Q_OBJECT
  public:
    // Edits a contact ("男" or "女" tag) of the address book in `view`.
    using ContactEditor = std::function<void(BookmarkTreeView& view, ItemId item)>;
    // Called with true before an address-book dialog opens and with false after it closed,
    // so the main window can hold off hiding itself meanwhile.
    using DialogGuard = std::function<void(bool open)>;

    TreeEditor(CommandRegistry& commands, QWidget* dialogParent);

    // Follows `view`'s selection and contents for the commands' availability, performs what
    // is dropped on it, and gives its tree a history (renames in place included).
    void addView(BookmarkTreeView* view);
    // The history of the tree of kind `treeKind` (its control id), or null.
    TreeUndo* history(int treeKind) const;
    // The view the commands act on (the shown category).
    void setActiveView(BookmarkTreeView* view);
    BookmarkTreeView* activeView() const { return active_; }
    void setContactEditor(ContactEditor editor) { contactEditor_ = std::move(editor); }
    void setDialogGuard(DialogGuard guard) { dialogGuard_ = std::move(guard); }

    // Sets the handlers of the six commands, undo and redo in the registry.
    void registerCommands();
    void updateAvailability();

    void newEntry();
    void editEntry();
    void deleteEntry();
    void cut();
    void copy();
    void paste();
    void undo();
    void redo();
    // Performs a drop on `view`: moves a dragged entry (a cut and paste onto the target that
    // leaves the cut, copy and paste mark as it was) or adds the dropped entries. The one
    // place a drop changes a tree.
    void performDrop(BookmarkTreeView& view, const DropRequest& drop);

  private:
    // After a paste or a move that found no room in the tree.
    void tellTreeFull();
    // Runs an address-book dialog with the main window kept from hiding.
    int execGuarded(QDialog& dialog);
    TreeUndo* activeHistory();
    // The history of `view`'s tree, made on first use.
    TreeUndo& historyOf(BookmarkTreeView& view);

    CommandRegistry& commands_;
    QWidget* dialogParent_;
    QPointer<BookmarkTreeView> active_;
    ContactEditor contactEditor_;
    DialogGuard dialogGuard_;
    QHash<int, TreeUndo*> histories_;  // by tree kind, owned as children
};

}  // namespace brivanta
