#pragma once

#include <cstdint>

namespace brivanta {

// A tree's kind equals the id of its control in the main window.
inline constexpr int kCustomTree = 1000;
inline constexpr int kRecommendedTree = 1001;
inline constexpr int kAddressBookTree = 1002;

// Item data: the key of an entry within its tree. 0 names no item (the invisible root).
using ItemId = std::uint32_t;
inline constexpr ItemId kNoItem = 0;

// How many archive strings one record of a tree of this kind has.
constexpr int recordWidth(int treeKind) {
    return treeKind == kAddressBookTree ? 3 : 2;
}

}  // namespace brivanta
