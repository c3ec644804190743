#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeCommand.h"

namespace brivanta {

// The clean-ups of the duplicates and link-check window, each one step of a tree's history.
// Entries no longer in the tree (or inside one deleted before them) are passed over; a
// command that finds nothing to do changes nothing.

// Deletes `items` with their subtrees.
std::unique_ptr<TreeCommand> deleteEntriesCommand(BookmarkTree& tree, std::vector<ItemId> items);

// Keeps `keep` and deletes the other entries of `group`.
std::unique_ptr<TreeCommand> keepOneCommand(BookmarkTree& tree, ItemId keep,
                                            const std::vector<ItemId>& group);

// Gives each entry its new address (stored text); names stay.
std::unique_ptr<TreeCommand> updateAddressesCommand(
    BookmarkTree& tree, std::vector<std::pair<ItemId, std::string>> changes);

// Moves `items` to the end of the top-level folder named `folderName` (stored text), which is
// made at the end of the top level when there is none. Entries already in it stay.
std::unique_ptr<TreeCommand> moveToFolderCommand(BookmarkTree& tree, std::vector<ItemId> items,
                                                 std::string folderName);

// The top-level folder named `name` (an entry without address or tag), or kNoItem.
ItemId topLevelFolder(const BookmarkTree& tree, const std::string& name);

}  // namespace brivanta
