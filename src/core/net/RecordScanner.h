#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace brivanta::net {

// Follows the length prefixes of an archive stream (records of `width` length-prefixed
// strings) as its bytes arrive in pieces of any size: where each string and each record
// ends, how far the string under way reaches, and the string's own bytes.
class RecordScanner {
  public:
    explicit RecordScanner(int width) : width_(width < 1 ? 1 : width) {}

    // Scans `size` more bytes. `onLength(end)` is told the stream offset where a string whose
    // length prefix was just read will end, `onBytes(data, n)` the bytes of the string under
    // way, `onString()` that it ended, `onRecord(end)` the offset after each complete record.
    // Any of them stops the scan by returning false (and the scan returns false).
    template <typename OnLength, typename OnRecord, typename OnBytes, typename OnString>
    bool scan(const char* data, size_t size, OnLength&& onLength, OnRecord&& onRecord,
              OnBytes&& onBytes, OnString&& onString) {
        size_t i = 0;
        while (i < size) {
            if (remaining_ > 0) {
                const size_t n = static_cast<size_t>(std::min<std::uint64_t>(remaining_, size - i));
                if (!onBytes(data + i, n))
                    return false;
                i += n;
                position_ += n;
                remaining_ -= n;
                if (remaining_ == 0 && !endString(onString, onRecord))
                    return false;
                continue;
            }
            prefix_[prefixSize_++] = static_cast<unsigned char>(data[i++]);
            ++position_;
            std::uint64_t length = 0;
            if (!decodePrefix(length))
                continue;
            stringWide_ = wide_;
            remaining_ = wide_ ? length * 2 : length;
            wide_ = false;
            if (!onLength(position_ + remaining_))
                return false;
            if (remaining_ == 0 && !endString(onString, onRecord))
                return false;
        }
        return true;
    }
    // The same for a caller that only needs the boundaries.
    template <typename OnLength, typename OnRecord>
    bool scan(const char* data, size_t size, OnLength&& onLength, OnRecord&& onRecord) {
        return scan(
            data, size, onLength, onRecord, [](const char*, size_t) { return true; },
            [] { return true; });
    }

    // Where the string under way ends (or the bytes scanned, between strings).
    std::uint64_t announced() const { return position_ + remaining_; }
    std::uint64_t position() const { return position_; }
    // Whether the string under way came as UTF-16 (its bytes are UTF-16LE).
    bool stringWide() const { return stringWide_; }
    // Which string of its record the one under way is (0 for the label).
    int stringIndex() const { return strings_; }

  private:
    // True once the prefix bytes so far make a whole length (the forms ArchiveReader reads).
    bool decodePrefix(std::uint64_t& length) {
        const unsigned char* p = prefix_;
        if (p[0] < 0xFF) {
            length = p[0];
            prefixSize_ = 0;
            return true;
        }
        if (prefixSize_ < 3)
            return false;
        const std::uint32_t word = p[1] | (p[2] << 8);
        if (word < 0xFFFE) {
            length = word;
            prefixSize_ = 0;
            return true;
        }
        if (word == 0xFFFE) {  // a UTF-16 string: its own prefix follows
            wide_ = true;
            prefixSize_ = 0;
            return false;
        }
        if (prefixSize_ < 7)
            return false;
        length = static_cast<std::uint32_t>(p[3] | (p[4] << 8) | (p[5] << 16)) |
                 (static_cast<std::uint32_t>(p[6]) << 24);
        prefixSize_ = 0;
        return true;
    }
    template <typename OnString, typename OnRecord>
    bool endString(OnString&& onString, OnRecord&& onRecord) {
        if (!onString())
            return false;
        if (++strings_ < width_)
            return true;
        strings_ = 0;
        return onRecord(position_);
    }

    int width_;
    int strings_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t remaining_ = 0;
    unsigned char prefix_[8] = {};
    int prefixSize_ = 0;
    bool wide_ = false;
    bool stringWide_ = false;
};

}  // namespace brivanta::net
