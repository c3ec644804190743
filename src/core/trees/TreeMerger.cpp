#include "core/trees/TreeMerger.h"

#include "core/text/Encoding.h"

namespace brivanta {

namespace {

bool isControlOrSpace(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}

}  // namespace

std::string cleanImportedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    bool pendingBlank = false;
    for (char c : name) {
        // Control bytes and blanks are never part of a GBK or GB18030 double-byte character.
        if (isControlOrSpace(static_cast<unsigned char>(c))) {
            pendingBlank = !out.empty();
            continue;
        }
        if (pendingBlank)
            out += ' ';
        pendingBlank = false;
        out += c;
    }
    // The tree file reads a leading "->" or "|" as a change of level; the full-width forms
    // look the same to a person and keep the entry where it belongs.
    if (out.starts_with('|')) {
        out.replace(0, 1, text::gbk("｜"));
    } else if (out.starts_with("->")) {
        out.replace(0, 1, text::gbk("－"));
    }
    return out;
}

std::string cleanImportedAddress(std::string_view address) {
    std::string out;
    out.reserve(address.size());
    for (char c : address) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            continue;
        out += c;
    }
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

TreeMerger::TreeMerger(BookmarkTree& tree, ItemId parent, MergeProgress progress,
                       ImportBudget budget)
    : tree_(tree), progress_(std::move(progress)), budget_(budget) {
    frames_.emplace_back();
    frames_.back().folder = tree_.contains(parent) ? parent : kNoItem;
    if (frames_.back().folder != kNoItem)
        baseLevel_ = tree_.depth(frames_.back().folder) + 1;
}

void TreeMerger::index(Frame& frame) {
    if (frame.indexed)
        return;
    frame.indexed = true;
    int count = tree_.childCount(frame.folder);
    for (int r = 0; r < count; ++r) {
        ItemId child = tree_.child(frame.folder, r);
        RecordRef record = tree_.LookupRecord(child);
        if (record->address.empty())
            frame.folders.insert(record->name, child, nameOf());
        else
            frame.addresses.insert(record->address, child, addressOf());
    }
}

ItemId TreeMerger::insert(NodeRecord& record) {
    if (!budget_.take(record.name.size() + record.address.size()))
        return kNoItem;
    ItemId item = tree_.InsertNode(record, current().folder);
    if (item == kNoItem) {
        full_ = true;
        return kNoItem;
    }
    ++added_;
    if (!current().made)
        roots_.push_back(item);
    if (flattenedFolders_ > 0)
        budget_.noteFlattened();
    if (progress_)
        progress_(record.name);
    return item;
}

void TreeMerger::openFolder(std::string_view name, std::string_view address) {
    if (stopped()) {
        ++droppedFolders_;
        return;
    }
    name_ = cleanImportedName(name);
    address_ = cleanImportedAddress(address);
    if (name_.empty() && !address_.empty())
        name_ = cleanImportedName(address_);
    Frame& frame = current();
    index(frame);
    const bool isLink = !address_.empty();
    // At the deepest level a folder is made (or found) but not entered: what it holds comes
    // after it, at the same level.
    const bool atLimit = flattenedFolders_ > 0 ||
                         baseLevel_ + static_cast<long long>(frames_.size()) >= budget_.maxDepth();
    const ItemId found =
        isLink ? frame.addresses.find(address_, addressOf()) : frame.folders.find(name_, nameOf());
    if (found != kNoItem) {
        ++skipped_;
        if (atLimit) {
            ++flattenedFolders_;
            return;
        }
        Frame inner;
        inner.folder = found;
        frames_.push_back(std::move(inner));
        return;
    }
    NodeRecord record{name_, address_, {}};
    ItemId item = insert(record);
    if (item == kNoItem) {
        ++droppedFolders_;
        return;
    }
    RecordRef made = tree_.LookupRecord(item);
    if (isLink)
        frame.addresses.insert(made->address, item, addressOf());
    else
        frame.folders.insert(made->name, item, nameOf());
    if (atLimit) {
        ++flattenedFolders_;
        return;
    }
    Frame inner;
    inner.folder = item;
    inner.indexed = true;  // new: nothing in it yet
    inner.made = true;
    frames_.push_back(std::move(inner));
}

void TreeMerger::closeFolder() {
    if (droppedFolders_ > 0) {
        --droppedFolders_;
        return;
    }
    if (flattenedFolders_ > 0) {
        --flattenedFolders_;
        return;
    }
    if (frames_.size() > 1)
        frames_.pop_back();
}

void TreeMerger::addLink(std::string_view name, std::string_view address) {
    if (stopped())
        return;
    address_ = cleanImportedAddress(address);
    if (address_.empty()) {
        ++skipped_;
        return;
    }
    Frame& frame = current();
    index(frame);
    if (frame.addresses.find(address_, addressOf()) != kNoItem) {
        ++skipped_;
        return;
    }
    name_ = cleanImportedName(name);
    if (name_.empty())
        name_ = cleanImportedName(address_);  // as browsers show an untitled link
    NodeRecord record{name_, address_, {}};
    ItemId item = insert(record);
    if (item != kNoItem)
        frame.addresses.insert(tree_.LookupRecord(item)->address, item, addressOf());
}

}  // namespace brivanta
