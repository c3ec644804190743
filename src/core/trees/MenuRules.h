#pragma once

#include <vector>

#include "core/app/ViewOptions.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Which popup of a menu a tree shows, and which of its commands are greyed or checked, from
// the tree's state when the menu opens.
namespace menus {

inline constexpr int kNodeMenu = 137;
inline constexpr int kReceiveMenu = 176;
inline constexpr int kAddressBookMenu = 227;

// The popup index of menu `menuId` for `tree` with `selected` (kNoItem for none).
int choosePopup(const BookmarkTree& tree, int menuId, ItemId selected);

struct CommandState {
    int id;
    bool on;
};

// Whether each state-dependent command can run (on false means greyed).
std::vector<CommandState> availableCommands(const BookmarkTree& tree, ItemId selected);
// The check marks of the toggle commands.
std::vector<CommandState> checkedCommands(const BookmarkTree& tree, const ViewOptions& options);

}  // namespace menus
}  // namespace brivanta
