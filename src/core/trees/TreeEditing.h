#pragma once

#include <string>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// The editing commands of a tree that do not need a person to answer anything. The desktop
// runs the dialogs and calls these; nothing here saves.

inline constexpr const char* kClipCut = "NODECUT";
inline constexpr const char* kClipCopy = "NODECOPY";
inline constexpr const char* kClipPaste = "NODEPASTE";

// Marks `item` (kNoItem for none) as what the next paste copies, and whether that paste
// moves it.
void markForCut(BookmarkTree& tree, ItemId item);
void markForCopy(BookmarkTree& tree, ItemId item);
bool hasPasteMark(const BookmarkTree& tree);

// Copies the subtree of `source` as the last child of `destination` (kNoItem: the top level)
// and returns the copy of `source`, or kNoItem when nothing was copied. The copy holds the
// subtree as it was before the call, so pasting a folder into itself copies it once. Every
// copied entry's parent is expanded; copies get fresh item data and their records' names
// as labels.
ItemId copySubtree(BookmarkTree& tree, ItemId source, ItemId destination);

enum class PasteResult {
    Nothing,            // no mark, or the destination is not an entry of this tree
    Copied,             // the marked subtree was copied (or moved, after a cut)
    CutIntoOwnSubtree,  // after a cut, the destination lay inside the cut subtree: the copy
                        // was made and the source stays
    TreeFull,           // item data would run out before the whole subtree was copied:
                        // nothing changed, the source and the mark stay
};

// Pastes the marked subtree into `destination`, whole or not at all. After a cut the source
// is removed (a move) unless the destination lies inside it. Afterwards the copy is the mark, so a
// further paste copies it again and removes nothing. `firstCopy` receives the new copy.
PasteResult pasteMarked(BookmarkTree& tree, ItemId destination, ItemId* firstCopy = nullptr);

// Stores the name and address an entry dialog returned for `item`. The tag stays. An entry
// without a tag whose address is blank becomes a folder (open image when expanded); one
// with an address gets the image of its kind when the icon list has one and keeps its
// images otherwise. False when the item has no record.
bool applyEntryEdit(BookmarkTree& tree, ItemId item, const std::string& name,
                    const std::string& address);

// Gives `item` the label `text` and stores it as the record's name.
void renameEntry(BookmarkTree& tree, ItemId item, const std::string& text);

}  // namespace brivanta
