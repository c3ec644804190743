#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace brivanta {

// The bytes of many short texts in a few large blocks, so that a tree of a million entries
// makes a few hundred allocations instead of millions. What it hands out never moves; it is
// given back only all at once.
class TextArena {
  public:
    // Room for `size` bytes (nullptr for none).
    char* allocate(std::size_t size);
    void clear();
    // Bytes held in blocks, handed out or not.
    std::size_t held() const { return held_; }

  private:
    static constexpr std::size_t kBlockSize = 256 * 1024;
    // Texts longer than this get a block of their own, so they waste no tail of a block.
    static constexpr std::size_t kOwnBlock = kBlockSize / 16;

    std::vector<std::unique_ptr<char[]>> blocks_;
    char* cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t held_ = 0;
};

}  // namespace brivanta
