#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace brivanta::sync {

using SyncId = std::uint64_t;
inline constexpr SyncId kSyncRoot = 0;  // the synced folder itself
// Separators have no id in a file: they are numbered from here at each read, apart from the
// ids of entries (which stay below 2^53), and never raise highestId.
inline constexpr SyncId kFirstSeparatorId = SyncId{1} << 60;

// One entry as both sides of a sync know it. Texts are stored text (GBK), as in the tree.
struct SyncEntry {
    SyncEntry() = default;
    SyncEntry(SyncId id_, SyncId parent_, bool folder_, std::string title_, std::string url_)
        : id(id_),
          parent(parent_),
          folder(folder_),
          title(std::move(title_)),
          url(std::move(url_)) {}

    SyncId id = 0;
    SyncId parent = kSyncRoot;
    bool folder = false;
    std::string title;
    std::string url;  // empty for folders
    // Only the server's file has separators and descriptions (the tree has no place for
    // them): they pass through a sync as they were, not shown in the tree.
    bool separator = false;
    // Only the server's file has it (a separator, or a bookmark without an address, which
    // the tree would take for a folder): it passes through every sync as the server has it.
    bool serverOnly = false;
    std::string desc;  // UTF-8, as read

    bool sameContent(const SyncEntry& other) const {
        return parent == other.parent && folder == other.folder && separator == other.separator &&
               serverOnly == other.serverOnly && title == other.title && url == other.url;
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
    // Same entries, same places, same order; `withSeparators` false leaves them out.
    bool sameTree(const SyncModel& other, bool withSeparators = true) const;
};

// Puts `entries` (any order, parents known by id) into pre-order following `children`.
SyncModel orderedModel(const std::unordered_map<SyncId, SyncEntry>& entries,
                       const std::unordered_map<SyncId, std::vector<SyncId>>& children,
                       SyncId highestId);

}  // namespace brivanta::sync
