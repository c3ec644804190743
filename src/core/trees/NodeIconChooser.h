#pragma once

#include <string_view>

namespace brivanta {

// Picks the image of a new entry. The desktop fills this in from its icon list; a tree
// without one gives every entry image 0 (the closed folder).
class NodeIconChooser {
  public:
    virtual ~NodeIconChooser() = default;
    // Image for an address-book tag ("男", "电话", ...), or -1 when the list has none.
    virtual int imageForTag(std::string_view tag) = 0;
    // Image for a link's address (leading white space already removed, never empty),
    // or -1 when the list has none.
    virtual int imageForAddress(std::string_view address) = 0;
};

}  // namespace brivanta
