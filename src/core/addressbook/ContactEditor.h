#pragma once

#include "core/addressbook/Contact.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/NodeIconChooser.h"

namespace brivanta {

enum class ContactMode {
    Add,   // each save makes one more contact under the same entry
    Edit,  // the selected contact is replaced by the first save
};

enum class ContactSaveOutcome {
    EmptyName,  // the name is empty or blank: nothing changed
    TreeFull,   // the tree hands out no more item data: nothing changed
    Saved,
};

// What the contact dialog does to the address book, without the dialog. Opened on the
// tree's selected entry: a contact is edited; anything else (or nothing) gets new contacts.
class ContactEditor {
  public:
    // `icons` gives an edited contact the image of its sex; without it the image stays.
    ContactEditor(BookmarkTree& tree, ItemId selected, NodeIconChooser* icons = nullptr);

    ContactMode mode() const { return mode_; }
    // The contact as stored when the editor opened (empty when adding).
    const Contact& original() const { return original_; }
    // Where new contacts go (kNoItem: the top level).
    ItemId parentForNew() const { return parentForNew_; }
    // The contact being edited (kNoItem when adding).
    ItemId editedContact() const { return contact_; }
    // The contact entry the last save wrote, or kNoItem.
    ItemId lastSaved() const { return lastSaved_; }

    // Stores `contact`, its name with leading white space removed. Adding inserts a new
    // contact entry; editing stores the record, label and image of the contact and replaces
    // all its detail entries by fresh ones (new item data). The birthday comes first, then
    // the details in order, and the contact is marked expanded.
    ContactSaveOutcome save(const Contact& contact);

  private:
    ItemId addContact(const NodeRecord& record);
    void replaceDetails(ItemId contact);

    BookmarkTree& tree_;
    NodeIconChooser* icons_;
    ContactMode mode_ = ContactMode::Add;
    Contact original_;
    ItemId contact_ = kNoItem;
    ItemId parentForNew_ = kNoItem;
    ItemId lastSaved_ = kNoItem;
};

}  // namespace brivanta
