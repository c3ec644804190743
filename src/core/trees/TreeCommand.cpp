#include "core/trees/TreeCommand.h"

#include <algorithm>
#include <unordered_set>

namespace brivanta {

PasteMarkState capturePasteMark(const BookmarkTree& tree) {
    PasteMarkState mark;
    mark.mode = tree.clipMode();
    if (tree.contains(tree.pasteSource())) {
        mark.marked = true;
        mark.path = pathOf(tree, tree.pasteSource());
    }
    return mark;
}

void restorePasteMark(BookmarkTree& tree, const PasteMarkState& mark) {
    std::optional<ItemId> item = mark.marked ? itemAt(tree, mark.path) : std::nullopt;
    tree.setPasteSource(item.value_or(kNoItem));
    tree.setClipMode(mark.mode);
}

bool TreeCommand::redo() {
    touched_.clear();
    if (!done_) {
        // A recorded change set both marks when it was recorded.
        if (!applied_) {
            markBefore_ = capturePasteMark(tree_);
            if (!perform())
                return false;
            markAfter_ = capturePasteMark(tree_);
        }
        done_ = true;
        return true;
    }
    if (!reapply())
        return false;
    restorePasteMark(tree_, markAfter_);
    return true;
}

bool TreeCommand::undo() {
    touched_.clear();
    if (!done_ || !revert())
        return false;
    restorePasteMark(tree_, markBefore_);
    return true;
}

void SubtreeSet::capture(const BookmarkTree& tree, const std::vector<ItemId>& roots) {
    parts_.clear();
    std::unordered_set<ItemId> given(roots.begin(), roots.end());
    std::unordered_set<ItemId> taken;
    for (ItemId root : roots) {
        if (!tree.contains(root) || !taken.insert(root).second)
            continue;
        bool inside = false;
        for (ItemId up = tree.parent(root); up != kNoItem && !inside; up = tree.parent(up))
            inside = given.count(up) != 0;
        if (inside)
            continue;
        parts_.push_back({pathOf(tree, root), tree.captureSubtree(root)});
    }
    std::sort(parts_.begin(), parts_.end(),
              [](const Part& a, const Part& b) { return a.path < b.path; });
}

size_t SubtreeSet::entryCount() const {
    size_t n = 0;
    for (const Part& part : parts_)
        n += part.nodes.size();
    return n;
}

bool SubtreeSet::remove(BookmarkTree& tree) const {
    std::vector<ItemId> items;
    items.reserve(parts_.size());
    for (const Part& part : parts_) {
        std::optional<ItemId> item = itemAt(tree, part.path);
        if (!item || *item == kNoItem)
            return false;
        items.push_back(*item);
    }
    // Later places first, so that earlier ones still mean what they meant.
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        tree.DeleteNode(*it);
    return true;
}

bool SubtreeSet::restore(BookmarkTree& tree, std::vector<ItemId>* restored) const {
    // Earlier places first: each then finds the tree as it was around it.
    std::vector<ItemId> done;
    for (const Part& part : parts_) {
        RowPath parentPath(part.path.begin(), part.path.end() - 1);
        std::optional<ItemId> parent = itemAt(tree, parentPath);
        ItemId item = parent ? tree.insertSubtree(*parent, part.path.back(), part.nodes) : kNoItem;
        if (item == kNoItem) {
            for (auto it = done.rbegin(); it != done.rend(); ++it)
                tree.DeleteNode(*it);
            return false;
        }
        done.push_back(item);
    }
    if (restored)
        restored->insert(restored->end(), done.begin(), done.end());
    return true;
}

}  // namespace brivanta
