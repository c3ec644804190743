#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/trees/BookmarkTree.h"
#include "core/trees/RowPath.h"

namespace brivanta {

// The cut/copy/paste mark by place, so that it survives its entry being put back with new
// item data. Undo gives back the mark as it was before the change, redo as it was after:
// a mark set in between (a cut is not itself a step) gives way to it.
struct PasteMarkState {
    bool marked = false;  // the mark names an entry of the tree
    RowPath path;
    std::string mode;

    bool operator==(const PasteMarkState&) const = default;
};
PasteMarkState capturePasteMark(const BookmarkTree& tree);
void restorePasteMark(BookmarkTree& tree, const PasteMarkState& mark);

// One change a person made to a tree, which can be taken back and made again. The first
// redo() makes the change; undo() brings back the tree as it was before, exactly (records,
// labels, images, order, expanded state, the paste mark), and redo() the tree as it was
// after. Entries are named by place: every change to the tree between a command's redo and
// its undo must itself be a command undone before it, which the history keeps true.
class TreeCommand {
  public:
    explicit TreeCommand(BookmarkTree& tree) : tree_(tree) {}
    virtual ~TreeCommand() = default;
    TreeCommand(const TreeCommand&) = delete;
    TreeCommand& operator=(const TreeCommand&) = delete;

    // False, with the tree unchanged, when there was nothing to do (the first time) or the
    // tree no longer has the entries the command names. Redoing what is in effect, or undoing
    // what is not, does nothing.
    bool redo();
    bool undo();
    // Whether the first redo changed anything at all.
    virtual bool changedAnything() const { return true; }
    // The entries the last redo or undo put back or whose expanded state it set: a view
    // opens or closes their rows to match.
    const std::vector<ItemId>& touched() const { return touched_; }
    // What the command does, in a few words (UTF-8) for a menu.
    virtual std::string description() const = 0;

  protected:
    // For commands that record a change already made (both marks set): it is in effect.
    void markApplied() { done_ = inEffect_ = true; }
    // The first redo.
    virtual bool perform() = 0;
    virtual bool reapply() = 0;
    virtual bool revert() = 0;

    BookmarkTree& tree_;
    std::vector<ItemId> touched_;
    PasteMarkState markBefore_;
    PasteMarkState markAfter_;

  private:
    bool done_ = false;      // made at least once
    bool inEffect_ = false;  // the tree is as after the change
};

// A set of separate subtrees (none inside another) taken out of a tree or put back, each
// at its own place. Places are those of the tree with every subtree of the set present.
class SubtreeSet {
  public:
    // Notes `roots` and everything below them; an entry inside another root counts with it.
    void capture(const BookmarkTree& tree, const std::vector<ItemId>& roots);
    // The same, taking the subtrees out of the tree.
    void take(BookmarkTree& tree, const std::vector<ItemId>& roots);
    bool empty() const { return parts_.empty(); }
    size_t entryCount() const { return entries_; }
    // Takes the subtrees out: false, with nothing removed, when one is not where it was.
    bool remove(BookmarkTree& tree);
    // Puts them back; their new first entries are added to `restored`. False, with nothing
    // put back, when a place no longer exists. The texts move between the set and the tree,
    // so a large subtree goes back and forth without being copied.
    bool restore(BookmarkTree& tree, std::vector<ItemId>* restored);

  private:
    struct Part {
        RowPath path;
        std::vector<NodeState> nodes;
    };
    // The separate roots among `roots` in tree order, each with its place.
    static std::vector<std::pair<RowPath, ItemId>> select(const BookmarkTree& tree,
                                                          const std::vector<ItemId>& roots);

    std::vector<Part> parts_;  // in tree order
    size_t entries_ = 0;
};

}  // namespace brivanta
