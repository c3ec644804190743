#include "core/sync/ThreeWayMerge.h"

#include <unordered_set>
#include <utility>
#include <vector>

#include "core/text/Encoding.h"

namespace brivanta::sync {

namespace {

using EntryMap = std::unordered_map<SyncId, const SyncEntry*>;
using ChildMap = std::unordered_map<SyncId, std::vector<SyncId>>;

EntryMap mapOf(const SyncModel* model) {
    EntryMap map;
    if (!model)
        return map;
    map.reserve(model->entries.size());
    for (const SyncEntry& e : model->entries)
        map.emplace(e.id, &e);
    return map;
}

const SyncEntry* find(const EntryMap& map, SyncId id) {
    auto it = map.find(id);
    return it == map.end() ? nullptr : it->second;
}

// The merged value of one field: a side that kept the base's value gives way to the other.
template <class T>
T pick(const T& base, const T& local, const T& remote, bool& conflict) {
    if (local == base || local == remote)
        return remote;
    if (remote == base)
        return local;
    conflict = true;
    return remote;
}

// The ids of `list` that `keep` accepts, in order.
template <class Keep>
std::vector<SyncId> filtered(const ChildMap& children, SyncId parent, Keep&& keep) {
    std::vector<SyncId> out;
    auto it = children.find(parent);
    if (it != children.end()) {
        for (SyncId id : it->second) {
            if (keep(id))
                out.push_back(id);
        }
    }
    return out;
}

// Whether `side` has the entries it shares with `base` in another order than the base.
bool reordered(const std::vector<SyncId>& base, const std::vector<SyncId>& side) {
    std::unordered_set<SyncId> inSide(side.begin(), side.end());
    std::unordered_set<SyncId> inBase(base.begin(), base.end());
    std::size_t b = 0;
    for (SyncId id : side) {
        if (!inBase.count(id))
            continue;
        while (b < base.size() && !inSide.count(base[b]))
            ++b;
        if (b == base.size() || base[b] != id)
            return true;
        ++b;
    }
    return false;
}

}  // namespace

MergeOutcome mergeThreeWay(const SyncModel* base, const SyncModel& local, const SyncModel& remote,
                           SyncId& highestId) {
    const EntryMap B = mapOf(base);
    const EntryMap L = mapOf(&local);
    const EntryMap R = mapOf(&remote);
    const std::string mark = text::fromUtf8(kLocalCopyMark);
    MergeOutcome outcome;
    MergeCounts& counts = outcome.counts;

    std::unordered_map<SyncId, SyncEntry> merged;
    merged.reserve(local.entries.size() + remote.entries.size());
    // Entries whose place is ours where the server placed them elsewhere.
    std::unordered_set<SyncId> placedByUs;
    // Our copy of an entry both sides changed, by the entry's id.
    std::unordered_map<SyncId, SyncId> copies;
    std::vector<SyncId> order;  // every id once: local first, then the server's
    order.reserve(local.entries.size() + remote.entries.size());
    for (const SyncEntry& e : local.entries)
        order.push_back(e.id);
    for (const SyncEntry& e : remote.entries) {
        if (!L.count(e.id))
            order.push_back(e.id);
    }
    if (base) {
        for (const SyncEntry& e : base->entries) {
            if (!L.count(e.id) && !R.count(e.id))
                order.push_back(e.id);
        }
    }

    for (SyncId id : order) {
        const SyncEntry* b = find(B, id);
        const SyncEntry* l = find(L, id);
        const SyncEntry* r = find(R, id);
        if ((r && r->serverOnly) || (l && l->serverOnly) || (b && b->serverOnly)) {
            // What only the server's file has stays as it has it.
            if (r && r->serverOnly)
                merged.emplace(id, *r);
            continue;
        }
        if (l && r) {
            if (!b || l->folder != r->folder || b->folder != r->folder) {
                merged.emplace(id, *r);  // matched on a first sync: the same entry
                continue;
            }
            bool contentConflict = false;
            bool placeConflict = false;
            SyncEntry e = *r;
            e.title = pick(b->title, l->title, r->title, contentConflict);
            e.url = pick(b->url, l->url, r->url, contentConflict);
            e.parent = pick(b->parent, l->parent, r->parent, placeConflict);
            if (e.parent == l->parent && l->parent != r->parent)
                placedByUs.insert(id);
            merged.emplace(id, e);
            if (contentConflict || (placeConflict && !l->folder)) {
                ++counts.conflicts;
                SyncEntry copy = *l;
                copy.id = ++highestId;
                copy.title += mark;
                copies.emplace(id, copy.id);
                merged.emplace(copy.id, std::move(copy));
            } else if (placeConflict) {
                ++counts.conflicts;
            }
        } else if (l || r) {
            const SyncEntry* kept = l ? l : r;
            // Gone on the other side: kept only when this side changed it since.
            if (!b || !b->sameContent(*kept))
                merged.emplace(id, *kept);
        }
    }

    // A folder deleted on one side that still holds something kept from the other is kept,
    // and so is every folder on the way up; a place that would put a folder inside itself
    // (each side moved one folder into the other) keeps the server's.
    for (bool changed = true; changed;) {
        changed = false;
        std::vector<std::pair<SyncId, SyncEntry>> revived;
        // A separator does not keep a deleted folder, nor does anything the tree never had.
        for (auto it = merged.begin(); it != merged.end();) {
            const SyncEntry& e = it->second;
            if (e.serverOnly && e.parent != kSyncRoot && !merged.count(e.parent)) {
                it = merged.erase(it);
            } else {
                ++it;
            }
        }
        for (auto& [id, e] : merged) {
            if (e.parent == kSyncRoot || merged.count(e.parent))
                continue;
            const SyncEntry* from = find(R, e.parent);
            if (!from)
                from = find(L, e.parent);
            if (!from)
                from = find(B, e.parent);
            if (from && from->folder)
                revived.emplace_back(e.parent, *from);
            else
                e.parent = kSyncRoot;
            changed = true;
        }
        for (auto& [id, e] : revived)
            merged.emplace(id, std::move(e));
        for (auto& [id, e] : merged) {
            auto parent = merged.find(e.parent);
            if (e.parent != kSyncRoot && parent != merged.end() && !parent->second.folder) {
                e.parent = kSyncRoot;
                changed = true;
            }
        }
        // Cycles: walk up from each entry; a walk that meets itself found one.
        std::unordered_map<SyncId, int> state;  // 1 on the current walk, 2 known good
        for (auto& [start, unused] : merged) {
            std::vector<SyncId> walk;
            SyncId id = start;
            while (id != kSyncRoot && !state.count(id)) {
                state[id] = 1;
                walk.push_back(id);
                auto it = merged.find(id);
                id = it == merged.end() ? kSyncRoot : it->second.parent;
            }
            if (id != kSyncRoot && state[id] == 1) {
                // The cycle is the walk from `id` on; give one of ours its server place.
                bool fixed = false;
                for (auto it = walk.rbegin(); it != walk.rend() && !fixed; ++it) {
                    if (placedByUs.count(*it)) {
                        merged[*it].parent = find(R, *it)->parent;
                        placedByUs.erase(*it);
                        fixed = true;
                    }
                    if (*it == id)
                        break;
                }
                if (!fixed)
                    merged[id].parent = kSyncRoot;
                changed = true;
                break;
            }
            for (SyncId w : walk)
                state[w] = 2;
        }
    }

    // Order among siblings: the server's, unless only we reordered; what the other side
    // adds follows the entry it follows there. Our copy of a conflict follows the original
    // when both are in the same folder.
    ChildMap members;
    for (SyncId id : order) {
        auto it = merged.find(id);
        if (it != merged.end())
            members[it->second.parent].push_back(id);
    }
    for (auto& [id, e] : merged) {
        if (e.folder)
            members[id];
    }
    for (auto& [original, copy] : copies)
        members[merged.at(copy).parent].push_back(copy);
    const ChildMap baseChildren = base ? base->childrenById() : ChildMap{};
    const ChildMap localChildren = local.childrenById();
    const ChildMap remoteChildren = remote.childrenById();
    ChildMap children;
    for (auto& [parent, ids] : members) {
        std::unordered_set<SyncId> here(ids.begin(), ids.end());
        auto isHere = [&](SyncId id) { return here.count(id) != 0; };
        std::vector<SyncId> fromLocal = filtered(localChildren, parent, [&](SyncId id) {
            auto copy = copies.find(id);
            return isHere(id) || (copy != copies.end() && isHere(copy->second));
        });
        for (SyncId& id : fromLocal) {
            auto copy = copies.find(id);
            if (copy != copies.end() && !isHere(id))
                id = copy->second;  // the original went elsewhere: the copy takes our place
        }
        std::vector<SyncId> fromRemote = filtered(remoteChildren, parent, isHere);
        std::vector<SyncId> fromBase = filtered(baseChildren, parent, isHere);
        const bool oursFirst = reordered(fromBase, fromLocal) && !reordered(fromBase, fromRemote);
        const std::vector<SyncId>& primary = oursFirst ? fromLocal : fromRemote;
        const std::vector<SyncId>& secondary = oursFirst ? fromRemote : fromLocal;
        std::unordered_set<SyncId> inPrimary(primary.begin(), primary.end());
        std::unordered_map<SyncId, std::vector<SyncId>> followers;  // kSyncRoot: in front
        std::unordered_set<SyncId> placed(primary.begin(), primary.end());
        SyncId anchor = kSyncRoot;
        for (SyncId id : secondary) {
            if (inPrimary.count(id)) {
                anchor = id;
            } else if (placed.insert(id).second) {
                followers[anchor].push_back(id);
            }
        }
        std::vector<SyncId>& out = children[parent];
        out.reserve(ids.size());
        auto emit = [&](SyncId id) {
            out.push_back(id);
            auto copy = copies.find(id);
            if (copy != copies.end() && isHere(copy->second) && !placed.count(copy->second)) {
                placed.insert(copy->second);
                out.push_back(copy->second);
            }
        };
        auto emitFollowers = [&](SyncId after) {
            auto it = followers.find(after);
            if (it != followers.end()) {
                for (SyncId id : it->second)
                    emit(id);
            }
        };
        emitFollowers(kSyncRoot);
        for (SyncId id : primary) {
            emit(id);
            emitFollowers(id);
        }
        for (SyncId id : ids) {
            if (placed.insert(id).second)
                emit(id);
        }
    }

    outcome.merged = orderedModel(merged, children, highestId);
    for (const SyncEntry& e : outcome.merged.entries) {
        if (e.serverOnly)
            continue;
        const SyncEntry* r = find(R, e.id);
        const SyncEntry* l = find(L, e.id);
        counts.toRemote += !r || !r->sameContent(e);
        counts.toLocal += !l || !l->sameContent(e);
    }
    const auto mergedIndex = outcome.merged.indexById();
    for (const SyncEntry& e : remote.entries)
        counts.toRemote += !e.serverOnly && !mergedIndex.count(e.id);
    for (const SyncEntry& e : local.entries)
        counts.toLocal += !mergedIndex.count(e.id);
    return outcome;
}

}  // namespace brivanta::sync
