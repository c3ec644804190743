#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/ByteStream.h"
#include "core/net/MemoryBudget.h"

namespace brivanta::net {

// The bytes of one received transfer, kept in blocks that grow with what has arrived (64 KiB
// up to 4 MiB). Growing never copies what is there, so the memory it takes is what it holds
// plus at most one block, where one string would double at each growth and briefly hold the
// old and the new copy together.
class ReceivedBytes {
  public:
    ReceivedBytes() = default;
    ReceivedBytes(ReceivedBytes&&) noexcept = default;
    ReceivedBytes& operator=(ReceivedBytes&&) noexcept = default;
    ReceivedBytes(const ReceivedBytes&) = delete;
    ReceivedBytes& operator=(const ReceivedBytes&) = delete;

    // Free room at the end for up to `wanted` more bytes, after adding a block when the last
    // is full; the block is paid for from `charge` first. Null when the charge was refused.
    char* room(size_t wanted, size_t& size, MemoryCharge& charge);
    // Takes `n` bytes just written into room().
    void commit(size_t n);
    // Keeps the first `size` bytes only.
    void truncate(std::uint64_t size);
    void clear();

    std::uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // A copy in one string (tests, small transfers).
    std::string str() const;

    // Reads the bytes from the start.
    class Source : public ByteSource {
      public:
        explicit Source(const ReceivedBytes& bytes) : bytes_(bytes) {}
        size_t read(char* buffer, size_t size) override;
        // The rest of the block under way, where it is kept (no copy); empty at the end.
        std::string_view next();
        // The next `size` bytes: where they are kept when one block holds them, otherwise
        // copied into `scratch`. Shorter at the end.
        std::string_view take(size_t size, std::string& scratch);

      private:
        const ReceivedBytes& bytes_;
        size_t block_ = 0;
        size_t offset_ = 0;
    };

    static constexpr size_t kFirstBlock = 64 * 1024;
    static constexpr size_t kLargestBlock = 4 * 1024 * 1024;

  private:
    struct Block {
        std::unique_ptr<char[]> data;
        size_t capacity = 0;
        size_t used = 0;
    };
    std::vector<Block> blocks_;
    std::uint64_t size_ = 0;
};

}  // namespace brivanta::net
