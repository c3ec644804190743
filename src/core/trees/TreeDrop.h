#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeEditing.h"

namespace brivanta {

// What dragging entries and dropping things from other programs does to a tree. The view
// decides where the pointer is; everything that follows from it is decided here.

// True when a dragged entry may be dropped on `target` (kNoItem: empty space, the top
// level): never on itself or anywhere below it.
bool mayDropOn(const BookmarkTree& tree, ItemId dragged, ItemId target);

// Whether a tree of this kind takes files and text dropped from other programs. The address
// book holds contacts, which nothing dropped can become.
bool acceptsExternalDrops(int treeKind);

// Moves the subtree of `dragged` to the end of `target`'s children (kNoItem: the top level)
// as a cut and paste would, and returns the moved copy, or kNoItem when nothing moved. The
// target is expanded. The cut, copy and paste mark survives the move: a mark elsewhere stays
// as it was, a mark on the dragged entry follows it to the moved copy, and a mark below the
// dragged entry (gone with its subtree) is cleared. When nothing moves (the tree is full,
// say) the tree and the mark stay as they were; `result`, when given, tells why.
ItemId moveByDrag(BookmarkTree& tree, ItemId dragged, ItemId target, PasteResult* result = nullptr);

// Adds `entries` as the last children of `target` (kNoItem, or an entry no longer in the
// tree: the top level) and expands it. Returns how many were added.
int insertDropped(BookmarkTree& tree, const std::vector<NodeRecord>& entries, ItemId target);

// The entry a dropped file becomes: its path (stored text) as the address; as the name, the
// last component of the path ("/" and "\\" both separate) up to its first ".", or the whole
// component when that would leave nothing (".bashrc").
NodeRecord entryForDroppedPath(std::string_view path);

// The entry dropped text becomes: the text without surrounding white space as the address,
// and as the name what follows its first "//", or the whole text when there is no "//" or
// nothing after it. Blank text gives an entry with an empty address and name: callers drop
// nothing then.
NodeRecord entryForDroppedText(std::string_view text);

// The target of a desktop entry of type Link (its URL value), or empty when `desktopFile`
// (the file's text) is no such link.
std::string desktopLinkTarget(std::string_view desktopFile);

// One step of scrolling while something is dragged near an edge of a view: -1, 0 or 1 for
// each direction. A point within `margin` pixels of the bottom scrolls down, else within
// `margin` of the top up; likewise left and right.
struct EdgeScroll {
    int dx = 0;
    int dy = 0;
    bool operator==(const EdgeScroll&) const = default;
};
EdgeScroll edgeScrollFor(int x, int y, int left, int top, int right, int bottom, int margin = 10);

}  // namespace brivanta
