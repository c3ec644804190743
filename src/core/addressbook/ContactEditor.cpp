#include "core/addressbook/ContactEditor.h"

#include <cstdint>
#include <vector>

#include "core/addressbook/ContactTags.h"
#include "core/text/Trim.h"

namespace brivanta {

namespace {
// The nearest contact that `item` is or lies below, or kNoItem.
ItemId enclosingContact(const BookmarkTree& tree, ItemId item) {
    for (; item != kNoItem; item = tree.parent(item)) {
        RecordRef record = tree.LookupRecord(item);
        if (record && isContactTag(record->tag))
            return item;
    }
    return kNoItem;
}
}  // namespace

ContactEditor::ContactEditor(BookmarkTree& tree, ItemId selected, NodeIconChooser* icons)
    : tree_(tree), icons_(icons) {
    if (!tree_.contains(selected))
        return;
    if (std::optional<Contact> contact = readContact(tree_, selected)) {
        mode_ = ContactMode::Edit;
        original_ = std::move(*contact);
        contact_ = selected;
        parentForNew_ = tree_.parent(selected);
        return;
    }
    // A contact below a detail would be wiped out with the details when its outer contact is
    // edited; new contacts go beside the contact instead.
    ItemId outer = enclosingContact(tree_, selected);
    parentForNew_ = outer != kNoItem ? tree_.parent(outer) : selected;
}

ItemId ContactEditor::addContact(const NodeRecord& record) {
    // The entry chosen at the start may have gone meanwhile (an import, a paste elsewhere);
    // the contact then goes to the top level rather than being lost.
    ItemId parent = tree_.contains(parentForNew_) ? parentForNew_ : kNoItem;
    return tree_.InsertNode(record, parent);
}

void ContactEditor::replaceDetails(ItemId contact) {
    std::vector<ItemId> details;
    for (ItemId c = tree_.firstChild(contact); c != kNoItem; c = tree_.nextSibling(c)) {
        if (isDetailEntry(tree_, c))
            details.push_back(c);
    }
    for (ItemId c : details)
        tree_.DeleteNode(c);
}

ContactSaveOutcome ContactEditor::save(const Contact& contact) {
    NodeRecord record;
    record.name = std::string(text::trimLeft(contact.name));
    if (record.name.empty())
        return ContactSaveOutcome::EmptyName;
    record.tag = sexTag(contact.sex);
    const bool withBirthday = contact.birthday && isValidDateTime(*contact.birthday);
    // Check the room first so that a save is never left half done.
    const std::uint64_t entries = 1 + (withBirthday ? 1 : 0) + contact.details.size();
    if (entries > tree_.itemDataLeft())
        return ContactSaveOutcome::TreeFull;

    ItemId item = kNoItem;
    if (mode_ == ContactMode::Edit && tree_.contains(contact_)) {
        item = contact_;
        tree_.SetRecord(item, record);
        tree_.setLabel(item, record.name);
        int image = icons_ ? icons_->imageForTag(record.tag) : -1;
        if (image >= 0)
            tree_.setImages(item, image, image);
        replaceDetails(item);
    } else {
        item = addContact(record);
        if (mode_ == ContactMode::Edit)
            contact_ = item;
    }

    if (withBirthday) {
        tree_.InsertNode(
            {birthdayName(*contact.birthday), birthdayAddress(*contact.birthday), birthdayTag()},
            item);
    }
    for (const ContactDetail& detail : contact.details)
        tree_.InsertNode({detail.label, detail.content, detail.type}, item);
    tree_.setExpanded(item, true);
    lastSaved_ = item;
    return ContactSaveOutcome::Saved;
}

}  // namespace brivanta
