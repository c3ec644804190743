#pragma once

#include "core/trees/TreeKind.h"

class QWidget;

namespace brivanta {

class CommandRegistry;
class NamedIconList;
class TreeEditor;

// The contact dialog as a command: new contact (32834) on the address book's selection, and
// edit on a contact ("男"/"女"), each save one step of the address book's history. Registers
// its own handler and the editor's contact hook.
class ContactCommands {
  public:
    ContactCommands(QWidget& window, CommandRegistry& commands, TreeEditor& editor,
                    NamedIconList& icons);

    void registerCommands();
    // Opens the dialog on `item` of the address book (kNoItem: a new contact).
    void openContact(ItemId item);

  private:
    QWidget& window_;
    CommandRegistry& commands_;
    TreeEditor& editor_;
    NamedIconList& icons_;
};

}  // namespace brivanta
