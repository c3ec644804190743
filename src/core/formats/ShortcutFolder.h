#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/formats/DirectorySearch.h"
#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeMerger.h"

namespace brivanta {

// A favorites folder: one directory per folder entry and one Internet Shortcut file
// ("<name>.url") per link.

// The largest shortcut file the import reads; anything bigger is not a shortcut.
inline constexpr size_t kLargestShortcutFile = 16u << 20;

// The address a shortcut's text holds: after the first "URL=" anywhere (a "BASEURL=" line
// counts too) up to the next CR or the end; the whole text when there is no "URL=".
std::string shortcutAddress(std::string_view text);

// The text of a shortcut file: everything up to its first zero byte, except that in a file
// as writeInternetShortcut writes it the length prefix is passed over and the whole rest
// counts.
std::string_view shortcutText(std::string_view fileBytes);

// What writeInternetShortcut writes: one archive string holding CR LF "[InternetShortcut]"
// CR LF "URL=" and the address, with no line break at the end.
std::string internetShortcutText(std::string_view address);

// Writes a shortcut file, replacing a regular file of that name; a link, a device or a pipe
// in its place is refused, never written through or replaced.
FileError writeInternetShortcut(const std::string& path, std::string_view address);

// The title of a directory entry: its name without the last extension, for directories too.
std::string_view entryTitle(std::string_view fileName);

// What an import of a favorites folder did.
struct ShortcutImportResult {
    size_t added = 0;
    size_t bytes = 0;  // read from shortcut files
    // Entries passed over: symbolic links, devices, pipes, sockets, directories reached a
    // second time or deeper than kDeepestShortcutFolder. Files of other types are not counted.
    size_t skipped = 0;
    std::vector<std::string> skippedPaths;  // the first few of them
    // The tree ran out of room, or the walk reached kShortcutImportListed entries or
    // kShortcutImportBytes: the rest was not read.
    bool full = false;
    bool capped = false;
    // For people: what was added and skipped, and where the import stopped.
    std::string text() const;
    // What the import summary adds for a folder: the entries passed over, and where the walk
    // stopped at its bounds; "" when neither.
    std::string notes() const;
};

// Bounds of one import: entries looked at in all directories together, bytes read from
// shortcut files, and folder depth (also the depth an export writes).
inline constexpr size_t kShortcutImportListed = 5'000'000;
inline constexpr size_t kShortcutImportBytes = 256u << 20;
inline constexpr size_t kDeepestShortcutFolder = 256;

// What one step of an import's walk found.
enum class ShortcutEntry {
    Link,    // a shortcut, given to the merger
    Folder,  // a directory, opened in the merger (the caller closes it)
    None,    // the directory holds no further usable entry
    Failed,  // a shortcut could not be read
};

// One step of the walk: skips "." and "..", and files that are not ".url" files (in any
// letter case), then gives the entry to `merger`: a folder for a directory, a link for a
// shortcut. A shortcut that cannot be read sets `error`. Links, devices, pipes and sockets are
// passed over and counted in `result` when given.
ShortcutEntry importShortcutEntry(TreeMerger& merger, DirectorySearch& search, FileError& error,
                                  ShortcutImportResult* result = nullptr);

// Gives the content of `folder` to `merger`, depth first, in the order the file system lists
// it; like every import it merges (a second import of the same folder adds nothing). Stops at
// the first shortcut that cannot be read (what was added stays). Only real files and
// directories inside the folder are read: no symbolic link inside it is followed, each
// directory is visited once, and the walk stops at the merger's room and budget and at the
// bounds above.
FileError importShortcutFolder(const std::string& folder, TreeMerger& merger,
                               ShortcutImportResult* result = nullptr);

// The same below `parent` (the top level for kNoItem); `progress` hears each entry added.
// Entries are charged to `budget` (a default ImportBudget when none is given), which
// receives what the import took of it.
FileError importShortcutFolder(BookmarkTree& tree, const std::string& folder,
                               ItemId parent = kNoItem, const ArchiveProgress& progress = {},
                               ShortcutImportResult* result = nullptr,
                               ImportBudget* budget = nullptr);

// Writes the children of `parent` (the top-level entries for kNoItem) into `directory`,
// depth first: a link without children as "<name>.url", a folder as a directory (an existing
// one is reused), and a link with children as a directory holding "<name>.url" for the link
// itself besides its children. Names pass through safeFileName; names that would be the same
// file in one directory (letter case aside) get " (2)", " (3)"... Nothing is written through
// a symbolic link inside `directory`. An entry that cannot be written is counted in `result`
// and the export goes on with the next; the first such failure is returned.
FileError exportShortcutChildren(BookmarkTree& tree, const std::string& directory,
                                 ItemId parent = kNoItem, const ArchiveProgress& progress = {},
                                 ExportResult* result = nullptr);

// The export command: the whole tree (kNoItem) into `folder` itself, or `start` as one
// shortcut or directory in `folder` with its subtree below. One trailing separator of the
// folder is ignored. The written files reach the disk before it returns.
FileError exportShortcutFolder(BookmarkTree& tree, const std::string& folder,
                               ItemId start = kNoItem, const ArchiveProgress& progress = {},
                               ExportResult* result = nullptr);

}  // namespace brivanta
