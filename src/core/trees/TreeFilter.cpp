#include "core/trees/TreeFilter.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "core/trees/TreeWalk.h"

namespace brivanta {

namespace {
// Below this many entries one thread searches; above it the entries are shared out among
// the processor's threads (the matching only reads the tree).
constexpr size_t kEntriesPerThread = 16384;
constexpr unsigned kMaxThreads = 4;
// Below one hit per this many top-level entries the top level is listed from the hits.
constexpr size_t kHitsPerTopLevelScan = 4;
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
    dropStructure();
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

void TreeFilter::dropStructure() {
    for (ItemId folder : listed_)
        childStart_[folder] = 0;
    listed_.clear();
    childList_.clear();
    if (!active()) {
        childStart_ = {};
        childList_ = {};
        rowOf_ = {};
        listed_ = {};
    }
}

TreeFilter::Children TreeFilter::shownChildren(ItemId parent) const {
    if (parent >= childStart_.size()) {
        auto slots = static_cast<size_t>(tree_.nextItemData()) + 1;
        childStart_.resize(std::max<size_t>(slots, parent + size_t{1}), 0);
        rowOf_.resize(childStart_.size(), -1);
    }
    std::uint32_t start = childStart_[parent];
    if (start == 0) {
        start = static_cast<std::uint32_t>(childList_.size()) + 1;
        childList_.push_back(0);  // the count, filled in below
        int count = 0;
        auto add = [&](ItemId c) {
            if (c >= rowOf_.size()) {
                rowOf_.resize(static_cast<size_t>(c) + 1, -1);
                childStart_.resize(rowOf_.size(), 0);
            }
            rowOf_[c] = count++;
            childList_.push_back(c);
        };
        auto total = static_cast<size_t>(tree_.childCount(parent));
        if (parent == kNoItem && hits_.size() * kHitsPerTopLevelScan < total) {
            // A wide top level and few hits: what shows there are the hits' top-level
            // entries, found from the hits faster than by looking at every entry.
            std::vector<std::pair<int, ItemId>> tops;
            tops.reserve(hits_.size());
            for (ItemId hit : hits_) {
                ItemId top = hit;
                for (ItemId up = tree_.parent(top); up != kNoItem; up = tree_.parent(up))
                    top = up;
                tops.emplace_back(tree_.row(top), top);
            }
            std::sort(tops.begin(), tops.end());
            tops.erase(std::unique(tops.begin(), tops.end()), tops.end());
            for (const auto& [row, top] : tops)
                add(top);
        } else {
            // By row, not by next sibling: the siblings' own nodes need not be read.
            for (size_t r = 0; r < total; ++r) {
                ItemId c = tree_.child(parent, static_cast<int>(r));
                if (markOf(c) != kHidden)
                    add(c);
            }
        }
        childList_[start - 1] = static_cast<ItemId>(count);
        childStart_[parent] = start;
        listed_.push_back(parent);
    }
    return {childList_.data() + start, static_cast<int>(childList_[start - 1])};
}

int TreeFilter::childCount(ItemId parent) const {
    if (!active())
        return tree_.childCount(parent);
    if (parent != kNoItem && markOf(parent) == kHidden)
        return 0;
    return shownChildren(parent).count;
}

bool TreeFilter::hasChildren(ItemId parent) const {
    if (!active())
        return tree_.hasChildren(parent);
    if (parent != kNoItem && markOf(parent) == kHidden)
        return false;
    if (parent < childStart_.size() && childStart_[parent] != 0)
        return childList_[childStart_[parent] - 1] != 0;
    // A folder above a hit always shows something; a hit folder only if one of its children
    // is shown, and the first one found settles it.
    if (parent != kNoItem && markOf(parent) == kOnPath)
        return true;
    for (int r = 0, n = tree_.childCount(parent); r < n; ++r) {
        if (markOf(tree_.child(parent, r)) != kHidden)
            return true;
    }
    return false;
}

ItemId TreeFilter::child(ItemId parent, int row) const {
    if (!active())
        return tree_.child(parent, row);
    if (row < 0 || (parent != kNoItem && markOf(parent) == kHidden))
        return kNoItem;
    Children children = shownChildren(parent);
    return row < children.count ? children.first[row] : kNoItem;
}

int TreeFilter::row(ItemId item) const {
    if (!active())
        return tree_.row(item);
    if (item == kNoItem || markOf(item) == kHidden)
        return -1;
    shownChildren(tree_.parent(item));
    return item < rowOf_.size() ? rowOf_[item] : -1;
}

template <typename Visit>
void TreeFilter::visitHitsInTreeOrder(Visit visit) const {
    if (!active())
        return;
    // Over the shown entries only: a hidden entry has nothing shown below it.
    struct Visitor {
        const TreeFilter& filter;
        Visit& each;
        WalkStep visit(ItemId item, int) {
            std::uint8_t mark = filter.markOf(item);
            if (mark == kHit && !each(item))
                return WalkStep::Stop;
            return mark == kHidden ? WalkStep::Over : WalkStep::Into;
        }
    };
    walkTree(tree_, kNoItem, Visitor{*this, visit});
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
