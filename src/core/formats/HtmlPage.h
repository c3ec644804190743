#pragma once

#include <string>
#include <string_view>

#include "core/formats/ByteStream.h"
#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// A subtree as one web page: a table row per entry in archive order, the first cell the
// entry's name behind its depth prefix ("->", "|"...), the second a link to its address.
// Names and addresses are HTML-escaped; the prefixes stand as they are, so the nesting reads
// the same to any reader of these pages.

// The page's fixed start and end.
const std::string& htmlPageHeader();
inline constexpr std::string_view kHtmlPageFooter = "</table></body></html>";

// Writes the page for `start` and its subtree (the whole tree for kNoItem) to `sink`; false
// when the sink fails. `progress` hears each entry's name.
bool writeHtmlPage(BookmarkTree& tree, ByteSink& sink, ItemId start = kNoItem,
                   const ArchiveProgress& progress = {});

// The same page as text.
std::string htmlPageText(BookmarkTree& tree, ItemId start = kNoItem,
                         const ArchiveProgress& progress = {});

// Writes that page to `path` (replacing the file only once the page is complete). A link with
// children keeps its address in its own row, its children following. `result` counts the
// entries written, or not written when the page could not be saved.
FileError exportHtmlPage(BookmarkTree& tree, const std::string& path, ItemId start = kNoItem,
                         const ArchiveProgress& progress = {}, ExportResult* result = nullptr);

// Adds the rows of a page below `parent` (the top level for kNoItem) with the archive's
// prefix rules, and returns how many entries were added. Only text up to the first zero byte
// counts; a row lacking one of its closing markers ends the rows. Entities in names and
// addresses are decoded, so pages with or without escaping read back alike. The rows are
// charged to `budget` (a default one when none is given), as SerializeTree does.
size_t importHtmlText(BookmarkTree& tree, std::string_view page, ItemId parent = kNoItem,
                      const ArchiveProgress& progress = {}, ImportBudget* budget = nullptr);

// The same from a file; nothing is added when it cannot be read.
FileError importHtmlPage(BookmarkTree& tree, const std::string& path, ItemId parent = kNoItem,
                         const ArchiveProgress& progress = {}, size_t* added = nullptr,
                         ImportBudget* budget = nullptr);

}  // namespace brivanta
