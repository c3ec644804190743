#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/trees/BookmarkTree.h"

namespace brivanta {

// Entries of a folder by a text of theirs (the address of a link, the name of a folder), for
// the merge of an import. One flat table with linear probing of 8 bytes a slot, each an entry
// and its text's hash; the text itself is asked of `textOf(item)` when hashes match. A node
// per text (std::unordered_set) made the lookups of a large folder cost more than the rest of
// an import together, and took more memory.
class TextIndex {
  public:
    // The entry stored for `text`, or kNoItem.
    template <class TextOf>
    ItemId find(std::string_view text, TextOf&& textOf) const {
        if (size_ == 0)
            return kNoItem;
        return slots_[slotOf(text, hashOf(text), textOf)].item;
    }

    // Adds `item` under `text` unless an entry with that text is there already (the first one
    // stays).
    template <class TextOf>
    void insert(std::string_view text, ItemId item, TextOf&& textOf) {
        if (item == kNoItem)
            return;
        // At most half full, so a probe ends soon.
        if ((size_ + 1) * 2 > slots_.size())
            grow();
        const std::uint32_t hash = hashOf(text);
        Slot& slot = slots_[slotOf(text, hash, textOf)];
        if (slot.item != kNoItem)
            return;
        slot = Slot{hash, item};
        ++size_;
    }

    size_t size() const { return size_; }

  private:
    struct Slot {
        std::uint32_t hash = 0;
        ItemId item = kNoItem;  // kNoItem: the slot is free
    };
    static_assert(sizeof(Slot) == 8);

    static std::uint32_t hashOf(std::string_view text) {
        const std::uint64_t full = std::hash<std::string_view>{}(text);
        return static_cast<std::uint32_t>(full ^ (full >> 32));
    }

    template <class TextOf>
    size_t slotOf(std::string_view text, std::uint32_t hash, TextOf& textOf) const {
        const size_t mask = slots_.size() - 1;
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots_[at];
            if (slot.item == kNoItem || (slot.hash == hash && textOf(slot.item) == text))
                return at;
        }
    }

    void grow();

    std::vector<Slot> slots_;
    size_t size_ = 0;
};

}  // namespace brivanta
