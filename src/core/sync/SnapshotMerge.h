#pragma once

#include <vector>

#include "core/sync/SnapshotMatch.h"
#include "core/sync/ThreeWayMerge.h"

namespace brivanta::sync {

struct SnapshotMerge {
    LocalModel local;  // the snapshot with the ids it matched
    MergeOutcome outcome;
    bool localChanged = false;   // the tree must change
    bool remoteChanged = false;  // the server's file must be written
    // The merged model as the synced folder's children (only when localChanged).
    std::vector<std::vector<NodeState>> children;
};

// One merge of a sync: the snapshot matched to `base` (or, on a first sync without one, to
// the server's file, entry for identical entry), then merged three ways with `remote`. What
// both sides added alike since the base is one entry.
SnapshotMerge mergeSnapshot(const std::vector<std::vector<NodeState>>& snapshot,
                            const SyncModel* base, const SyncModel& remote);

}  // namespace brivanta::sync
