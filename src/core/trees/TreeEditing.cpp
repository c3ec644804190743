#include "core/trees/TreeEditing.h"

#include <utility>
#include <vector>

#include "core/text/Trim.h"

namespace brivanta {

void markForCut(BookmarkTree& tree, ItemId item) {
    tree.setPasteSource(tree.contains(item) ? item : kNoItem);
    tree.setClipMode(kClipCut);
}

void markForCopy(BookmarkTree& tree, ItemId item) {
    tree.setPasteSource(tree.contains(item) ? item : kNoItem);
    tree.setClipMode(kClipCopy);
}

bool hasPasteMark(const BookmarkTree& tree) {
    return tree.contains(tree.pasteSource());
}

namespace {
// One entry of a subtree to copy: its record and the step of its parent.
struct CopyStep {
    NodeRecord record;
    int parentStep;  // index into the steps, -1 for the destination
};

// The subtree of `source` in pre-order, taken before anything is inserted: when the
// destination lies inside the source, the copy must not walk into its own growing copy.
std::vector<CopyStep> stepsOf(const BookmarkTree& tree, ItemId source) {
    std::vector<CopyStep> steps;
    std::vector<std::pair<ItemId, int>> pending{{source, -1}};
    while (!pending.empty()) {
        auto [item, parentStep] = pending.back();
        pending.pop_back();
        steps.push_back({*tree.LookupRecord(item), parentStep});
        int self = static_cast<int>(steps.size()) - 1;
        for (int row = tree.childCount(item) - 1; row >= 0; --row)
            pending.emplace_back(tree.child(item, row), self);
    }
    return steps;
}

// Inserts the steps below `destination` until the tree refuses one; returns the entries
// made, the copy of the source first.
std::vector<ItemId> insertSteps(BookmarkTree& tree, const std::vector<CopyStep>& steps,
                                ItemId destination) {
    std::vector<ItemId> copies;
    copies.reserve(steps.size());
    for (const CopyStep& step : steps) {
        ItemId parent =
            step.parentStep < 0 ? destination : copies[static_cast<size_t>(step.parentStep)];
        ItemId copy = tree.InsertNode(step.record, parent);
        if (copy == kNoItem)
            break;
        copies.push_back(copy);
        if (parent != kNoItem && !tree.isExpanded(parent))
            tree.setExpanded(parent, true);
    }
    return copies;
}

bool mayCopy(const BookmarkTree& tree, ItemId source, ItemId destination) {
    return tree.contains(source) && (destination == kNoItem || tree.contains(destination));
}
}  // namespace

ItemId copySubtree(BookmarkTree& tree, ItemId source, ItemId destination) {
    if (!mayCopy(tree, source, destination))
        return kNoItem;
    // Item data exhausted part way: keep what was copied.
    std::vector<ItemId> copies = insertSteps(tree, stepsOf(tree, source), destination);
    return copies.empty() ? kNoItem : copies.front();
}

PasteResult pasteMarked(BookmarkTree& tree, ItemId destination, ItemId* firstCopy) {
    if (firstCopy)
        *firstCopy = kNoItem;
    ItemId source = tree.pasteSource();
    if (!mayCopy(tree, source, destination))
        return PasteResult::Nothing;
    std::vector<CopyStep> steps = stepsOf(tree, source);
    // All or nothing: a cut source may only go once every entry of it has a copy, and a
    // partial copy is no use to anyone. Checking first also keeps item data unspent.
    if (steps.size() > tree.itemDataLeft())
        return PasteResult::TreeFull;
    std::vector<ItemId> copies = insertSteps(tree, steps, destination);
    if (copies.size() != steps.size()) {
        if (!copies.empty())
            tree.DeleteNode(copies.front());
        return PasteResult::TreeFull;
    }
    ItemId copy = copies.front();
    PasteResult result = PasteResult::Copied;
    if (tree.clipMode() == kClipCut) {
        if (tree.isWithin(copy, source))
            result = PasteResult::CutIntoOwnSubtree;
        else
            tree.DeleteNode(source);
    }
    tree.setPasteSource(copy);
    tree.setClipMode(kClipPaste);
    if (firstCopy)
        *firstCopy = copy;
    return result;
}

bool applyEntryEdit(BookmarkTree& tree, ItemId item, const std::string& name,
                    const std::string& address) {
    RecordRef old = tree.LookupRecord(item);
    if (!old)
        return false;
    NodeRecord record = *old;
    record.name = name;
    record.address = address;
    tree.SetRecord(item, record);
    tree.setLabel(item, name);
    if (!record.tag.empty())
        return true;
    std::string_view trimmed = text::trimLeft(record.address);
    if (trimmed.empty()) {
        int folder = tree.isExpanded(item) ? kOpenFolderImage : kClosedFolderImage;
        tree.setImages(item, folder, folder);
        return true;
    }
    if (NodeIconChooser* chooser = tree.iconChooser()) {
        int image = chooser->imageForAddress(trimmed);
        if (image >= 0)
            tree.setImages(item, image, image);
    }
    return true;
}

void renameEntry(BookmarkTree& tree, ItemId item, const std::string& text) {
    if (!tree.contains(item))
        return;
    tree.setLabel(item, text);
    NodeRecord record = *tree.LookupRecord(item);
    record.name = text;
    tree.SetRecord(item, record);
}

}  // namespace brivanta
