#include "gui/app/MainDialog.h"

#include "gui/addressbook/ContactDialog.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"

namespace brivanta {

void MainDialog::registerEditingCommands() {
    editor_ = new TreeEditor(commands_, this);
    for (BookmarkTreeView* view : views_)
        editor_->addView(view);
    editor_->setActiveView(treeView(activeTreeId()));
    // Edit on a contact ("男"/"女") opens the contact dialog on it.
    editor_->setContactEditor([this](BookmarkTreeView& view, ItemId item) {
        runContactDialog(this, view.tree(), treeIcons_, item);
    });
    editor_->registerCommands();
}

}  // namespace brivanta
