#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/trees/NodeIconChooser.h"
#include "core/trees/NodeRecord.h"
#include "core/trees/RecordView.h"
#include "core/trees/TextArena.h"
#include "core/trees/TreeKind.h"
#include "core/trees/TreeObserver.h"

namespace brivanta {

// Image indices of the shared icon list that mark folders.
inline constexpr int kClosedFolderImage = 0;
inline constexpr int kOpenFolderImage = 1;

// Everything a tree keeps about one entry apart from its item data and links, so that an
// entry taken out can be put back exactly. `depth` places it in a pre-order list: 0 for the
// first entry, one more than its parent's for the others.
struct NodeState {
    NodeRecord record;
    std::string label;  // only when ownLabel: the label differs from record.name
    bool ownLabel = false;
    std::int16_t image = 0;
    std::int16_t selectedImage = 0;
    bool expanded = false;
    int depth = 0;

    bool operator==(const NodeState&) const = default;
};

// One category of entries: the hierarchy, each entry's record, label, images and
// expanded state. Entries are named by their item data (1, 2, 3 ... per tree, handed out
// in order and never reused until the whole tree is emptied). Looking up an entry, its
// parent, its row and its n-th child are all O(1).
//
// The texts of all entries live in one arena per tree and are handed out as views
// (RecordText, RecordRef): a view stays valid until its entry changes or is deleted, and
// deleting entries may move the texts of the others, so look them up again after a delete.
class BookmarkTree {
  public:
    explicit BookmarkTree(int treeKind = kCustomTree);
    ~BookmarkTree();
    BookmarkTree(const BookmarkTree&) = delete;
    BookmarkTree& operator=(const BookmarkTree&) = delete;

    int treeKind() const { return treeKind_; }
    void setTreeKind(int kind) { treeKind_ = kind; }

    // Adds a new entry as the last child of `parent` (the top level for kNoItem) and
    // returns it. The label is the record's name; the image comes from the icon chooser.
    // Returns kNoItem when `parent` is not an entry of this tree.
    ItemId InsertNode(const NodeRecord& record, ItemId parent = kNoItem);
    // Removes `item` with all its descendants (nothing happens for an unknown item).
    void DeleteNode(ItemId item);
    // Empties the tree; the next entry gets item data 1 again.
    void DeleteNode();
    RecordRef LookupRecord(ItemId item) const;
    // Stores `record` for `item`. The label stays as it was; set it with setLabel.
    void SetRecord(ItemId item, const NodeRecord& record);

    // What the tree keeps about `item` alone (depth 0; default for an unknown item).
    NodeState nodeState(ItemId item) const;
    // `item` and everything below it in pre-order (empty for an unknown item).
    std::vector<NodeState> captureSubtree(ItemId item) const;
    // Puts `nodes` (a pre-order list as captureSubtree gives, depth 0 first) back as the
    // `row`-th child of `parent`, with fresh item data, and returns its first entry. Observers
    // hear of one inserted row. kNoItem, and nothing changed, for an unknown parent, a row
    // beyond the children, a malformed list or exhausted item data.
    ItemId insertSubtree(ItemId parent, int row, const std::vector<NodeState>& nodes);
    // The same, emptying `nodes` once they are put back (they stay as they were when
    // nothing is), so a command does not hold a second copy of what the tree now holds.
    ItemId insertSubtree(ItemId parent, int row, std::vector<NodeState>&& nodes);
    // captureSubtree and DeleteNode in one.
    std::vector<NodeState> takeSubtree(ItemId item);
    // Gives an existing entry the record, label, images and expanded state of `state`.
    void restoreState(ItemId item, const NodeState& state);

    bool contains(ItemId item) const;
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Bytes the tree holds for the texts of its entries (living or not yet given back).
    std::size_t heldTextBytes() const { return text_.held(); }
    // The item data the last insertion handed out.
    ItemId nextItemData() const { return nextItemData_; }
    // How many more entries can be inserted before item data runs out. Item data is never
    // reused, so deletes do not make room; only emptying the tree does.
    ItemId itemDataLeft() const {
        return nextItemData_ < itemDataLimit_ ? itemDataLimit_ - nextItemData_ : 0;
    }
    // The highest item data handed out (UINT32_MAX). Lowered only by tests, to reach a full
    // tree without four billion entries.
    void setItemDataLimit(ItemId limit) { itemDataLimit_ = limit; }

    // Structure. kNoItem stands for the invisible root in `parent` arguments and results.
    ItemId parent(ItemId item) const;
    int row(ItemId item) const;
    int childCount(ItemId parent) const;
    ItemId child(ItemId parent, int row) const;
    ItemId firstChild(ItemId parent) const { return child(parent, 0); }
    ItemId nextSibling(ItemId item) const;
    bool hasChildren(ItemId item) const { return childCount(item) > 0; }
    // True when `item` is `ancestor` or lies below it.
    bool isWithin(ItemId item, ItemId ancestor) const;
    int depth(ItemId item) const;

