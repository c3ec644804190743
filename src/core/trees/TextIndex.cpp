#include "core/trees/TextIndex.h"

namespace brivanta {

void TextIndex::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    const size_t mask = slots_.size() - 1;
    // Every entry is already unique: each goes to the first free slot from its hash.
    for (const Slot& slot : old) {
        if (slot.item == kNoItem)
            continue;
        size_t at = slot.hash & mask;
        while (slots_[at].item != kNoItem)
            at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

}  // namespace brivanta
