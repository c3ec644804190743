#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace brivanta::net {

// Memory that several transfers read at the same time may take together (all the
// connections of one listener), so that many hostile peers at once cannot together take
// more than one may alone. Thread-safe.
class MemoryBudget {
  public:
    explicit MemoryBudget(std::uint64_t bytes) : limit_(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Takes `bytes`; false, taking nothing, when that would pass the limit.
    bool take(std::uint64_t bytes);
    void giveBack(std::uint64_t bytes);
    // Takes `bytes` even past the limit: memory already in use (a tree that is there), which
    // leaves nothing for what would come on top.
    void takeAnyway(std::uint64_t bytes) { notePeak(used_.fetch_add(bytes) + bytes); }
    std::uint64_t used() const { return used_.load(); }
    // The most that was in use at once.
    std::uint64_t peak() const { return peak_.load(); }
    std::uint64_t limit() const { return limit_; }

  private:
    void notePeak(std::uint64_t used) {
        std::uint64_t seen = peak_.load();
        while (used > seen && !peak_.compare_exchange_weak(seen, used)) {
        }
    }
    std::atomic<std::uint64_t> used_{0};
    std::atomic<std::uint64_t> peak_{0};
    const std::uint64_t limit_;
};

// What one transfer took from a budget, given back when the transfer's data is let go
// (which may be after the listener is gone: the charge keeps its budget). Without a budget
// it takes everything it is asked for.
class MemoryCharge {
  public:
    explicit MemoryCharge(std::shared_ptr<MemoryBudget> budget = nullptr)
        : budget_(std::move(budget)) {}
    ~MemoryCharge() { clear(); }
    MemoryCharge(MemoryCharge&& other) noexcept
        : budget_(std::move(other.budget_)), bytes_(other.bytes_) {
        other.bytes_ = 0;
    }
    MemoryCharge& operator=(MemoryCharge&& other) noexcept;
    MemoryCharge(const MemoryCharge&) = delete;
    MemoryCharge& operator=(const MemoryCharge&) = delete;

    bool add(std::uint64_t bytes);
    // Makes the charge exactly `bytes`, past the limit if need be (see takeAnyway).
    void set(std::uint64_t bytes);
    // Hands up to `bytes` of this charge over to `other` (of the same budget), taking and
    // giving back nothing: what a transfer brought stays paid for in the tree it went into.
    void moveTo(MemoryCharge& other, std::uint64_t bytes);
    void clear();
    std::uint64_t bytes() const { return bytes_; }

  private:
    std::shared_ptr<MemoryBudget> budget_;
    std::uint64_t bytes_ = 0;
};

}  // namespace brivanta::net