    // What visitTexts hands out: views valid as long as LookupRecord's would be.
    struct ScannedEntry {
        ItemId item;
        ItemId parent;
        RecordText label;
        std::string_view name;
        std::string_view address;
    };
    // For scans that read every entry (the search): calls visit(i, entry) for each living
    // entry among itemAt(0 .. count - 1), without a look-up per text. Ascending item data
    // reads the nodes, and mostly the texts, in memory order.
    template <typename ItemAt, typename Visit>
    void visitTexts(size_t count, ItemAt itemAt, Visit visit) const {
        auto nodeOf = [&](ItemId item) -> const Node* {
            size_t chunk = item >> kChunkBits;
            if (item == kNoItem || chunk >= chunks_.size())
                return nullptr;
            return &chunks_[chunk][item & (kChunkSize - 1)];
        };
        // Scattered items (the hits of a shorter query) would wait on memory for each node
        // and text: ask for them a few entries ahead, the node first, then its texts.
        constexpr size_t kNodeAhead = 16;
        constexpr size_t kTextAhead = 8;
        for (size_t i = 0; i < count; ++i) {
            if (i + kNodeAhead < count)
                if (const Node* ahead = nodeOf(itemAt(i + kNodeAhead)))
                    __builtin_prefetch(ahead);
            if (i + kTextAhead < count)
                if (const Node* ahead = nodeOf(itemAt(i + kTextAhead)); ahead && ahead->text) {
                    __builtin_prefetch(ahead->text);
                    __builtin_prefetch(ahead->text + 64);
                }
            ItemId item = itemAt(i);
            const Node* found = nodeOf(item);
            if (!found)
                continue;
            const Node& n = *found;
            if (n.alive)
                visit(i,
                      ScannedEntry{item, n.parent, n.ownLabel ? label(item) : RecordText(n.name()),
                                   n.name(), n.address()});
        }
    }

    // Presentation.
    RecordText label(ItemId item) const;
    void setLabel(ItemId item, const std::string& label);
    int image(ItemId item) const;
    int selectedImage(ItemId item) const;
    void setImages(ItemId item, int image, int selectedImage);
    bool isExpanded(ItemId item) const;
    // Records the expanded state and switches a folder's image between closed and open.
    void setExpanded(ItemId item, bool expanded);
    // A newly selected childless entry that shows the open folder goes back to closed.
    void selectionChanged(ItemId item);

    // Cut, copy and paste mark.
    ItemId pasteSource() const { return pasteSource_; }
    void setPasteSource(ItemId item) { pasteSource_ = item; }
    const std::string& clipMode() const { return clipMode_; }
    void setClipMode(std::string mode) { clipMode_ = std::move(mode); }

    bool showMenuIcons() const { return showMenuIcons_; }
    void setShowMenuIcons(bool on) { showMenuIcons_ = on; }

    void setIconChooser(NodeIconChooser* chooser) { iconChooser_ = chooser; }
    NodeIconChooser* iconChooser() const { return iconChooser_; }
    void addObserver(TreeObserver* observer);
    void removeObserver(TreeObserver* observer);

    // While one of these lives, observers get one reset instead of a call per entry.
    class BulkUpdate {
      public:
        explicit BulkUpdate(BookmarkTree& tree);
        ~BulkUpdate();
        BulkUpdate(const BulkUpdate&) = delete;
        BulkUpdate& operator=(const BulkUpdate&) = delete;

      private:
        BookmarkTree& tree_;
    };

  private:
    // 40 bytes: a million entries must fit in about 120 MB with their texts.
    struct Node {
        char* text = nullptr;  // name, address and tag one after another, in text_
        std::uint32_t nameSize = 0;
        std::uint32_t addressSize = 0;
        std::uint32_t tagSize = 0;
        ItemId parent = kNoItem;
        std::uint32_t row = 0;
        std::uint32_t children = 0;  // 1 + its index in childLists_; 0 while it has none
        std::int16_t image = 0;
        std::int16_t selectedImage = 0;
        bool alive = false;
        bool expanded = false;
        bool ownLabel = false;  // label differs from the name; kept in labels_

        std::size_t textSize() const { return std::size_t(nameSize) + addressSize + tagSize; }
        std::string_view name() const { return {text, nameSize}; }
        std::string_view address() const { return {text + nameSize, addressSize}; }
        std::string_view tag() const { return {text + nameSize + addressSize, tagSize}; }
    };
    static_assert(sizeof(Node) <= 40);
    static constexpr unsigned kChunkBits = 10;
    static constexpr ItemId kChunkSize = ItemId(1) << kChunkBits;
    static const std::vector<ItemId> kNoChildren;

    Node* node(ItemId item);
    const Node* node(ItemId item) const;
    Node& allocate(ItemId item);
    void chooseImage(Node& n);
    static bool fitsNode(const NodeRecord& record);
    bool storeText(Node& n, const NodeRecord& record);
    const std::vector<ItemId>& children(const Node& n) const;
    std::vector<ItemId>& ownChildren(Node& n);
    void releaseChildren(Node& n);
    void compactText();
    void notifyChanged(ItemId item);

    int treeKind_;
    // Nodes live in fixed-size chunks indexed by item data; chunk 0 slot 0 is the root.
    std::vector<std::unique_ptr<Node[]>> chunks_;
    TextArena text_;
    std::size_t deadText_ = 0;  // bytes in text_ that no entry uses any more
    // Child lists of the entries that have had children; free slots are reused.
    std::vector<std::vector<ItemId>> childLists_;
    std::vector<std::uint32_t> freeChildLists_;
    std::unordered_map<ItemId, std::string> labels_;
    ItemId nextItemData_ = 0;
    ItemId itemDataLimit_ = UINT32_MAX;
    size_t count_ = 0;
    ItemId pasteSource_ = kNoItem;
    std::string clipMode_;
    bool showMenuIcons_ = true;
    NodeIconChooser* iconChooser_ = nullptr;
    std::vector<TreeObserver*> observers_;
    int bulkDepth_ = 0;
};

}  // namespace brivanta
