#include "core/trees/DuplicateFinder.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "core/trees/AddressKey.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {

// An entry with an address, in the order of the walk over all trees, by the hash of its key.
struct Keyed {
    std::uint64_t hash;
    ItemId item;
    int tree;
};

struct HashAt {
    std::uint64_t hash;
    std::uint32_t at;  // index into the walk
};

// Sorts by hash in four stable passes of 16 bits, so equal hashes keep the walk's order: a
// million entries in a fraction of the time of a comparison sort.
void radixSort(std::vector<HashAt>& values) {
    std::vector<HashAt> other(values.size());
    std::vector<std::uint32_t> count(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(count.begin(), count.end(), 0);
        for (const HashAt& v : values)
            ++count[(v.hash >> shift) & 0xFFFF];
        std::uint32_t total = 0;
        for (std::uint32_t& c : count) {
            std::uint32_t here = c;
            c = total;
            total += here;
        }
        for (const HashAt& v : values)
            other[count[(v.hash >> shift) & 0xFFFF]++] = v;
        values.swap(other);
    }
}

}  // namespace

std::string entryPath(const BookmarkTree& tree, ItemId item) {
    std::vector<ItemId> chain;
    for (ItemId up = item; up != kNoItem && tree.contains(up); up = tree.parent(up))
        chain.push_back(up);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!out.empty())
            out.push_back('/');
        out += tree.label(*it);
    }
    return out;
}

std::vector<DuplicateGroup> findDuplicates(std::span<const BookmarkTree* const> trees) {
    return findDuplicates(trees, [](std::string_view key) -> std::uint64_t {
        return std::hash<std::string_view>{}(key);
    });
}

std::vector<DuplicateGroup> findDuplicates(std::span<const BookmarkTree* const> trees,
                                           AddressHash hash) {
    std::vector<Keyed> keyed;
    std::string key;
    for (size_t t = 0; t < trees.size(); ++t) {
        const BookmarkTree& tree = *trees[t];
        forEachPreOrder(tree, kNoItem, [&](ItemId item, int) {
            std::string_view address = tree.LookupRecord(item)->address;
            if (address.empty())
                return;
            addressKey(address, key);
            keyed.push_back({hash(key), item, static_cast<int>(t)});
        });
    }

    // The entries whose hash occurs more than once, in the walk's order; only they are
    // looked at again.
    std::vector<std::uint32_t> repeated;
    {
        std::vector<HashAt> sorted;
        sorted.reserve(keyed.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            sorted.push_back({keyed[i].hash, static_cast<std::uint32_t>(i)});
        radixSort(sorted);
        for (size_t begin = 0; begin < sorted.size();) {
            size_t end = begin + 1;
            while (end < sorted.size() && sorted[end].hash == sorted[begin].hash)
                ++end;
            if (end - begin >= 2)
                for (size_t i = begin; i < end; ++i)
                    repeated.push_back(sorted[i].at);
            begin = end;
        }
        std::sort(repeated.begin(), repeated.end());
    }

    // Taking them in the walk's order puts every group's entries, and the groups by their
    // first entry, in tree order. Equal hashes are nearly always equal keys; a collision is
    // split by the keys themselves.
    struct Candidate {
        std::string key;
        std::vector<const Keyed*> members;
    };
    std::vector<Candidate> candidates;
    std::unordered_map<std::uint64_t, std::vector<size_t>> byHash;  // into candidates
    byHash.reserve(repeated.size() / 2 + 1);
    for (std::uint32_t at : repeated) {
        const Keyed& k = keyed[at];
        addressKey(trees[static_cast<size_t>(k.tree)]->LookupRecord(k.item)->address, key);
        std::vector<size_t>& same = byHash[k.hash];
        auto match = std::find_if(same.begin(), same.end(),
                                  [&](size_t c) { return candidates[c].key == key; });
        if (match != same.end()) {
            candidates[*match].members.push_back(&k);
        } else {
            same.push_back(candidates.size());
            candidates.push_back({key, {&k}});
        }
    }

    std::vector<DuplicateGroup> groups;
    for (const Candidate& c : candidates) {
        if (c.members.size() < 2)
            continue;  // its hash was shared with another key only
        DuplicateGroup group;
        for (const Keyed* k : c.members)
            group.entries.push_back(
                {k->tree, k->item, entryPath(*trees[static_cast<size_t>(k->tree)], k->item)});
        groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace brivanta
