#pragma once

#include <string>
#include <string_view>

#include "core/formats/ByteStream.h"
#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

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

// Feeds the rows of a page to `merger` with the archive's prefix rules (bars never climb
// above where the import began), and returns how many rows it read. Only text up to the first
// zero byte counts; a row lacking one of its closing markers ends the rows. Entities in names
// and addresses are decoded, so pages with or without escaping read back alike. Like every
// import it merges: what already stands in a folder is skipped.
size_t importHtmlRows(std::string_view page, TreeMerger& merger);

// The same below `parent` (the top level for kNoItem); returns how many entries were added.
// `budget` (a default one when none is given) receives what the import took of it.
size_t importHtmlText(BookmarkTree& tree, std::string_view page, ItemId parent = kNoItem,
                      const ArchiveProgress& progress = {}, ImportBudget* budget = nullptr);

// The rows of file `path`; nothing is added when it cannot be read. A file without a single
// row (a browser's bookmark file, any other page) fails with kNothingToImport.
FileError importHtmlFile(const std::string& path, TreeMerger& merger);
FileError importHtmlPage(BookmarkTree& tree, const std::string& path, ItemId parent = kNoItem,
                         const ArchiveProgress& progress = {}, size_t* added = nullptr,
                         ImportBudget* budget = nullptr);

}  // namespace brivanta
