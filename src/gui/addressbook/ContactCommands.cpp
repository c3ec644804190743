#include "gui/addressbook/ContactCommands.h"

#include "gui/addressbook/ContactDialog.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

ContactCommands::ContactCommands(QWidget& window, CommandRegistry& commands, TreeEditor& editor,
                                 NamedIconList& icons)
    : window_(window), commands_(commands), editor_(editor), icons_(icons) {}

void ContactCommands::registerCommands() {
    editor_.setContactEditor([this](BookmarkTreeView&, ItemId item) { openContact(item); });
    commands_.setHandler(ids::kNewContact, [this] {
        BookmarkTreeView* view = editor_.view(ids::kAddressBookControl);
        openContact(view ? view->currentItem() : kNoItem);
    });
}

void ContactCommands::openContact(ItemId item) {
    BookmarkTreeView* view = editor_.view(ids::kAddressBookControl);
    TreeUndo* history = editor_.history(ids::kAddressBookControl);
    if (!view || !history)
        return;
    runContactDialog(&window_, view->tree(), icons_, item,
                     [history](ContactEditor& contactEditor, const Contact& contact) {
                         return history->saveContact(contactEditor, contact);
                     });
}

}  // namespace brivanta
