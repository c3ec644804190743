#include "core/trees/BookmarkTree.h"

#include <algorithm>
#include <utility>

#include "core/text/Trim.h"

namespace brivanta {

BookmarkTree::BookmarkTree(int treeKind) : treeKind_(treeKind) {
    chunks_.push_back(std::make_unique<Node[]>(kChunkSize));
    chunks_[0][0].alive = true;  // the root
}

BookmarkTree::~BookmarkTree() {
    std::vector<TreeObserver*> observers;
    observers.swap(observers_);
    for (TreeObserver* o : observers)
        o->treeDestroyed();
}

BookmarkTree::Node* BookmarkTree::node(ItemId item) {
    size_t chunk = item >> kChunkBits;
    if (chunk >= chunks_.size())
        return nullptr;
    Node* n = &chunks_[chunk][item & (kChunkSize - 1)];
    return n->alive ? n : nullptr;
}

const BookmarkTree::Node* BookmarkTree::node(ItemId item) const {
    return const_cast<BookmarkTree*>(this)->node(item);
}

BookmarkTree::Node& BookmarkTree::allocate(ItemId item) {
    size_t chunk = item >> kChunkBits;
    while (chunks_.size() <= chunk)
        chunks_.push_back(std::make_unique<Node[]>(kChunkSize));
    return chunks_[chunk][item & (kChunkSize - 1)];
}

const std::vector<ItemId> BookmarkTree::kNoChildren;

const std::vector<ItemId>& BookmarkTree::children(const Node& n) const {
    return n.children == 0 ? kNoChildren : childLists_[n.children - 1];
}

std::vector<ItemId>& BookmarkTree::ownChildren(Node& n) {
    if (n.children == 0) {
        if (!freeChildLists_.empty()) {
            n.children = freeChildLists_.back() + 1;
            freeChildLists_.pop_back();
        } else {
            childLists_.emplace_back();
            n.children = static_cast<std::uint32_t>(childLists_.size());
        }
    }
    return childLists_[n.children - 1];
}

void BookmarkTree::releaseChildren(Node& n) {
    if (n.children == 0)
        return;
    std::vector<ItemId>().swap(childLists_[n.children - 1]);
    freeChildLists_.push_back(n.children - 1);
    n.children = 0;
}

bool BookmarkTree::fitsNode(const NodeRecord& record) {
    constexpr std::size_t kMax = UINT32_MAX;
    return record.name.size() <= kMax && record.address.size() <= kMax && record.tag.size() <= kMax;
}

// Puts the record's texts into the arena, over the old ones when they fit.
bool BookmarkTree::storeText(Node& n, const NodeRecord& record) {
    if (!fitsNode(record))
        return false;
    std::size_t size = record.name.size() + record.address.size() + record.tag.size();
    std::size_t old = n.text ? n.textSize() : 0;
    char* p = n.text;
    if (size <= old) {
        deadText_ += old - size;
    } else {
        deadText_ += old;
        p = text_.allocate(size);
    }
    n.text = p;
    n.nameSize = static_cast<std::uint32_t>(record.name.size());
    n.addressSize = static_cast<std::uint32_t>(record.address.size());
    n.tagSize = static_cast<std::uint32_t>(record.tag.size());
    if (size > 0) {
        char* out = std::copy(record.name.begin(), record.name.end(), p);
        out = std::copy(record.address.begin(), record.address.end(), out);
        std::copy(record.tag.begin(), record.tag.end(), out);
    }
    return true;
}

// Copies the texts of the living entries into a fresh arena, once most of the old one is
// dead, so that deleting and adding entries for a whole session does not grow without end.
void BookmarkTree::compactText() {
    TextArena fresh;
    for (ItemId item = 1; item <= nextItemData_; ++item) {
        Node* n = node(item);
        if (!n || !n->text)
            continue;
        std::size_t size = n->textSize();
        char* p = fresh.allocate(size);
        std::copy_n(n->text, size, p);
        n->text = p;
    }
    text_ = std::move(fresh);
    deadText_ = 0;
}

bool BookmarkTree::contains(ItemId item) const {
    return item != kNoItem && node(item) != nullptr;
}

void BookmarkTree::chooseImage(Node& n) {
    int image = -1;
    if (iconChooser_) {
        if (n.tagSize > 0) {
            image = iconChooser_->imageForTag(n.tag());
        } else {
            std::string_view address = text::trimLeft(n.address());
            if (!address.empty())
                image = iconChooser_->imageForAddress(address);
        }
    }
    if (image < 0 || image > INT16_MAX)
        image = kClosedFolderImage;
    n.image = n.selectedImage = static_cast<std::int16_t>(image);
}

ItemId BookmarkTree::InsertNode(const NodeRecord& record, ItemId parentItem) {
    Node* parentNode = node(parentItem);
    if (!parentNode)
        return kNoItem;
    if (itemDataLeft() == 0)
        return kNoItem;  // item data exhausted
    if (!fitsNode(record))
        return kNoItem;
    ItemId item = nextItemData_ + 1;
    int row = static_cast<int>(children(*parentNode).size());
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->aboutToInsert(parentItem, row);
    }
    Node& n = allocate(item);
    parentNode = node(parentItem);  // allocation never moves nodes, but stay obviously safe
    n = Node{};
    storeText(n, record);
    n.parent = parentItem;
    n.row = static_cast<std::uint32_t>(row);
    n.alive = true;
    chooseImage(n);
    ownChildren(*parentNode).push_back(item);
    nextItemData_ = item;
    ++count_;
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->inserted(parentItem, row, item);
    }
    return item;
}

