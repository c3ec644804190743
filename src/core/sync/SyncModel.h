#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace brivanta::sync {

using SyncId = std::uint64_t;
inline constexpr SyncId kSyncRoot = 0;  // the synced folder itself

// One entry as both sides of a sync know it. Texts are stored text (GBK), as in the tree.
struct SyncEntry {
    SyncId id = 0;
    SyncId parent = kSyncRoot;
    bool folder = false;
    std::string title;
    std::string url;  // empty for folders

    bool sameContent(const SyncEntry& other) const {
        return parent == other.parent && folder == other.folder && title == other.title &&
               url == other.url;
    }
};

// A neutral tree: entries in pre-order (a parent before its children, siblings in order),
// each with an id unique in the tree. Only folders hold children.
struct SyncModel {
    std::vector<SyncEntry> entries;
    SyncId highestId = 0;  // no entry has a higher id

    // Index of each id in `entries`.
    std::unordered_map<SyncId, std::size_t> indexById() const;
    // The ids of each folder's children in order (kSyncRoot for the top level).
    std::unordered_map<SyncId, std::vector<SyncId>> childrenById() const;
    // Levels of the deepest entry (1 for entries at the top, 0 when there are none).
    int depth() const;
    // Same entries, same places, same order.
    bool sameTree(const SyncModel& other) const;
};

// Puts `entries` (any order, parents known by id) into pre-order following `children`.
SyncModel orderedModel(const std::unordered_map<SyncId, SyncEntry>& entries,
                       const std::unordered_map<SyncId, std::vector<SyncId>>& children,
                       SyncId highestId);

}  // namespace brivanta::sync
