#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/formats/DirectorySearch.h"
#include "core/formats/ExportResult.h"
#include "core/formats/FileError.h"
#include "core/formats/TreeArchive.h"
#include "core/trees/BookmarkTree.h"

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
};

// Bounds of one import: entries looked at in all directories together, bytes read from
// shortcut files, and folder depth (also the depth an export writes).
inline constexpr size_t kShortcutImportListed = 5'000'000;
inline constexpr size_t kShortcutImportBytes = 256u << 20;
inline constexpr size_t kDeepestShortcutFolder = 256;

// One step of the walk: skips "." and "..", and files that are not ".url" files (in any
// letter case), then adds the entry under `parent` (a folder for a directory, a link for a
// shortcut) and returns it. Returns `parent` when the directory holds no further usable
// entry, and kNoItem with `error` set when a shortcut cannot be read, or with `error` clear
// when `budget` (if given) has run out. Links, devices, pipes and sockets are passed over and
// counted in `result` when given.
ItemId importShortcutEntry(BookmarkTree& tree, DirectorySearch& search, ItemId parent,
                           FileError& error, ShortcutImportResult* result = nullptr,
                           ImportBudget* budget = nullptr);

// Adds the content of `folder` below `parent` (the top level for kNoItem), depth first, in
// the order the file system lists it. `progress` hears each entry's title. Stops at the first
// shortcut that cannot be read (what was added stays). Only real files and directories inside
// the folder are read: no symbolic link inside it is followed, each directory is visited once,
// and the walk stops at the tree's room and at the bounds above. Entries are charged to
// `budget` (a default ImportBudget when none is given): the walk stops where it runs out, and
// what lies below its depth limit is attached at the limit.
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
