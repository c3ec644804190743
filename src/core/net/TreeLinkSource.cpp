#include "core/net/TreeLinkSource.h"

#include "core/trees/BookmarkTree.h"

namespace brivanta::net {

TreeLinkSource::TreeLinkSource(const BookmarkTree& tree, ItemId folder)
    : tree_(tree), start_(folder) {
    if (folder == kNoItem)
        at_ = tree.firstChild(kNoItem);
    else
        at_ = tree.contains(folder) ? folder : kNoItem;
}

// The entry after `item` in pre-order within the start, without recursion.
ItemId TreeLinkSource::advance(ItemId item) const {
    if (ItemId child = tree_.firstChild(item); child != kNoItem)
        return child;
    while (item != start_ && item != kNoItem) {
        if (ItemId sibling = tree_.nextSibling(item); sibling != kNoItem)
            return sibling;
        item = tree_.parent(item);
    }
    return kNoItem;
}

bool TreeLinkSource::next(LinkJob& job) {
    while (at_ != kNoItem) {
        ItemId item = at_;
        at_ = advance(item);
        RecordRef record = tree_.LookupRecord(item);
        if (record && linkKind(record->address) != LinkKind::unchecked) {
            job.address.assign(record->address);
            job.tag = item;
            return true;
        }
    }
    return false;
}

std::size_t TreeLinkSource::count(const BookmarkTree& tree, ItemId folder) {
    TreeLinkSource source(tree, folder);
    LinkJob job;
    std::size_t n = 0;
    while (source.next(job))
        ++n;
    return n;
}

}  // namespace brivanta::net
