#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/net/MemoryBudget.h"

namespace brivanta::net {

// What one incoming transfer (a peer connection, or a whole mail receive) may become in
// memory: bytes on the wire say little, since an empty two-byte record still becomes a
// whole tree entry.
inline constexpr int kMaxMailsPerConnection = 100'000;

struct TransferLimits {
    std::size_t maxEntries = 5'000'000;  // far above any real tree
    std::uint64_t maxMemory = 512ull << 20;
    // Mails fetched over one POP3 connection: a server may claim two billion of them, and
    // even empty ones cost a round trip each.
    int maxMails = kMaxMailsPerConnection;
    // Shared with the transfers read at the same time (a listener's connections), if any.
    std::shared_ptr<MemoryBudget> shared;

    // What an entry takes in a tree besides its text: the node, its slot in its parent's
    // list, a list of its own when it has children, and the allocator's share. Measured with
    // mallinfo2 around loading 200,000 received entries of short texts (EntryCostTest):
    // about 47 bytes in a flat tree, 58 in folders of three, 76 in folders of one and 104
    // when every entry has one child (chains), the dearest shape. Rounded up from that, so
    // the estimate stays above what the tree really takes.
    static constexpr std::uint64_t kEntryOverhead = 128;
    static std::uint64_t entryCost(std::uint64_t textBytes) { return kEntryOverhead + textBytes; }
};

}  // namespace brivanta::net