void BookmarkTree::DeleteNode(ItemId item) {
    if (!contains(item))
        return;
    Node* n = node(item);
    ItemId parentItem = n->parent;
    int row = static_cast<int>(n->row);
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->aboutToRemove(parentItem, row, item);
    }
    // Free the subtree without recursion: deep trees must not exhaust the stack.
    std::vector<ItemId> pending{item};
    while (!pending.empty()) {
        ItemId current = pending.back();
        pending.pop_back();
        Node* c = node(current);
        const std::vector<ItemId>& below = children(*c);
        pending.insert(pending.end(), below.begin(), below.end());
        releaseChildren(*c);
        if (c->ownLabel)
            labels_.erase(current);
        deadText_ += c->textSize();
        *c = Node{};
        --count_;
    }
    if (pasteSource_ != kNoItem && !contains(pasteSource_))
        pasteSource_ = kNoItem;
    std::vector<ItemId>& siblings = ownChildren(*node(parentItem));
    siblings.erase(siblings.begin() + row);
    for (size_t i = static_cast<size_t>(row); i < siblings.size(); ++i) {
        node(siblings[i])->row = static_cast<std::uint32_t>(i);
    }
    constexpr std::size_t kSmallArena = 4u << 20;
    if (deadText_ > kSmallArena && deadText_ > text_.held() / 2)
        compactText();
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->removed(parentItem, row);
    }
}

void BookmarkTree::DeleteNode() {
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->aboutToReset();
    }
    chunks_.clear();
    chunks_.push_back(std::make_unique<Node[]>(kChunkSize));
    chunks_[0][0].alive = true;
    text_.clear();
    deadText_ = 0;
    childLists_.clear();
    freeChildLists_.clear();
    labels_.clear();
    nextItemData_ = 0;
    count_ = 0;
    pasteSource_ = kNoItem;
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->reset();
    }
}

RecordRef BookmarkTree::LookupRecord(ItemId item) const {
    if (item == kNoItem)
        return nullptr;
    const Node* n = node(item);
    if (!n)
        return nullptr;
    return RecordRef(
        RecordView{RecordText(n->name()), RecordText(n->address()), RecordText(n->tag())});
}

void BookmarkTree::SetRecord(ItemId item, const NodeRecord& record) {
    if (item == kNoItem)
        return;
    Node* n = node(item);
    if (!n)
        return;
    // The label is set separately: keep showing the old name until the caller does.
    if (!n->ownLabel && n->name() != record.name) {
        labels_[item] = n->name();
        n->ownLabel = true;
    } else if (n->ownLabel && labels_[item] == record.name) {
        labels_.erase(item);
        n->ownLabel = false;
    }
    if (!storeText(*n, record))
        return;
    notifyChanged(item);
}

