#include "core/trees/TextArena.h"

namespace brivanta {

char* TextArena::allocate(std::size_t size) {
    if (size == 0)
        return nullptr;
    if (size > kOwnBlock) {
        // Keep the current block's cursor: the next short text still goes there.
        auto block = std::make_unique_for_overwrite<char[]>(size);
        char* p = block.get();
        blocks_.push_back(std::move(block));
        held_ += size;
        return p;
    }
    if (size > left_) {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        cursor_ = blocks_.back().get();
        left_ = kBlockSize;
        held_ += kBlockSize;
    }
    char* p = cursor_;
    cursor_ += size;
    left_ -= size;
    return p;
}

void TextArena::clear() {
    blocks_.clear();
    cursor_ = nullptr;
    left_ = 0;
    held_ = 0;
}

}  // namespace brivanta
