#include "core/trees/TreeFilter.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace brivanta {

namespace {
// Below this many entries one thread searches; above it the entries are shared out among
// the processor's threads (the matching only reads the tree).
constexpr size_t kEntriesPerThread = 16384;
constexpr unsigned kMaxThreads = 4;
}  // namespace

template <typename ItemAt, typename AddressOnly>
TreeFilter::Found TreeFilter::matching(size_t count, ItemAt itemAt, AddressOnly addressOnly) const {
    auto searchSlice = [&](size_t begin, size_t end, Found& out) {
        // A short query matches most of a tree: room for all at once, not step by step
        // (what is reserved and not used costs no memory that is ever touched).
        out.hits.reserve(end - begin);
        out.parents.reserve(end - begin);
        out.addressOnly.reserve(end - begin);
        auto sliceItem = [&](size_t i) { return itemAt(begin + i); };
        tree_.visitTexts(
            end - begin, sliceItem, [&](size_t i, const BookmarkTree::ScannedEntry& e) {
                // The label is most often the name itself: compare where they lie before the text.
                bool byLabel =
                    !addressOnly(begin + i) &&
                    (matcher_.matches(e.label) || (e.name.data() != e.label.data() &&
                                                   e.name != e.label && matcher_.matches(e.name)));
                if (byLabel || matcher_.contains(e.address)) {
                    out.hits.push_back(e.item);
                    out.parents.push_back(e.parent);
                    out.addressOnly.push_back(byLabel ? 0 : 1);
                }
            });
    };
    unsigned threads = std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, kMaxThreads);
    threads = static_cast<unsigned>(std::min<size_t>(threads, count / kEntriesPerThread + 1));
    std::vector<Found> found(threads);
    std::vector<std::thread> workers;
    size_t slice = count / threads + 1;
    for (unsigned t = 1; t < threads; ++t) {
        size_t begin = std::min(count, t * slice);
        size_t end = std::min(count, begin + slice);
        try {
            workers.emplace_back(searchSlice, begin, end, std::ref(found[t]));
        } catch (const std::system_error&) {
            searchSlice(begin, end, found[t]);  // no thread to be had: search it here
        }
    }
    searchSlice(0, std::min(count, slice), found[0]);
    for (std::thread& worker : workers)
        worker.join();
    Found out = std::move(found[0]);
    size_t total = 0;
    for (const Found& part : found)
        total += part.hits.size();
    out.hits.reserve(total);
    out.parents.reserve(total);
    out.addressOnly.reserve(total);
    for (unsigned t = 1; t < threads; ++t) {
        out.hits.insert(out.hits.end(), found[t].hits.begin(), found[t].hits.end());
        out.parents.insert(out.parents.end(), found[t].parents.begin(), found[t].parents.end());
        out.addressOnly.insert(out.addressOnly.end(), found[t].addressOnly.begin(),
                               found[t].addressOnly.end());
    }
    return out;
}

void TreeFilter::setQuery(std::string_view query) {
    PinyinMatcher next(query);
    bool narrowing = active() && !next.empty() && next.narrows(matcher_);
    if (active() && next.query() == matcher_.query())
        return;
    matcher_ = std::move(next);
    children_.clear();
    rows_.clear();
    if (!active()) {
        hits_.clear();
        hits_.shrink_to_fit();
        addressOnly_.clear();
        addressOnly_.shrink_to_fit();
        marks_.clear();
        marks_.shrink_to_fit();
        return;
    }
    Found found;
    if (narrowing) {
        // A label that did not hold the shorter query cannot hold this one.
        std::vector<ItemId> previous = std::move(hits_);
        std::vector<std::uint8_t> previousAddressOnly = std::move(addressOnly_);
        found = matching(
            previous.size(), [&](size_t i) { return previous[i]; },
            [&](size_t i) { return previousAddressOnly[i] != 0; });
    } else {
        found = matching(
            tree_.nextItemData(), [](size_t i) { return static_cast<ItemId>(i + 1); },
            [](size_t) { return false; });
    }
    hits_ = std::move(found.hits);
    addressOnly_ = std::move(found.addressOnly);
    markHits(found.parents);
}

void TreeFilter::refresh() {
    std::string query = matcher_.query();
    matcher_ = PinyinMatcher();
    setQuery(query);
}

