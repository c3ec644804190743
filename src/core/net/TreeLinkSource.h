#pragma once

#include <cstddef>

#include "core/net/LinkChecker.h"
#include "core/trees/TreeKind.h"

namespace brivanta {
class BookmarkTree;
}

namespace brivanta::net {

// Hands out the links of a tree, or of one folder of it, in pre-order, one at a time, so a
// check holds only the links it is working on. Each job's tag is the entry's item data.
// Only addresses the checker looks at (web and file) are handed out; the tree must not
// change while the source is in use.
class TreeLinkSource {
  public:
    explicit TreeLinkSource(const BookmarkTree& tree, ItemId folder = kNoItem);
    bool next(LinkJob& job);

    // How many links next() will hand out in all (for a progress count).
    static std::size_t count(const BookmarkTree& tree, ItemId folder = kNoItem);

  private:
    ItemId advance(ItemId item) const;

    const BookmarkTree& tree_;
    ItemId start_;
    ItemId at_;  // the next entry to look at; kNoItem when done
};

}  // namespace brivanta::net
