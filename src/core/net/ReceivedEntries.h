#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "core/formats/StringStream.h"
#include "core/net/MemoryBudget.h"
#include "core/net/ReceivedBytes.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/EntriesAdded.h"
#include "core/trees/ImportBudget.h"

namespace brivanta::net {

// The entries of a received archive stream, built once as its bytes arrive and kept until
// they go into a tree: in pre-order, each with its depth below the top level (0 there, at
// most ImportBudget::kMaxDepth - 1: deeper records are attached at that level), its name
// without the depth prefix and its address and tag without leading blanks, exactly as a
// reader of the stream would add them at the top level. The texts lie one after another
// in blocks, so an entry costs its text and a few bytes, not a tree node.
class ReceivedEntries {
  public:
    explicit ReceivedEntries(int recordWidth = 2);
    ReceivedEntries(ReceivedEntries&&) noexcept = default;
    ReceivedEntries& operator=(ReceivedEntries&&) noexcept = default;

    size_t size() const { return slots_.size(); }
    bool empty() const { return slots_.empty(); }
    int recordWidth() const { return width_; }
    // The depth limit the entries were placed by, and how many were attached at the deepest
    // level instead of deeper.
    const ImportBudget& depthBudget() const { return depth_; }

    // Adds the entries at the end of the top level of `tree` (whose kind has the record
    // width they were read with), stopping where its item data runs out. Observers hear one
    // reset.
    EntriesAdded appendTo(BookmarkTree& tree) const;
    // Writes the entries as records that, appended to an archive whose last record is
    // `lastDepth` levels below the top (0 for the top level or no record), a reader adds as
    // new top-level entries: the bytes a save of the tree would end with.
    void write(StringWriter& out, int lastDepth) const;
    void clear();

    // Building, as the stream's bytes arrive (RecordScanner tells where strings end). Each
    // piece of text is paid for from `charge` before it is kept; false when the charge was
    // refused, keeping nothing of that piece.
    void beginString(bool wide);
    bool addBytes(const char* data, size_t size, MemoryCharge& charge);
    bool endString(MemoryCharge& charge);
    // The record whose strings just ended becomes an entry. Its place in the list
    // (kSlotBytes) is the caller's to pay for, with what else the record costs it.
    void endRecord();
    // Lets go of the record under way (the stream ended inside it).
    void dropUnfinished(MemoryCharge& charge);

    // What one entry takes in the list besides its text.
    static constexpr std::uint64_t kSlotBytes = 16;

  private:
    struct Slot {
        std::int32_t depth;
        std::uint32_t sizes[3];
    };
    static_assert(sizeof(Slot) == kSlotBytes);
    enum class Head { blanks, dash, bars, done };
    bool store(const char* data, size_t size, MemoryCharge& charge);
    bool feed(const char* data, size_t size, MemoryCharge& charge);
    bool finishHead(MemoryCharge& charge);
    void giveBackWide(MemoryCharge& charge);

    int width_;
    ReceivedBytes texts_;
    std::deque<Slot> slots_;
    ImportBudget depth_;
    // The record under way.
    std::uint64_t recordStart_ = 0;
    std::uint64_t stringStart_ = 0;
    std::uint32_t sizes_[3] = {};
    int part_ = 0;
    Head head_ = Head::done;
    long long bars_ = 0;
    int move_ = 0;  // +1 down a level, -bars_ up, 0 a sibling
    bool wide_ = false;
    std::string wideBytes_;  // a UTF-16 string's bytes until it can be converted
    std::uint64_t wideCharged_ = 0;
    long long level_ = 0;  // how deep the stream says the last record is (1 the top level)
};

// Reads an archive stream held in memory into entries as a listener does with one that
// arrives in pieces of `pieceSize` bytes: complete records only, with no memory limit.
ReceivedEntries readEntries(std::string_view archive, int recordWidth, size_t pieceSize = SIZE_MAX);

}  // namespace brivanta::net
