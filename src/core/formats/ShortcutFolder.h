#pragma once

#include <string>
#include <string_view>

#include "core/formats/DirectorySearch.h"
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

// Writes a shortcut file. The file is replaced by rename, so a link in its place is
// replaced, never written through.
FileError writeInternetShortcut(const std::string& path, std::string_view address);

// The title of a directory entry: its name without the last extension, for directories too.
std::string_view entryTitle(std::string_view fileName);

// One step of the walk: skips "." and "..", and files that are not ".url" files (in any
// letter case), then adds the entry under `parent` (a folder for a directory, a link for a
// shortcut) and returns it. Returns `parent` when the directory holds no further usable
// entry, and kNoItem with `error` set when a shortcut cannot be read, or with `error` clear
// when `budget` (if given) has run out.
ItemId importShortcutEntry(BookmarkTree& tree, DirectorySearch& search, ItemId parent,
                           FileError& error, ImportBudget* budget = nullptr);

// Adds the content of `folder` below `parent` (the top level for kNoItem), depth first, in
// the order the file system lists it. `progress` hears each entry's title. Stops at the first
// shortcut that cannot be read (what was added stays). A directory that cannot be listed adds
// nothing, and a link back to a directory being walked is not followed again. Entries are
// charged to `budget` (a default ImportBudget when none is given): the walk stops where it
// runs out, and what lies below its depth limit is attached at the limit.
FileError importShortcutFolder(BookmarkTree& tree, const std::string& folder,
                               ItemId parent = kNoItem, const ArchiveProgress& progress = {},
                               size_t* added = nullptr, ImportBudget* budget = nullptr);

// Writes the children of `parent` (the top-level entries for kNoItem) into `directory`,
// depth first: a link without children as "<name>.url", anything else as a directory (an
// existing one is reused). Names pass through safeFileName. Stops at the first file or
// directory that cannot be made; what was written stays.
FileError exportShortcutChildren(BookmarkTree& tree, const std::string& directory,
                                 ItemId parent = kNoItem, const ArchiveProgress& progress = {});

// The export command: the whole tree (kNoItem) into `folder` itself, or `start` as one
// shortcut or directory in `folder` with its subtree below. One trailing separator of the
// folder is ignored. The written files reach the disk before it returns.
FileError exportShortcutFolder(BookmarkTree& tree, const std::string& folder,
                               ItemId start = kNoItem, const ArchiveProgress& progress = {});

}  // namespace brivanta
