#pragma once

#include <string>
#include <vector>

#include "core/formats/ImportExportChecks.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {

// What an import of browser bookmarks did, for the summary shown at its end.
struct ImportSummary {
    // Empty on success, else a message for people (UTF-8) naming the file that failed.
    std::string failure;
    size_t added = 0;
    // The first entry of each new subtree, for an undo step.
    std::vector<ItemId> roots;
    size_t skipped = 0;
    // The tree ran out of room: entries after that were not imported.
    bool full = false;
    // What the import took of its budget: where it stopped, entries attached at the depth
    // limit.
    ImportBudget budget;
};

// Imports a bookmark file or a browser profile (`format` BookmarkFile, FirefoxProfile or
// ChromiumProfile) below `parent` (kNoItem: the top level), merging: what is already there is
// skipped. Entries added before a failure stay.
ImportSummary importBookmarks(BookmarkTree& tree, ExchangeFormat format, const std::string& source,
                              ItemId parent = kNoItem, const MergeProgress& progress = {},
                              const ImportBudget& budget = ImportBudget());

// The summary a person reads: how many entries were added and how many skipped, or the
// failure, that the tree was full, and where a limit stopped the import.
std::string importSummaryText(const ImportSummary& summary);

}  // namespace brivanta
