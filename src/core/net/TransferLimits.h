#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/net/MemoryBudget.h"

namespace brivanta::net {

// What one incoming transfer (a peer connection, or a whole mail receive) may become in
// memory: bytes on the wire say little, since an empty two-byte record still becomes a
// whole tree entry.
struct TransferLimits {
    std::size_t maxEntries = 5'000'000;  // far above any real tree
    std::uint64_t maxMemory = 512ull << 20;
    // Shared with the transfers read at the same time (a listener's connections), if any.
    std::shared_ptr<MemoryBudget> shared;

    // What an entry takes in a tree besides its text: the node, its slot in its parent's
    // list and the allocator's share. A generous round figure, so the estimate stays above
    // what the tree really takes.
    static constexpr std::uint64_t kEntryOverhead = 160;
    static std::uint64_t entryCost(std::uint64_t textBytes) { return kEntryOverhead + textBytes; }
};

}  // namespace brivanta::net
