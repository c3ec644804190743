#include "core/app/SyncPlaces.h"

#include "core/app/Storage.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

bool isFolder(const BookmarkTree& tree, ItemId item) {
    return tree.hasChildren(item) || tree.LookupRecord(item)->address.empty();
}

std::string labelOf(const BookmarkTree& tree, ItemId item) {
    return std::string(tree.label(item));
}

}  // namespace

std::optional<ItemId> findSyncFolder(const BookmarkTree& tree,
                                     const std::vector<std::string>& labels) {
    ItemId folder = kNoItem;
    for (const std::string& wanted : labels) {
        ItemId found = kNoItem;
        const int count = tree.childCount(folder);
        for (int row = 0; row < count && found == kNoItem; ++row) {
            const ItemId child = tree.child(folder, row);
            if (isFolder(tree, child) && labelOf(tree, child) == wanted)
                found = child;
        }
        if (found == kNoItem)
            return std::nullopt;
        folder = found;
    }
    return folder;
}

std::vector<std::vector<std::string>> folderPaths(const BookmarkTree& tree, std::size_t limit) {
    std::vector<std::vector<std::string>> paths;
    std::vector<std::string> path;
    forEachPreOrder(tree, kNoItem, [&](ItemId item, int depth) {
        if (paths.size() >= limit)
            return false;
        path.resize(static_cast<std::size_t>(depth));
        path.push_back(labelOf(tree, item));
        if (isFolder(tree, item))
            paths.push_back(path);
        return true;
    });
    return paths;
}

std::string syncTreeFile(const Storage& storage, const std::string& user, int treeKind) {
    if (treeKind != kRecommendedTree)
        return storage.treeFile(treeKind, user);
    const std::string own = storage.customTree(user);
    const std::string extension = ".bvk";
    if (own.size() <= extension.size())
        return {};
    return own.substr(0, own.size() - extension.size()) + ".recommended.bvk";
}

}  // namespace brivanta
