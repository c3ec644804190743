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
    if (inEffect_)
        return true;  // a recorded change, or a second redo: nothing to do
    if (!done_) {
        markBefore_ = capturePasteMark(tree_);
        if (!perform())
            return false;
        markAfter_ = capturePasteMark(tree_);
        done_ = inEffect_ = true;
        return true;
    }
    if (!reapply())
        return false;
    restorePasteMark(tree_, markAfter_);
    inEffect_ = true;
    return true;
}

bool TreeCommand::undo() {
    touched_.clear();
    if (!inEffect_)
        return done_;  // undone already; false when never made
    if (!revert())
        return false;
    restorePasteMark(tree_, markBefore_);
    inEffect_ = false;
    return true;
}

std::vector<std::pair<RowPath, ItemId>> SubtreeSet::select(const BookmarkTree& tree,
                                                           const std::vector<ItemId>& roots) {
    std::vector<std::pair<RowPath, ItemId>> chosen;
    std::unordered_set<ItemId> given(roots.begin(), roots.end());
    std::unordered_set<ItemId> taken;
    for (ItemId root : roots) {
        if (!tree.contains(root) || !taken.insert(root).second)
            continue;
        bool inside = false;
        for (ItemId up = tree.parent(root); up != kNoItem && !inside; up = tree.parent(up))
            inside = given.count(up) != 0;
        if (!inside)
            chosen.emplace_back(pathOf(tree, root), root);
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

void SubtreeSet::capture(const BookmarkTree& tree, const std::vector<ItemId>& roots) {
    parts_.clear();
    entries_ = 0;
    for (auto& [path, root] : select(tree, roots)) {
        parts_.push_back({std::move(path), tree.captureSubtree(root)});
        entries_ += parts_.back().nodes.size();
    }
}

void SubtreeSet::take(BookmarkTree& tree, const std::vector<ItemId>& roots) {
    capture(tree, {});
    std::vector<std::pair<RowPath, ItemId>> chosen = select(tree, roots);
    parts_.resize(chosen.size());
    for (size_t i = 0; i < chosen.size(); ++i)
        parts_[i].path = std::move(chosen[i].first);
    // Item data does not move while entries elsewhere go: any order will do.
    for (size_t i = 0; i < chosen.size(); ++i) {
        parts_[i].nodes = tree.takeSubtree(chosen[i].second);
        entries_ += parts_[i].nodes.size();
    }
}

bool SubtreeSet::remove(BookmarkTree& tree) {
    std::vector<ItemId> items;
    items.reserve(parts_.size());
    for (const Part& part : parts_) {
        std::optional<ItemId> item = itemAt(tree, part.path);
        if (!item || *item == kNoItem)
            return false;
        items.push_back(*item);
    }
    for (size_t i = 0; i < items.size(); ++i)
        parts_[i].nodes = tree.takeSubtree(items[i]);
    return true;
}

bool SubtreeSet::restore(BookmarkTree& tree, std::vector<ItemId>* restored) {
    // Earlier places first: each then finds the tree as it was around it.
    std::vector<ItemId> done;
    for (Part& part : parts_) {
        RowPath parentPath(part.path.begin(), part.path.end() - 1);
        std::optional<ItemId> parent = itemAt(tree, parentPath);
        ItemId item =
            parent ? tree.insertSubtree(*parent, part.path.back(), std::move(part.nodes)) : kNoItem;
        if (item == kNoItem) {
            for (size_t i = done.size(); i-- > 0;)
                parts_[i].nodes = tree.takeSubtree(done[i]);
            return false;
        }
        done.push_back(item);
    }
    if (restored)
        restored->insert(restored->end(), done.begin(), done.end());
    return true;
}

}  // namespace brivanta
