#pragma once

#include <string>

#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/formats/ImportExportChecks.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/EntriesAdded.h"

namespace brivanta {

// The routine behind each format, as the import and export commands run them. Paths are used
// as they are (no program-directory rule): they are the ones the user chose and the checks
// looked at.

// Adds what `path` holds below `parent` (the top level for kNoItem), as importBookmarks does,
// within `budget` (a default ImportBudget when none is given), which tells afterwards where a
// limit stopped it. `summary`, when given, receives the summary a person reads.
FileError importExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId parent = kNoItem, const ArchiveProgress& progress = {},
                         ImportBudget* budget = nullptr, std::string* summary = nullptr,
                         EntriesAdded* added = nullptr);

// Writes `start` and its subtree (the whole tree for kNoItem) to `path`. `result` counts each
// entry as written or not written (naming the files that failed); the first failure is
// returned.
FileError exportExchange(BookmarkTree& tree, ExchangeFormat format, const std::string& path,
                         ItemId start = kNoItem, const ArchiveProgress& progress = {},
                         ExportResult* result = nullptr);

}  // namespace brivanta