void TreeFilter::markHits(const std::vector<ItemId>& parents) {
    marks_.assign(static_cast<size_t>(tree_.nextItemData()) + 1, kHidden);
    for (ItemId item : hits_)
        marks_[item] = kHit;
    // The scan gave each hit's parent. Above those the folders are marked a level at a
    // time, all of one level in one pass over the tree, so that their scattered nodes are
    // read ahead instead of one wait each.
    std::vector<ItemId> level;
    for (ItemId up : parents) {
        if (up != kNoItem && marks_[up] == kHidden) {
            marks_[up] = kOnPath;
            level.push_back(up);
        }
    }
    std::vector<ItemId> above;
    while (!level.empty()) {
        above.clear();
        tree_.visitTexts(
            level.size(), [&](size_t i) { return level[i]; },
            [&](size_t, const BookmarkTree::ScannedEntry& e) {
                if (e.parent != kNoItem && marks_[e.parent] == kHidden) {
                    marks_[e.parent] = kOnPath;
                    above.push_back(e.parent);
                }
            });
        level.swap(above);
    }
}

bool TreeFilter::isHit(ItemId item) const {
    return active() && markOf(item) == kHit;
}

bool TreeFilter::isShown(ItemId item) const {
    if (!active())
        return tree_.contains(item);
    return markOf(item) != kHidden;
}

const std::vector<ItemId>& TreeFilter::shownChildren(ItemId parent) const {
    auto [it, added] = children_.try_emplace(parent);
    if (added) {
        for (ItemId c = tree_.firstChild(parent); c != kNoItem; c = tree_.nextSibling(c)) {
            if (markOf(c) != kHidden) {
                rows_[c] = static_cast<int>(it->second.size());
                it->second.push_back(c);
            }
        }
    }
    return it->second;
}

int TreeFilter::childCount(ItemId parent) const {
    if (!active())
        return tree_.childCount(parent);
    if (parent != kNoItem && markOf(parent) == kHidden)
        return 0;
    return static_cast<int>(shownChildren(parent).size());
}

ItemId TreeFilter::child(ItemId parent, int row) const {
    if (!active())
        return tree_.child(parent, row);
    if (row < 0 || (parent != kNoItem && markOf(parent) == kHidden))
        return kNoItem;
    const std::vector<ItemId>& children = shownChildren(parent);
    return static_cast<size_t>(row) < children.size() ? children[row] : kNoItem;
}

int TreeFilter::row(ItemId item) const {
    if (!active())
        return tree_.row(item);
    if (markOf(item) == kHidden)
        return -1;
    shownChildren(tree_.parent(item));
    auto it = rows_.find(item);
    return it == rows_.end() ? -1 : it->second;
}

template <typename Visit>
void TreeFilter::visitHitsInTreeOrder(Visit visit) const {
    if (!active())
        return;
    // Pre-order over the shown entries only, without recursion (trees may nest deeply).
    ItemId item = tree_.firstChild(kNoItem);
    while (item != kNoItem) {
        std::uint8_t mark = markOf(item);
        if (mark == kHit && !visit(item))
            return;
        if (mark != kHidden && tree_.hasChildren(item)) {
            item = tree_.firstChild(item);
            continue;
        }
        while (item != kNoItem && tree_.nextSibling(item) == kNoItem)
            item = tree_.parent(item);
        if (item != kNoItem)
            item = tree_.nextSibling(item);
    }
}

std::vector<ItemId> TreeFilter::hitsInTreeOrder(size_t limit) const {
    std::vector<ItemId> out;
    if (limit == 0)
        return out;
    visitHitsInTreeOrder([&](ItemId item) {
        out.push_back(item);
        return out.size() < limit;
    });
    return out;
}

ItemId TreeFilter::firstLink() const {
    ItemId found = kNoItem;
    visitHitsInTreeOrder([&](ItemId item) {
        RecordRef record = tree_.LookupRecord(item);
        if (record && !record->address.empty())
            found = item;
        return found == kNoItem;
    });
    return found;
}

std::string TreeFilter::pathOf(ItemId item) const {
    std::vector<ItemId> chain;
    for (ItemId up = item; up != kNoItem && tree_.contains(up); up = tree_.parent(up))
        chain.push_back(up);
    std::string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!out.empty())
            out.push_back('/');
        out += tree_.label(*it);
    }
    return out;
}

}  // namespace brivanta
