#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {

// XBEL, the XML Bookmark Exchange Language 1.0, as KDE's bookmark editor and Floccus write it:
// <xbel> holding <folder>, <bookmark href> and <separator/> elements, each folder and bookmark
// with a <title>, optionally an id attribute, <desc> and <info>. The text is UTF-8 (or what the
// XML declaration names); our trees keep it as GBK/GB18030, which holds every character.

// Bounds of a file read: larger files are refused whole, and so is a file whose parsed form
// would take more memory than four times the file and 64 MiB, or kMaxXbelDocumentBytes
// (millions of tiny elements; real files take 1.6 to 3.1 times their size).
inline constexpr std::size_t kMaxXbelFileBytes = std::size_t{512} << 20;
inline constexpr std::size_t kMaxXbelDocumentBytes = std::size_t{1024} << 20;
inline constexpr std::size_t kXbelDocumentPerFileByte = 4;
inline constexpr std::size_t kXbelDocumentBase = std::size_t{64} << 20;

// What a read found besides the entries.
struct XbelRead {
    // Empty on success, else why the bytes are not a usable XBEL file (UTF-8, for people,
    // without the file's name). Nothing was added then.
    std::string failure;
    // The number in Floccus's "<!--- highestId :N: ... -->" comment, when the file has one.
    std::optional<std::uint64_t> highestId;
};

// Reads XBEL bytes into `merger`: folders become folders, bookmarks links; separators,
// descriptions, ids and metadata are passed over. Nothing is fetched and no entity is
// expanded (a reference to one stays as written): only XML's own five and character
// references are decoded. A damaged or truncated file, or one that is not XBEL, adds nothing.
// Nesting is bounded by the merger's depth limit; reading itself never recurses.
XbelRead parseXbelBookmarks(std::string_view bytes, TreeMerger& merger);

// Reads file `path` into `merger`. Empty on success, else a message naming the file.
std::string importXbelFile(const std::string& path, TreeMerger& merger, XbelRead* read = nullptr);

// The number in a comment's text when it is Floccus's highestId comment ("- highestId :42:
// for Floccus bookmark sync browser extension"), else none.
std::optional<std::uint64_t> xbelHighestId(std::string_view comment);
// Appends UTF-8 `text` as XML character data that also fits in an attribute; characters XML
// 1.0 cannot carry are left out.
void appendXmlEscaped(std::string& out, std::string_view text);
// The whole comment for `highestId`, as Floccus writes it.
std::string xbelHighestIdComment(std::uint64_t highestId);

// The XBEL file of `start` and its subtree (the whole tree for kNoItem) in UTF-8, in Floccus's
// layout: ids 1, 2, ... in pre-order and the highestId comment naming the last. A link with
// children becomes a folder of its name holding the link itself and then its children.
// `written` receives the number of entries.
std::string writeXbelBookmarks(const BookmarkTree& tree, ItemId start = kNoItem,
                               const MergeProgress& progress = {}, size_t* written = nullptr);

// Writes that file to `path`; the old file is replaced only once the new one is complete.
FileError exportXbelFile(const BookmarkTree& tree, const std::string& path, ItemId start = kNoItem,
                         const MergeProgress& progress = {}, ExportResult* result = nullptr);

}  // namespace brivanta