NodeState BookmarkTree::nodeState(ItemId item) const {
    NodeState state;
    const Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return state;
    state.record =
        NodeRecord{std::string(n->name()), std::string(n->address()), std::string(n->tag())};
    if (n->ownLabel) {
        state.ownLabel = true;
        state.label = labels_.at(item);
    }
    state.image = n->image;
    state.selectedImage = n->selectedImage;
    state.expanded = n->expanded;
    return state;
}

std::vector<NodeState> BookmarkTree::captureSubtree(ItemId item) const {
    std::vector<NodeState> nodes;
    if (!contains(item))
        return nodes;
    std::vector<std::pair<ItemId, int>> pending{{item, 0}};
    while (!pending.empty()) {
        auto [current, depth] = pending.back();
        pending.pop_back();
        const Node* n = node(current);
        nodes.push_back(nodeState(current));
        nodes.back().depth = depth;
        const std::vector<ItemId>& below = children(*n);
        for (auto it = below.rbegin(); it != below.rend(); ++it)
            pending.emplace_back(*it, depth + 1);
    }
    return nodes;
}

std::vector<NodeState> BookmarkTree::takeSubtree(ItemId item) {
    // The labels move out; the texts live in the arena and are copied.
    std::vector<NodeState> nodes = captureSubtree(item);
    if (!nodes.empty())
        DeleteNode(item);
    return nodes;
}

ItemId BookmarkTree::insertSubtree(ItemId parentItem, int row,
                                   const std::vector<NodeState>& nodes) {
    Node* parentNode = node(parentItem);
    if (!parentNode || row < 0 || static_cast<size_t>(row) > children(*parentNode).size() ||
        nodes.empty() || nodes.front().depth != 0)
        return kNoItem;
    if (nodes.size() > itemDataLeft())
        return kNoItem;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!fitsNode(nodes[i].record))
            return kNoItem;
        if (i > 0 && (nodes[i].depth < 1 || nodes[i].depth > nodes[i - 1].depth + 1))
            return kNoItem;
    }
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->aboutToInsert(parentItem, row);
    }
    const ItemId first = nextItemData_ + 1;
    // chain[d]: the entry last placed at depth d, the parent of the next one at depth d + 1.
    std::vector<ItemId> chain;
    for (const NodeState& state : nodes) {
        ItemId item = ++nextItemData_;
        Node& n = allocate(item);
        n = Node{};
        storeText(n, state.record);
        n.image = state.image;
        n.selectedImage = state.selectedImage;
        n.expanded = state.expanded;
        n.alive = true;
        if (state.ownLabel) {
            labels_[item] = state.label;
            n.ownLabel = true;
        }
        chain.resize(static_cast<size_t>(state.depth));
        if (state.depth > 0) {
            std::vector<ItemId>& siblings = ownChildren(*node(chain.back()));
            n.parent = chain.back();
            n.row = static_cast<std::uint32_t>(siblings.size());
            siblings.push_back(item);
        }
        chain.push_back(item);
    }
    count_ += nodes.size();
    Node* top = node(first);
    top->parent = parentItem;
    top->row = static_cast<std::uint32_t>(row);
    std::vector<ItemId>& siblings = ownChildren(*node(parentItem));
    siblings.insert(siblings.begin() + row, first);
    for (size_t i = static_cast<size_t>(row) + 1; i < siblings.size(); ++i)
        node(siblings[i])->row = static_cast<std::uint32_t>(i);
    if (bulkDepth_ == 0) {
        for (TreeObserver* o : observers_)
            o->inserted(parentItem, row, first);
    }
    return first;
}

ItemId BookmarkTree::insertSubtree(ItemId parentItem, int row, std::vector<NodeState>&& nodes) {
    ItemId first = insertSubtree(parentItem, row, std::as_const(nodes));
    // The texts went into the arena: what the caller handed over is spent.
    if (first != kNoItem)
        nodes.clear();
    return first;
}

void BookmarkTree::restoreState(ItemId item, const NodeState& state) {
    Node* n = item == kNoItem ? nullptr : node(item);
    if (!n || !storeText(*n, state.record))
        return;
    if (state.ownLabel) {
        labels_[item] = state.label;
    } else if (n->ownLabel) {
        labels_.erase(item);
    }
    n->ownLabel = state.ownLabel;
    n->image = state.image;
    n->selectedImage = state.selectedImage;
    n->expanded = state.expanded;
    notifyChanged(item);
}

