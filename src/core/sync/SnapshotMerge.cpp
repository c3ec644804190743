#include "core/sync/SnapshotMerge.h"

#include <algorithm>

namespace brivanta::sync {

namespace {

// The merged model as the tree's children, taking what the tree kept about entries it had.
std::vector<std::vector<NodeState>> toChildren(const SyncModel& merged, const LocalModel& local) {
    std::vector<std::vector<NodeState>> children;
    std::unordered_map<SyncId, int> depthOf;
    depthOf.reserve(merged.entries.size());
    for (const SyncEntry& e : merged.entries) {
        if (e.serverOnly)
            continue;  // the tree has none
        const int depth = e.parent == kSyncRoot ? 0 : depthOf.at(e.parent) + 1;
        depthOf.emplace(e.id, depth);
        if (depth == 0)
            children.emplace_back();
        NodeState state;
        auto known = local.states.find(e.id);
        if (known != local.states.end()) {
            state = known->second;
            if (titleOf(state) != e.title) {
                state.record.name = e.title;
                state.label.clear();
                state.ownLabel = false;
            }
            if (state.record.address != e.url) {
                state.record.address = e.url;
                state.image = state.selectedImage = -1;
            }
        } else {
            state.record.name = e.title;
            state.record.address = e.url;
            state.image = state.selectedImage = -1;  // chosen when the tree takes it
        }
        state.depth = depth;
        children.back().push_back(std::move(state));
    }
    return children;
}

// Entries both sides added since the base, alike in kind, title, address and folder, are one
// entry (the server's id), not two: each side made the same addition.
void adoptTwins(LocalModel& local, const SyncModel& base, const SyncModel& remote) {
    const auto inBase = base.indexById();
    std::unordered_map<std::string, std::vector<SyncId>> added;  // the server's, by content
    auto keyOf = [](SyncId parent, const SyncEntry& e) {
        return std::to_string(parent) + (e.folder ? "/F/" : "/L/") + e.title + '\0' + e.url;
    };
    for (const SyncEntry& e : remote.entries) {
        if (!inBase.count(e.id))
            added[keyOf(e.parent, e)].push_back(e.id);
    }
    if (added.empty())
        return;
    const auto inLocal = local.model.indexById();
    std::unordered_map<SyncId, SyncId> renamed;
    for (SyncEntry& e : local.model.entries) {  // pre-order: a folder before its children
        if (auto p = renamed.find(e.parent); p != renamed.end())
            e.parent = p->second;
        if (inBase.count(e.id))
            continue;
        auto twins = added.find(keyOf(e.parent, e));
        if (twins == added.end())
            continue;
        auto& ids = twins->second;
        auto free =
            std::find_if(ids.begin(), ids.end(), [&](SyncId id) { return !inLocal.count(id); });
        if (free == ids.end())
            continue;
        renamed.emplace(e.id, *free);
        auto state = local.states.extract(e.id);
        state.key() = *free;
        local.states.insert(std::move(state));
        e.id = *free;
        ids.erase(free);
    }
}

}  // namespace

SnapshotMerge mergeSnapshot(const std::vector<std::vector<NodeState>>& snapshot,
                            const SyncModel* base, const SyncModel& remote) {
    SnapshotMerge merge;
    SyncId highest = std::max(remote.highestId, base ? base->highestId : 0);
    for (const SyncEntry& e : remote.entries) {
        if (!e.separator)
            highest = std::max(highest, e.id);
    }
    merge.local = matchSnapshot(snapshot, base ? *base : remote, !base, highest);
    if (base)
        adoptTwins(merge.local, *base, remote);
    merge.outcome = mergeThreeWay(base, merge.local.model, remote, highest);
    merge.localChanged = !merge.outcome.merged.sameTree(merge.local.model, false);
    merge.remoteChanged = !merge.outcome.merged.sameTree(remote);
    if (merge.localChanged)
        merge.children = toChildren(merge.outcome.merged, merge.local);
    return merge;
}

}  // namespace brivanta::sync
