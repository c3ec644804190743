#include "core/trees/CleanupCommands.h"

#include "core/trees/BatchCommand.h"
#include "core/trees/EntryCommands.h"
#include "core/trees/StructureCommands.h"

namespace brivanta {

std::unique_ptr<TreeCommand> deleteEntriesCommand(BookmarkTree& tree, std::vector<ItemId> items) {
    return std::make_unique<BatchCommand>(
        tree, "删除", [items = std::move(items)](BatchCommand& batch) {
            BookmarkTree& on = batch.tree();
            for (ItemId item : items) {
                if (item != kNoItem && on.contains(item))
                    batch.step(std::make_unique<DeleteCommand>(on, item));
            }
        });
}

std::unique_ptr<TreeCommand> keepOneCommand(BookmarkTree& tree, ItemId keep,
                                            const std::vector<ItemId>& group) {
    std::vector<ItemId> others;
    for (ItemId item : group) {
        if (item != keep)
            others.push_back(item);
    }
    return std::make_unique<BatchCommand>(
        tree, "保留这一个", [keep, others = std::move(others)](BatchCommand& batch) {
            BookmarkTree& on = batch.tree();
            // Keeping an entry that is gone would delete the whole group.
            if (!on.contains(keep))
                return;
            for (ItemId item : others) {
                if (on.contains(item))
                    batch.step(std::make_unique<DeleteCommand>(on, item));
            }
        });
}

std::unique_ptr<TreeCommand> updateAddressesCommand(
    BookmarkTree& tree, std::vector<std::pair<ItemId, std::string>> changes) {
    return std::make_unique<BatchCommand>(
        tree, "更新地址", [changes = std::move(changes)](BatchCommand& batch) {
            BookmarkTree& on = batch.tree();
            for (const auto& [item, address] : changes) {
                RecordRef record = on.LookupRecord(item);
                if (record && !address.empty())
                    batch.step(std::make_unique<EditCommand>(on, item, std::string(record->name),
                                                             address));
            }
        });
}

std::unique_ptr<TreeCommand> moveToFolderCommand(BookmarkTree& tree, std::vector<ItemId> items,
                                                 std::string folderName) {
    return std::make_unique<BatchCommand>(
        tree, "移动",
        [items = std::move(items), name = std::move(folderName)](BatchCommand& batch) {
            BookmarkTree& on = batch.tree();
            std::vector<ItemId> moving;
            ItemId folder = topLevelFolder(on, name);
            for (ItemId item : items) {
                if (on.contains(item) && item != folder &&
                    (folder == kNoItem || on.parent(item) != folder))
                    moving.push_back(item);
            }
            if (moving.empty())
                return;
            if (folder == kNoItem) {
                auto made =
                    std::make_unique<NewEntryCommand>(on, kNoItem, NodeRecord{name, "", ""});
                NewEntryCommand& entry = *made;
                if (!batch.step(std::move(made)))
                    return;
                folder = entry.item();
            }
            for (ItemId item : moving) {
                if (on.contains(item))
                    batch.step(std::make_unique<PasteCommand>(on, folder, item));
            }
        });
}

ItemId topLevelFolder(const BookmarkTree& tree, const std::string& name) {
    for (ItemId item = tree.firstChild(kNoItem); item != kNoItem; item = tree.nextSibling(item)) {
        RecordRef record = tree.LookupRecord(item);
        if (record && record->name == name && record->address.empty() && record->tag.empty())
            return item;
    }
    return kNoItem;
}

}  // namespace brivanta
