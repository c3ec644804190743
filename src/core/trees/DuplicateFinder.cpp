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

// An entry with an address, by the hash of its key; `order` is its place in the walk over
// all trees, so sorting by (hash, order) keeps every run of equal keys in tree order.
struct Keyed {
    std::uint64_t hash;
    std::uint32_t order;
    ItemId item;
};

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
    std::vector<Keyed> keyed;
    // The tree of each entry, by its order: trees start where the previous ones ended.
    std::vector<std::uint32_t> treeStart;
    std::string key;
    std::uint32_t order = 0;
    for (const BookmarkTree* tree : trees) {
        treeStart.push_back(order);
        forEachPreOrder(*tree, kNoItem, [&](ItemId item, int) {
            std::string_view address = tree->LookupRecord(item)->address;
            if (address.empty())
                return;
            addressKey(address, key);
            keyed.push_back({std::hash<std::string_view>{}(key), order++, item});
        });
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.order < b.order;
    });

    auto treeOf = [&](std::uint32_t at) {
        return static_cast<int>(std::upper_bound(treeStart.begin(), treeStart.end(), at) -
                                treeStart.begin()) -
               1;
    };
    auto keyOf = [&](const Keyed& k) {
        return addressKey(
            trees[static_cast<size_t>(treeOf(k.order))]->LookupRecord(k.item)->address);
    };

    // Runs of one hash are nearly always one key; a collision splits a run by its keys.
    struct Found {
        std::uint32_t first;
        std::vector<const Keyed*> members;
    };
    std::vector<Found> found;
    for (size_t begin = 0; begin < keyed.size();) {
        size_t end = begin + 1;
        while (end < keyed.size() && keyed[end].hash == keyed[begin].hash)
            ++end;
        if (end - begin >= 2) {
            std::vector<std::pair<std::string, std::vector<const Keyed*>>> byKey;
            for (size_t i = begin; i < end; ++i) {
                std::string k = keyOf(keyed[i]);
                auto same = std::find_if(byKey.begin(), byKey.end(),
                                         [&](const auto& g) { return g.first == k; });
                if (same == byKey.end())
                    byKey.push_back({std::move(k), {&keyed[i]}});
                else
                    same->second.push_back(&keyed[i]);
            }
            for (auto& [k, members] : byKey)
                if (members.size() >= 2)
                    found.push_back({members.front()->order, std::move(members)});
        }
        begin = end;
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.first < b.first; });

    std::vector<DuplicateGroup> groups;
    groups.reserve(found.size());
    for (const Found& f : found) {
        DuplicateGroup group;
        for (const Keyed* k : f.members) {
            int tree = treeOf(k->order);
            group.entries.push_back(
                {tree, k->item, entryPath(*trees[static_cast<size_t>(tree)], k->item)});
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

}  // namespace brivanta
