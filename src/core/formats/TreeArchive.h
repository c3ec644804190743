#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/formats/FileError.h"
#include "core/formats/FileStreams.h"
#include "core/formats/StringStream.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/ImportBudget.h"

namespace brivanta {

// Told the label of every record as it is written or read (the busy window shows it).
using ArchiveProgress = std::function<void(const std::string& label)>;

// Writes `start` and its subtree (the whole tree for kNoItem) as the flat pre-order record
// stream: label with its depth prefix, address (" " when empty), and in an address book the
// tag (" " when empty).
void SerializeTree(BookmarkTree& tree, StringWriter& out, ItemId start = kNoItem,
                   const ArchiveProgress& progress = {});

// Reads records until the end of the data, adding them below `start` (the top level for
// kNoItem) after what is there. A record cut short by the end is dropped. Returns the
// number of records added. Outside data: every record is charged to `budget` (a default
// ImportBudget when none is given), the reading stops where it runs out, and a record deeper
// than its depth limit is attached at that limit.
size_t SerializeTree(BookmarkTree& tree, StringReader& in, ItemId start = kNoItem,
                     const ArchiveProgress& progress = {}, ImportBudget* budget = nullptr);

// The file a tree name stands for: ".bvk" is appended to a name without "."; a name
// without a directory separator ("/" or "\\") gets "Data/" in front, but only when the
// whole tree is meant (no start item).
std::string archiveFileName(std::string_view name, bool hasStartItem);

// Loads file `name` (after the path rule) into the tree below `parent`. False when the name
// is empty or the file cannot be opened (tree unchanged) or a read error stops the reading
// (the records read so far stay).
bool LoadTree(BookmarkTree& tree, std::string_view name, ItemId parent = kNoItem);

// Saves `start` and its subtree (the whole tree for kNoItem) to file `name` (after the path
// rule). The old file is replaced only once the new one is complete.
FileError SaveTree(BookmarkTree& tree, std::string_view name, ItemId start = kNoItem);

// The same without the path rule: `path` is used as it is.
// `damaged`, when given, tells whether the file ended inside a record (cut short, or a
// length that claims more than the file holds): only the records before it were loaded, and
// saving the tree over the file would lose the rest for good. Without `budget` the file is
// the user's own and loads whole, however deep; a file brought in from elsewhere passes one.
bool loadArchiveFile(BookmarkTree& tree, const std::string& path, ItemId parent = kNoItem,
                     FileError* error = nullptr, bool* damaged = nullptr,
                     ImportBudget* budget = nullptr);

// Keeps a damaged file beside itself as "<path>.damaged" (".damaged.1" ... when that is
// taken) before the first save replaces it, so a repair by hand stays possible. Returns the
// copy's path, or "" when no copy could be made.
std::string keepDamagedCopy(const std::string& path);
FileError saveArchiveFile(BookmarkTree& tree, const std::string& path, ItemId start = kNoItem,
                          const SaveFilter& filter = {});

}  // namespace brivanta
