#include "core/net/ReceivedBytes.h"

#include <algorithm>
#include <cstring>

namespace brivanta::net {

char* ReceivedBytes::room(size_t wanted, size_t& size, MemoryCharge& charge) {
    size = 0;
    if (blocks_.empty() || blocks_.back().used == blocks_.back().capacity) {
        // Each block as large as everything before it, within bounds: few blocks for a
        // large transfer, little waste for a small one.
        const size_t capacity = static_cast<size_t>(std::clamp<std::uint64_t>(
            size_, std::uint64_t(kFirstBlock), std::uint64_t(kLargestBlock)));
        if (!charge.add(capacity))
            return nullptr;
        blocks_.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    Block& last = blocks_.back();
    size = std::min(wanted, last.capacity - last.used);
    return last.data.get() + last.used;
}

void ReceivedBytes::commit(size_t n) {
    blocks_.back().used += n;
    size_ += n;
}

void ReceivedBytes::truncate(std::uint64_t size) {
    if (size >= size_)
        return;
    std::uint64_t kept = 0;
    size_t i = 0;
    for (; i < blocks_.size() && kept + blocks_[i].used <= size; ++i)
        kept += blocks_[i].used;
    if (i < blocks_.size()) {
        blocks_[i].used = static_cast<size_t>(size - kept);
        blocks_.resize(blocks_[i].used == 0 ? i : i + 1);
    }
    size_ = size;
}

void ReceivedBytes::clear() {
    blocks_.clear();
    size_ = 0;
}

std::string ReceivedBytes::str() const {
    std::string out;
    out.reserve(static_cast<size_t>(size_));
    for (const Block& b : blocks_)
        out.append(b.data.get(), b.used);
    return out;
}

size_t ReceivedBytes::Source::read(char* buffer, size_t size) {
    size_t done = 0;
    while (done < size && block_ < bytes_.blocks_.size()) {
        const Block& b = bytes_.blocks_[block_];
        const size_t n = std::min(size - done, b.used - offset_);
        std::memcpy(buffer + done, b.data.get() + offset_, n);
        done += n;
        offset_ += n;
        if (offset_ == b.used) {
            ++block_;
            offset_ = 0;
        }
    }
    return done;
}

std::string_view ReceivedBytes::Source::take(size_t size, std::string& scratch) {
    if (block_ < bytes_.blocks_.size()) {
        const Block& b = bytes_.blocks_[block_];
        if (b.used - offset_ >= size) {
            const std::string_view kept(b.data.get() + offset_, size);
            offset_ += size;
            return kept;
        }
    }
    scratch.resize(size);
    scratch.resize(read(scratch.data(), size));
    return scratch;
}

std::string_view ReceivedBytes::Source::next() {
    while (block_ < bytes_.blocks_.size()) {
        const Block& b = bytes_.blocks_[block_];
        const size_t from = offset_;
        ++block_;
        offset_ = 0;
        if (b.used > from)
            return {b.data.get() + from, b.used - from};
    }
    return {};
}

}  // namespace brivanta::net
