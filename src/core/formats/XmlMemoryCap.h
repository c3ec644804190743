#pragma once

#include <cstddef>

namespace brivanta {

// The XML library takes its memory through one pair of functions for the whole program. While
// one of these lives, what the current thread's documents take is counted and refused past
// `limit`, so a small hostile file (millions of empty elements, each a node many times its
// size) ends as "out of memory" for that parse instead of filling the machine. Documents are
// to be destroyed before the cap that was alive when they were made.
class XmlMemoryCap {
  public:
    explicit XmlMemoryCap(std::size_t limit);
    ~XmlMemoryCap();
    XmlMemoryCap(const XmlMemoryCap&) = delete;
    XmlMemoryCap& operator=(const XmlMemoryCap&) = delete;

    // An allocation was refused because it would have gone past the limit.
    bool exceeded() const { return exceeded_; }
    std::size_t used() const { return used_; }

  private:
    friend struct XmlMemoryHooks;
    std::size_t limit_;
    std::size_t used_ = 0;
    bool exceeded_ = false;
    XmlMemoryCap* outer_;
};

}  // namespace brivanta
