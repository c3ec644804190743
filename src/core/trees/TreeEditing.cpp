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

ItemId copySubtree(BookmarkTree& tree, ItemId source, ItemId destination) {
    if (!tree.contains(source) || (destination != kNoItem && !tree.contains(destination)))
        return kNoItem;
    // Take the subtree in pre-order before inserting anything: when the destination lies
    // inside the source, the copy must not walk into its own growing copy.
    struct Step {
        NodeRecord record;
        int parentStep;  // index into steps, -1 for the destination
    };
    std::vector<Step> steps;
    std::vector<std::pair<ItemId, int>> pending{{source, -1}};
    while (!pending.empty()) {
        auto [item, parentStep] = pending.back();
        pending.pop_back();
        steps.push_back({*tree.LookupRecord(item), parentStep});
        int self = static_cast<int>(steps.size()) - 1;
        for (int row = tree.childCount(item) - 1; row >= 0; --row)
            pending.emplace_back(tree.child(item, row), self);
    }
    std::vector<ItemId> copies;
    copies.reserve(steps.size());
    for (const Step& step : steps) {
        ItemId parent =
            step.parentStep < 0 ? destination : copies[static_cast<size_t>(step.parentStep)];
        ItemId copy = tree.InsertNode(step.record, parent);
        if (copy == kNoItem)
            break;  // item data exhausted: keep what was copied
        copies.push_back(copy);
        if (parent != kNoItem && !tree.isExpanded(parent))
            tree.setExpanded(parent, true);
    }
    return copies.empty() ? kNoItem : copies.front();
}

PasteResult pasteMarked(BookmarkTree& tree, ItemId destination, ItemId* firstCopy) {
    if (firstCopy)
        *firstCopy = kNoItem;
    ItemId source = tree.pasteSource();
    ItemId copy = copySubtree(tree, source, destination);
    if (copy == kNoItem)
        return PasteResult::Nothing;
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
