#pragma once

#include <string>
#include <string_view>

#include "core/trees/TreeKind.h"

namespace brivanta::cli {

// The kind of tree a file holds, by its name: "<user>.ads" is an address book (three strings
// a record), anything else a tree of links.
inline int treeKindOfFile(const std::string& path) {
    constexpr std::string_view suffix = ".ads";
    if (path.size() < suffix.size())
        return kCustomTree;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = path[path.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i])
            return kCustomTree;
    }
    return kAddressBookTree;
}

}  // namespace brivanta::cli
