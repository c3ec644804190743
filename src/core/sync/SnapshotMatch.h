#pragma once

#include <unordered_map>
#include <vector>

#include "core/sync/SyncModel.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::sync {

// The local side of a sync: the snapshot as a model whose ids are those of the entries it
// matched, and what the tree kept about each entry (depth 0).
struct LocalModel {
    SyncModel model;
    std::unordered_map<SyncId, NodeState> states;
};

// The tree has no ids, so the snapshot's entries are matched to `known` (the last synced
// state, or the server's file on a first sync): among a matched folder's children the same
// kind, title and address first, then (unless `exactOnly`) the same place: any folder, a link
// with the same title or address, a folder elsewhere of the same title; then links anywhere
// by address. Entries left over are new and get ids above
// `highestId`, which is raised. A link with children becomes a folder of its name holding the
// link and then the children, as in an XBEL file.
LocalModel matchSnapshot(const std::vector<std::vector<NodeState>>& snapshot,
                         const SyncModel& known, bool exactOnly, SyncId& highestId);

// The title a tree shows for an entry.
const std::string& titleOf(const NodeState& state);

}  // namespace brivanta::sync
