#pragma once

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Which popup of a menu a tree shows, from the tree's state when the menu opens. Which of its
// commands are greyed or checked is decided with every other command (core/app/CommandState).
namespace menus {

inline constexpr int kNodeMenu = 137;
inline constexpr int kReceiveMenu = 176;
inline constexpr int kAddressBookMenu = 227;

// The popup index of menu `menuId` for `tree` with `selected` (kNoItem for none).
int choosePopup(const BookmarkTree& tree, int menuId, ItemId selected);

}  // namespace menus
}  // namespace brivanta
