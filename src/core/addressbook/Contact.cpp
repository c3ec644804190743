#include "core/addressbook/Contact.h"

#include "core/addressbook/ContactTags.h"
#include "core/text/CharacterSearch.h"

namespace brivanta {

std::string labelForType(std::string_view type) {
    std::string label(type);
    label += labelColon();
    return label;
}

std::string contentOfLabel(std::string_view label) {
    size_t colon = text::findCharacters(label, labelColon());
    if (colon == std::string_view::npos)
        return std::string(label);
    return std::string(label.substr(colon + labelColon().size()));
}

bool isDetailEntry(const BookmarkTree& tree, ItemId child) {
    RecordRef record = tree.LookupRecord(child);
    return record && !tree.hasChildren(child) && !isContactTag(record->tag);
}

std::optional<Contact> readContact(const BookmarkTree& tree, ItemId item) {
    RecordRef record = tree.LookupRecord(item);
    if (!record || !isContactTag(record->tag))
        return std::nullopt;
    Contact contact;
    contact.name = record->name;
    contact.sex = sexOfTag(record->tag);
    for (ItemId child = tree.firstChild(item); child != kNoItem; child = tree.nextSibling(child)) {
        if (!isDetailEntry(tree, child))
            continue;
        RecordRef detail = tree.LookupRecord(child);
        if (detail->tag == birthdayTag())
            contact.birthday = parseBirthdayAddress(detail->address);
        else
            contact.details.push_back({detail->name, detail->tag, detail->address});
    }
    return contact;
}

}  // namespace brivanta
