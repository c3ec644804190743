#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/TreeKind.h"

namespace brivanta {

class BookmarkTree;

// One entry kept under the same address as others.
struct DuplicateEntry {
    int tree = 0;  // index into the trees searched
    ItemId item = kNoItem;
    std::string path;  // labels from the top down to the entry, joined by "/" (GBK)
};

// Entries whose addresses are the same once normalised (addressKey), in tree order.
struct DuplicateGroup {
    std::vector<DuplicateEntry> entries;
};

// Every group of two or more entries with the same address among `trees` (searched together,
// in the order given, each in pre-order; folders have no address and never match). Groups
// come in the order of their first entry. Memory while it runs: 48 bytes per entry with an
// address, and the normalised addresses of the entries that have duplicates only.
std::vector<DuplicateGroup> findDuplicates(std::span<const BookmarkTree* const> trees);
// The same with another hash of the normalised addresses (tests make them all collide).
using AddressHash = std::uint64_t (*)(std::string_view key);
std::vector<DuplicateGroup> findDuplicates(std::span<const BookmarkTree* const> trees,
                                           AddressHash hash);

// The labels from the top of `tree` down to `item`, joined by "/".
std::string entryPath(const BookmarkTree& tree, ItemId item);

}  // namespace brivanta
