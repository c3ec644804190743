#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/BookmarkTree.h"
#include "core/trees/ImportBudget.h"
#include "core/trees/TextIndex.h"

namespace brivanta {

// What an import tells its caller about each entry it adds (the busy window shows it).
using MergeProgress = std::function<void(const std::string& label)>;

// Adds imported entries below one folder of a tree without duplicating what is there: a link
// whose address already stands in the same folder is skipped, and a folder whose name already
// stands there as a folder is entered instead of made again, so importing the same file twice
// adds nothing the second time. Every import feeds its entries through one of these, in
// pre-order: openFolder, the folder's entries, closeFolder.
//
// Names and addresses are stored text (GBK/GB18030). They are cleaned first so that the tree
// file can keep them: white space and control characters in a name become single blanks, a
// name may not start with a depth marker ("->" or "|"), an address loses control characters
// and surrounding blanks, and a link without a name is named by its address.
//
// Every entry added is charged to the merger's ImportBudget: once that runs out the rest of
// the import is dropped, and an entry below the budget's depth limit is attached at the limit
// (a folder there is made, and what it holds follows it at the same level).
class TreeMerger {
  public:
    explicit TreeMerger(BookmarkTree& tree, ItemId parent = kNoItem, MergeProgress progress = {},
                        ImportBudget budget = ImportBudget());

    // A folder, or with an `address` a link that holds entries of its own (found again by its
    // address, as links are).
    void openFolder(std::string_view name, std::string_view address = {});
    // Back to the enclosing folder; at the level the import started in it does nothing.
    void closeFolder();
    // A link without an address (after cleaning) is skipped: the tree would take it for a
    // folder.
    void addLink(std::string_view name, std::string_view address);

    // Entries a reader passed over itself (links without an address), for the summary.
    void countSkipped(size_t count) { skipped_ += count; }
    // A reader stopped reading at a limit of its own: nothing more is added, and the summary
    // says why.
    void stopAt(ImportBudget::Stop why) { budget_.stopAt(why); }

    // Entries added, and entries passed over because they were already there (or had no
    // address). Folders that already existed count as skipped.
    size_t added() const { return added_; }
    // The first entry of every new subtree (added to a folder that was there before), in
    // the order added.
    const std::vector<ItemId>& roots() const { return roots_; }
    size_t skipped() const { return skipped_; }
    // The tree ran out of item data; everything after that was dropped.
    bool full() const { return full_; }
    // Nothing more is added: the tree is full or the budget ran out.
    bool stopped() const { return full_ || budget_.stopped(); }
    const ImportBudget& budget() const { return budget_; }
    // Folders open below the starting level (those attached at the depth limit included).
    size_t depth() const { return frames_.size() - 1 + flattenedFolders_; }

  private:
    struct Frame {
        ItemId folder = kNoItem;
        bool indexed = false;
        bool made = false;  // made by this import
        // By the records' texts, read from the tree when hashes match.
        TextIndex addresses;
        TextIndex folders;
    };
    Frame& current() { return frames_.back(); }
    // The texts the frames' indexes are keyed by.
    auto nameOf() const {
        return [this](ItemId item) { return std::string_view(tree_.LookupRecord(item)->name); };
    }
    auto addressOf() const {
        return [this](ItemId item) { return std::string_view(tree_.LookupRecord(item)->address); };
    }
    void index(Frame& frame);
    ItemId insert(NodeRecord& record);

    BookmarkTree& tree_;
    std::vector<ItemId> roots_;
    MergeProgress progress_;
    ImportBudget budget_;
    std::vector<Frame> frames_;
    // The level of frames_.front()'s folder in the tree (0 for the top).
    long long baseLevel_ = 0;
    // Folders opened at the depth limit: their entries stay in the current frame.
    size_t flattenedFolders_ = 0;
    // Folders opened once nothing more could be added, so closeFolder stays balanced.
    size_t droppedFolders_ = 0;
    size_t added_ = 0;
    size_t skipped_ = 0;
    bool full_ = false;
    std::string name_;
    std::string address_;
};

// The cleaning rules above, on their own.
std::string cleanImportedName(std::string_view name);
std::string cleanImportedAddress(std::string_view address);

}  // namespace brivanta
