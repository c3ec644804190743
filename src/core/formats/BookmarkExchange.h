#pragma once

#include <string>
#include <vector>

#include "core/formats/FileError.h"
#include "core/formats/ImportExportChecks.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {

// What an import did, for the summary shown at its end.
struct ImportSummary {
    // Empty on success, else a message for people (UTF-8) naming the file that failed.
    std::string failure;
    // The failure as a file error, when it was one (EIO for a browser store that failed).
    FileError error;
    // Lines of their own for the summary: what a favorites folder passed over.
    std::string notes;
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

// Imports `source` in any format below `parent` (kNoItem: the top level). Favorites folders,
// HTML pages, bookmark files and browser profiles merge: what is already there is skipped, so
// a second import of the same source adds nothing. A tree file is added whole. Entries added
// before a failure stay. An HTML page in which no row is found fails (kNothingToImport).
ImportSummary importBookmarks(BookmarkTree& tree, ExchangeFormat format, const std::string& source,
                              ItemId parent = kNoItem, const MergeProgress& progress = {},
                              const ImportBudget& budget = ImportBudget());

// The summary a person reads, the same for every kind of import: how many entries were added
// and how many skipped, or the failure, the notes, that the tree was full, and where a limit
// stopped the import.
std::string importSummaryText(const ImportSummary& summary);

}  // namespace brivanta
