#include "gui/app/MainDialog.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"

namespace brivanta {

void MainDialog::registerEditingCommands() {
    editor_ = new TreeEditor(commands_, this);
    for (BookmarkTreeView* view : views_)
        editor_->addView(view);
    editor_->setActiveView(treeView(activeTreeId()));
    // TODO(contact dialog): edit on a contact ("男"/"女") opens the contact dialog here:
    // editor_->setContactEditor([this](BookmarkTreeView& view, ItemId item) { ... });
    // TODO(auto-hide): hold off hiding while an address-book dialog is open:
    // editor_->setDialogGuard([this](bool open) { ... });
    editor_->registerCommands();
}

}  // namespace brivanta
