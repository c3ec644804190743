#include "gui/app/MainDialog.h"

#include "gui/addressbook/ContactDialog.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/resources/CommandIds.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

void MainDialog::registerEditingCommands() {
    editor_ = new TreeEditor(commands_, this);
    for (BookmarkTreeView* view : views_)
        editor_->addView(view);
    editor_->setActiveView(treeView(activeTreeId()));
    // A contact saved from the dialog is one step of the address book's history.
    auto recorder = [this](ContactEditor& contactEditor, const Contact& contact) {
        return treeUndo(ids::kAddressBookControl)->saveContact(contactEditor, contact);
    };
    // Edit on a contact ("男"/"女") opens the contact dialog on it.
    editor_->setContactEditor([this, recorder](BookmarkTreeView& view, ItemId item) {
        runContactDialog(this, view.tree(), treeIcons_, item, recorder);
    });
    editor_->registerCommands();
    commands_.setHandler(ids::kNewContact, [this, recorder] {
        runContactDialog(this, addressBookTree_, treeIcons_,
                         treeView(ids::kAddressBookControl)->currentItem(), recorder);
    });
    commands_.setTreeHandler(ids::kImport, [this](int target) {
        BookmarkTreeView* view = treeView(target);
        TreeUndo* history = treeUndo(target);
        if (!view || !history)
            return;
        runImport(this, view->tree(), view->currentItem(),
                  [history](const std::vector<ItemId>& roots) { history->recordAdded(roots); });
    });
}

TreeUndo* MainDialog::treeUndo(int controlId) const {
    return editor_ ? editor_->history(controlId) : nullptr;
}

}  // namespace brivanta