ItemId BookmarkTree::parent(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    return n ? n->parent : kNoItem;
}

int BookmarkTree::row(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    return n ? static_cast<int>(n->row) : -1;
}

int BookmarkTree::childCount(ItemId parentItem) const {
    const Node* n = node(parentItem);
    return n ? static_cast<int>(children(*n).size()) : 0;
}

ItemId BookmarkTree::child(ItemId parentItem, int row) const {
    const Node* n = node(parentItem);
    if (!n || row < 0)
        return kNoItem;
    const std::vector<ItemId>& list = children(*n);
    return static_cast<size_t>(row) < list.size() ? list[static_cast<size_t>(row)] : kNoItem;
}

ItemId BookmarkTree::nextSibling(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return kNoItem;
    return child(n->parent, static_cast<int>(n->row) + 1);
}

bool BookmarkTree::isWithin(ItemId item, ItemId ancestor) const {
    if (!contains(item))
        return false;
    for (ItemId i = item; i != kNoItem; i = parent(i)) {
        if (i == ancestor)
            return true;
    }
    return ancestor == kNoItem;
}

int BookmarkTree::depth(ItemId item) const {
    int d = 0;
    for (ItemId i = parent(item); i != kNoItem; i = parent(i))
        ++d;
    return d;
}

RecordText BookmarkTree::label(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return {};
    return RecordText(n->ownLabel ? std::string_view(labels_.at(item)) : n->name());
}

void BookmarkTree::setLabel(ItemId item, const std::string& label) {
    Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return;
    if (label == n->name()) {
        if (n->ownLabel)
            labels_.erase(item);
        n->ownLabel = false;
    } else {
        labels_[item] = label;
        n->ownLabel = true;
    }
    notifyChanged(item);
}

int BookmarkTree::image(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    return n ? n->image : 0;
}

int BookmarkTree::selectedImage(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    return n ? n->selectedImage : 0;
}

void BookmarkTree::setImages(ItemId item, int image, int selectedImage) {
    Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return;
    auto clamp = [](int v) { return static_cast<std::int16_t>(std::clamp(v, 0, INT16_MAX)); };
    n->image = clamp(image);
    n->selectedImage = clamp(selectedImage);
    notifyChanged(item);
}

bool BookmarkTree::isExpanded(ItemId item) const {
    const Node* n = item == kNoItem ? nullptr : node(item);
    return n && n->expanded;
}

void BookmarkTree::setExpanded(ItemId item, bool expanded) {
    Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return;
    n->expanded = expanded;
    // Only entries that show a folder image follow the expanded state; links keep theirs.
    if (n->image <= kOpenFolderImage && n->selectedImage <= kOpenFolderImage) {
        n->image = n->selectedImage = expanded ? kOpenFolderImage : kClosedFolderImage;
    }
    notifyChanged(item);
}

void BookmarkTree::selectionChanged(ItemId item) {
    Node* n = item == kNoItem ? nullptr : node(item);
    if (!n)
        return;
    if (n->image <= kOpenFolderImage && n->selectedImage <= kOpenFolderImage &&
        (n->image == kOpenFolderImage || n->selectedImage == kOpenFolderImage) &&
        children(*n).empty()) {
        n->image = n->selectedImage = kClosedFolderImage;
        notifyChanged(item);
    }
}

void BookmarkTree::addObserver(TreeObserver* observer) {
    observers_.push_back(observer);
}

void BookmarkTree::removeObserver(TreeObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void BookmarkTree::notifyChanged(ItemId item) {
    if (bulkDepth_ > 0)
        return;
    for (TreeObserver* o : observers_)
        o->changed(item);
}

BookmarkTree::BulkUpdate::BulkUpdate(BookmarkTree& tree) : tree_(tree) {
    if (tree_.bulkDepth_++ == 0) {
        for (TreeObserver* o : tree_.observers_)
            o->aboutToReset();
    }
}

BookmarkTree::BulkUpdate::~BulkUpdate() {
    if (--tree_.bulkDepth_ == 0) {
        for (TreeObserver* o : tree_.observers_)
            o->reset();
    }
}

}  // namespace brivanta
