#pragma once

#include <cstddef>
#include <string_view>

#include "core/sync/SyncModel.h"

namespace brivanta::sync {

// Appended to the title of our version of an entry both sides changed.
inline constexpr std::string_view kLocalCopyMark = "（本机）";

struct MergeCounts {
    std::size_t toRemote = 0;  // entries the server's file gains, loses or sees changed
    std::size_t toLocal = 0;   // the same for the tree
    std::size_t conflicts = 0;
};

struct MergeOutcome {
    SyncModel merged;
    MergeCounts counts;
};

// Merges what each side changed since `base` (null on a first sync: then the union).
// Additions, deletions, moves, renames and address changes of either side are carried over.
// An entry both sides changed differently is kept twice: the server's version in place and
// ours beside it with kLocalCopyMark added to its title (a folder's copy holds nothing: its
// children stay in the server's version). Moving a folder both ways keeps the server's move.
// An entry deleted on one side and changed on the other is kept, and so is a folder that
// still holds something. New entries get ids above `highestId`, which is raised.
MergeOutcome mergeThreeWay(const SyncModel* base, const SyncModel& local, const SyncModel& remote,
                           SyncId& highestId);

}  // namespace brivanta::sync
