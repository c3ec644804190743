#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/addressbook/BirthdayDate.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// One typed detail of a contact, as a row of the contact dialog's list (all GBK).
struct ContactDetail {
    std::string label;    // normally the type, "：" and the content, as typed
    std::string type;     // one of detailTypes(), or whatever a stored entry carries
    std::string content;  // what opening the detail opens

    bool operator==(const ContactDetail&) const = default;
};

// What the address book stores of a contact: the contact entry and its detail entries.
struct Contact {
    std::string name;
    int sex = 0;  // 0 "男", 1 "女"
    std::optional<DateTime> birthday;
    std::vector<ContactDetail> details;
};

// The label line of a new detail of `type`: the type and "：".
std::string labelForType(std::string_view type);
// The content a label line stands for: the text after the first "：", or the whole line
// when it has none.
std::string contentOfLabel(std::string_view label);

// A child of a contact that the contact dialog shows and replaces: a leaf that is not itself
// a contact. Anything else below a contact (a pasted folder, a contact dropped onto it) is
// left where it is when the contact is edited.
bool isDetailEntry(const BookmarkTree& tree, ItemId child);

// The contact stored at `item`, or nothing when `item` is not a contact. A birthday entry
// whose date cannot be read gives no birthday.
std::optional<Contact> readContact(const BookmarkTree& tree, ItemId item);

}  // namespace brivanta
