#include "core/net/MemoryBudget.h"

#include <algorithm>

namespace brivanta::net {

bool MemoryBudget::take(std::uint64_t bytes) {
    std::uint64_t used = used_.load();
    do {
        if (bytes > limit_ || used > limit_ - bytes)
            return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    notePeak(used + bytes);
    return true;
}

void MemoryBudget::giveBack(std::uint64_t bytes) {
    used_.fetch_sub(bytes);
}

MemoryCharge& MemoryCharge::operator=(MemoryCharge&& other) noexcept {
    if (this != &other) {
        clear();
        budget_ = std::move(other.budget_);
        bytes_ = other.bytes_;
        other.bytes_ = 0;
    }
    return *this;
}

bool MemoryCharge::add(std::uint64_t bytes) {
    if (budget_ && !budget_->take(bytes))
        return false;
    bytes_ += bytes;
    return true;
}

void MemoryCharge::set(std::uint64_t bytes) {
    if (budget_ && bytes > bytes_)
        budget_->takeAnyway(bytes - bytes_);
    else if (budget_ && bytes < bytes_)
        budget_->giveBack(bytes_ - bytes);
    bytes_ = bytes;
}

void MemoryCharge::moveTo(MemoryCharge& other, std::uint64_t bytes) {
    bytes = std::min(bytes, bytes_);
    bytes_ -= bytes;
    other.bytes_ += bytes;
}

void MemoryCharge::clear() {
    if (budget_ && bytes_ > 0)
        budget_->giveBack(bytes_);
    bytes_ = 0;
}

}  // namespace brivanta::net
