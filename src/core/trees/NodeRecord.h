#pragma once

#include <string>

namespace brivanta {

// What a tree keeps for each entry. An empty address marks a folder; the tag is used
// only by the address book (icon name and kind of a contact or contact detail).
struct NodeRecord {
    std::string name;
    std::string address;
    std::string tag;

    bool operator==(const NodeRecord&) const = default;
};

}  // namespace brivanta
