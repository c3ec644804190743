#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>

namespace brivanta {

// What one import or receipt may add to a tree, and what it did add. Every reader of outside
// data (bookmark files, browser stores, pages, favorites folders, tree files brought in,
// transfers and mails) charges each entry it adds here and stops when a limit is reached,
// so a hostile file costs bounded memory and a tree stays shallow enough to show and print.
class ImportBudget {
  public:
    // Levels of a tree: the top level is level 1. Far beyond any real collection; an entry
    // that would be deeper is attached at this level instead (after its folder, not in it).
    static constexpr int kMaxDepth = 1000;
    // Entries one import may add: the same as one received transfer.
    static constexpr std::size_t kMaxEntries = 5'000'000;
    // Estimated tree memory one import may add: each entry costs kEntryOverhead besides its
    // text (above the 47 to 104 bytes measured per entry by shape, see EntryCostTest).
    static constexpr std::uint64_t kMaxMemory = 512ull << 20;
    static constexpr std::uint64_t kEntryOverhead = 128;

    enum class Stop { None, Entries, Memory };

    explicit ImportBudget(std::size_t maxEntries = kMaxEntries,
                          std::uint64_t maxMemory = kMaxMemory, int maxDepth = kMaxDepth)
        : maxEntries_(maxEntries), maxMemory_(maxMemory), maxDepth_(maxDepth < 1 ? 1 : maxDepth) {}

    // No limit at all: the user's own tree file is loaded as it is.
    static ImportBudget unlimited() { return ImportBudget(SIZE_MAX, UINT64_MAX, INT_MAX); }

    // Charges one entry with `textBytes` of text. False, charging nothing, once a limit is
    // reached; from then on every call is false.
    bool take(std::size_t textBytes);
    // A reader stopped at a limit of its own (entries read, say): the import ends here.
    void stopAt(Stop why) {
        if (stop_ == Stop::None)
            stop_ = why;
    }
    // One entry was attached at the deepest level instead of deeper.
    void noteFlattened() { ++flattened_; }

    Stop stop() const { return stop_; }
    bool stopped() const { return stop_ != Stop::None; }
    std::size_t entries() const { return entries_; }
    std::uint64_t memory() const { return memory_; }
    std::size_t flattened() const { return flattened_; }
    std::size_t maxEntries() const { return maxEntries_; }
    std::uint64_t maxMemory() const { return maxMemory_; }
    int maxDepth() const { return maxDepth_; }

  private:
    std::size_t maxEntries_;
    std::uint64_t maxMemory_;
    int maxDepth_;
    std::size_t entries_ = 0;
    std::uint64_t memory_ = 0;
    std::size_t flattened_ = 0;
    Stop stop_ = Stop::None;
};

// What a person is told about the limits after an import (UTF-8, one line each): where it
// stopped and why, and how many entries were attached at the deepest level. "" when no
// limit was met.
std::string importBudgetText(const ImportBudget& budget);

}  // namespace brivanta
