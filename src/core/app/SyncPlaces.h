#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

class Storage;

// The folder `labels` (GBK, from the top) names in `tree`: kNoItem for none (the whole tree),
// nothing when the tree holds no such folder. Among siblings of one label the first counts.
std::optional<ItemId> findSyncFolder(const BookmarkTree& tree,
                                     const std::vector<std::string>& labels);

// The tree's folders as paths of labels, in pre-order, at most `limit` of them.
std::vector<std::vector<std::string>> folderPaths(const BookmarkTree& tree, std::size_t limit);

// The file a user's sync of `treeKind` keeps its state beside: the tree's own file, except
// for the shared 推荐, whose sync is each user's own. "" for a name that
// gives no path.
std::string syncTreeFile(const Storage& storage, const std::string& user, int treeKind);

}  // namespace brivanta
