#include "core/trees/DuplicateFinder.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>

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

    std::vector<HashAt> sorted;
    sorted.reserve(keyed.size());
    for (size_t i = 0; i < keyed.size(); ++i)
        sorted.push_back({keyed[i].hash, static_cast<std::uint32_t>(i)});
    radixSort(sorted);

    // Every run of one hash, its entries in the walk's order, is split by the normalised
    // addresses themselves: equal hashes are nearly always equal addresses, but not always.
    struct Candidate {
        std::string key;
        std::vector<std::uint32_t> members;  // into keyed, ascending
    };
    std::vector<Candidate> candidates;
    std::vector<Candidate> run;
    for (size_t begin = 0; begin < sorted.size();) {
        size_t end = begin + 1;
        while (end < sorted.size() && sorted[end].hash == sorted[begin].hash)
            ++end;
        if (end - begin >= 2) {
            run.clear();
            for (size_t i = begin; i < end; ++i) {
                const Keyed& k = keyed[sorted[i].at];
                addressKey(trees[static_cast<size_t>(k.tree)]->LookupRecord(k.item)->address, key);
                auto same = std::find_if(run.begin(), run.end(),
                                         [&](const Candidate& c) { return c.key == key; });
                if (same != run.end())
                    same->members.push_back(sorted[i].at);
                else
                    run.push_back({key, {sorted[i].at}});
            }
            for (Candidate& c : run)
                if (c.members.size() >= 2)
                    candidates.push_back(std::move(c));
        }
        begin = end;
    }
    // Groups in the order of their first entry, which is tree order.
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.members.front() < b.members.front();
    });

    std::vector<DuplicateGroup> groups;
    groups.reserve(candidates.size());
    for (const Candidate& c : candidates) {
        DuplicateGroup group;
        group.entries.reserve(c.members.size());
        for (std::uint32_t at : c.members) {
            const Keyed& k = keyed[at];
            group.entries.push_back(
                {k.tree, k.item, entryPath(*trees[static_cast<size_t>(k.tree)], k.item)});
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace brivanta
