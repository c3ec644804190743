#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/trees/BookmarkTree.h"
#include "core/trees/PinyinMatcher.h"

namespace brivanta {

// What a search leaves of a tree: the entries whose label, name or address holds the query
// (see PinyinMatcher), and the folders that lead to them. It keeps marks by item data, not a
// copy of the tree, and answers the same structural questions as the tree so that a view can
// show the filtered tree directly. The tree must outlive the filter; after the tree changes,
// call refresh() before asking again.
class TreeFilter {
  public:
    explicit TreeFilter(const BookmarkTree& tree) : tree_(tree) {}

    // Searches for `query` (GBK). A query that extends the previous one looks only at the
    // previous hits. An empty query ends the search: everything is shown again.
    void setQuery(std::string_view query);
    // Searches the whole tree again for the same query (the tree changed).
    void refresh();
    void clear() { setQuery({}); }

    bool active() const { return !matcher_.empty(); }
    const std::string& query() const { return matcher_.query(); }
    // Hits in item-data order.
    const std::vector<ItemId>& hits() const { return hits_; }
    size_t hitCount() const { return hits_.size(); }
    bool isHit(ItemId item) const;
    // A hit, or a folder above one (always true while the search is not active).
    bool isShown(ItemId item) const;

    // The filtered structure; kNoItem is the top level. Without an active search these are
    // the tree's own answers.
    int childCount(ItemId parent) const;
    // Whether childCount(parent) > 0, without listing the children (a view asks this of
    // every row it lays out).
    bool hasChildren(ItemId parent) const;
    ItemId child(ItemId parent, int row) const;
    int row(ItemId item) const;

    // Hits in tree order (pre-order), at most `limit` of them.
    std::vector<ItemId> hitsInTreeOrder(size_t limit = SIZE_MAX) const;
    // The first hit in tree order that has an address (a link, not a folder), or kNoItem.
    ItemId firstLink() const;
    // Labels from the top level down to `item`, joined by "/" (GBK): where a hit lives.
    std::string pathOf(ItemId item) const;

  private:
    enum Mark : std::uint8_t { kHidden = 0, kOnPath = 1, kHit = 2 };

    // What a scan finds, in the order scanned: the hits, the parent of each, and for each
    // whether only its address matched (a narrower query then reads only the address).
    struct Found {
        std::vector<ItemId> hits, parents;
        std::vector<std::uint8_t> addressOnly;
    };
    // The entries itemAt(0 .. count - 1) that match (kNoItem is skipped); addressOnly(i)
    // says that the label and name of entry i are known not to match.
    template <typename ItemAt, typename AddressOnly>
    Found matching(size_t count, ItemAt itemAt, AddressOnly addressOnly) const;
    void markHits(const std::vector<ItemId>& parents);
    // Calls visit(item) for each hit in tree order while it returns true.
    template <typename Visit>
    void visitHitsInTreeOrder(Visit visit) const;
    // The shown children of a shown folder, listed the first time a view asks for them. The
    // pointer holds until the next folder is listed.
    struct Children {
        const ItemId* first;
        int count;
    };
    Children shownChildren(ItemId parent) const;
    // Forgets every listed folder (a new search).
    void dropStructure();
    std::uint8_t markOf(ItemId item) const {
        return item < marks_.size() ? marks_[item] : std::uint8_t{kHidden};
    }

    const BookmarkTree& tree_;
    PinyinMatcher matcher_;
    std::vector<ItemId> hits_;
    std::vector<std::uint8_t> addressOnly_;  // by hit, as Found::addressOnly
    std::vector<std::uint8_t> marks_;        // by item data
    // Built when a view first asks for a folder's rows, in flat arrays by item data (index 0
    // is the top level), so that a view's questions cost no hashing; dropped with every new
    // search. A folder's children are childList_[childStart_[folder] - 1 ...], the count
    // first; 0 means not listed yet. rowOf_ is valid for the children of listed folders.
    mutable std::vector<std::uint32_t> childStart_;
    mutable std::vector<ItemId> childList_;
    mutable std::vector<int> rowOf_;
    mutable std::vector<ItemId> listed_;
};

}  // namespace brivanta
