#pragma once

#include <string>
#include <string_view>

#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {

// The Netscape bookmark file: the HTML page every browser imports and exports, folders as
// <H3> headings each followed by a <DL> list of entries, links as <A HREF>.

// Reads the bytes of a bookmark file into `merger`. Tolerant of what real browsers write:
// nested lists, tags in any letter case, attributes in any order, missing closing tags,
// <DD> descriptions (passed over), character references. The character set is the one a
// <META> names; without one, UTF-8, or GB18030 when the bytes are not UTF-8. Icons, dates
// and other attributes are passed over.
void parseNetscapeBookmarks(std::string_view bytes, TreeMerger& merger);

// Reads file `path` into `merger`. A file that cannot be read adds nothing.
FileError importNetscapeFile(const std::string& path, TreeMerger& merger);

// The bookmark file of `start` and its subtree (the whole tree for kNoItem), in UTF-8, every
// name and address escaped. A link with children becomes a folder of its name holding the
// link itself and then its children. `written` receives the number of entries.
std::string writeNetscapeBookmarks(const BookmarkTree& tree, ItemId start = kNoItem,
                                   const MergeProgress& progress = {}, size_t* written = nullptr);

// Writes that file to `path`; the old file is replaced only once the new one is complete.
// `result` counts the entries as written or, when the file could not be saved, not written.
FileError exportNetscapeFile(const BookmarkTree& tree, const std::string& path,
                             ItemId start = kNoItem, const MergeProgress& progress = {},
                             ExportResult* result = nullptr);

}  // namespace brivanta
