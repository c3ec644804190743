#pragma once

#include <string>

#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta {

// What loading a tree file that is about to be written found (loadTargetTree).
struct TargetTreeLoad {
    // The file could not be read (it exists): nothing may be written over it.
    FileError error;
    // There was no file: the tree is empty, and a save makes the file.
    bool missing = false;
    // The file ended inside a record: only the records before it were loaded.
    bool damaged = false;
    // Records loaded.
    size_t records = 0;
    // Where the damaged original was kept; "" when it is not damaged or no copy could be made.
    std::string damagedCopy;

    // Whether the file may be written: it was read, and a damaged original is kept.
    bool mayWrite() const { return !error.failed() && (!damaged || !damagedCopy.empty()); }
    // For people (UTF-8): that the file is damaged and where its original now is, or why
    // nothing may be written. "" when the file loaded whole.
    std::string notice(const std::string& path) const;
};

// Loads the tree file `path` below `parent` before it is written: a missing file is an empty
// tree. When the file loads only partly (damaged), the original is kept as
// "<path>.damaged" (see keepDamagedCopy) before this returns, so the save that follows
// cannot lose the unread rest. Every writer of a tree file it did not write itself goes
// through here: imports, build, the listener, a login and its close.
TargetTreeLoad loadTargetTree(BookmarkTree& tree, const std::string& path, ItemId parent = kNoItem);

// The same for a writer that replaces the file whatever it holds (build): reads it into a
// scratch tree of `treeKind` only to keep a damaged original.
TargetTreeLoad keepDamagedTarget(int treeKind, const std::string& path);

}  // namespace brivanta
