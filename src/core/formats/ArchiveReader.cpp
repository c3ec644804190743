#include "core/formats/ArchiveReader.h"

#include <algorithm>
#include <cstring>

#include "core/text/Encoding.h"

namespace brivanta {

ArchiveReader::ArchiveReader(ByteSource& source, size_t bufferSize)
    : source_(source), buffer_(bufferSize == 0 ? 1 : bufferSize) {}

bool ArchiveReader::fill() {
    if (atEnd_)
        return false;
    position_ = 0;
    length_ = source_.read(buffer_.data(), buffer_.size());
    if (length_ == 0)
        atEnd_ = true;
    return length_ > 0;
}

bool ArchiveReader::readBytes(char* out, size_t size) {
    while (size > 0) {
        if (position_ == length_ && !fill())
            return false;
        size_t n = std::min(size, length_ - position_);
        std::memcpy(out, buffer_.data() + position_, n);
        position_ += n;
        consumed_ += n;
        out += n;
        size -= n;
    }
    return true;
}

bool ArchiveReader::readLength(std::uint64_t& length, bool& wide) {
    wide = false;
    for (;;) {
        unsigned char b;
        if (!readBytes(reinterpret_cast<char*>(&b), 1))
            return false;
        if (b < 0xFF) {
            length = b;
            return true;
        }
        unsigned char w[2];
        if (!readBytes(reinterpret_cast<char*>(w), 2))
            return false;
        std::uint32_t word = w[0] | (w[1] << 8);
        if (word < 0xFFFE) {
            length = word;
            return true;
        }
        if (word == 0xFFFE) {
            // Marker of a UTF-16 string; its own length prefix follows.
            wide = true;
            continue;
        }
        unsigned char d[4];
        if (!readBytes(reinterpret_cast<char*>(d), 4))
            return false;
        length = static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16)) |
                 (static_cast<std::uint32_t>(d[3]) << 24);
        return true;
    }
}

bool ArchiveReader::readString(std::string& out) {
    out.clear();
    std::uint64_t length;
    bool wide;
    if (!readLength(length, wide))
        return false;
    std::uint64_t remaining = wide ? length * 2 : length;
    while (remaining > 0) {
        // The string grows only by what has arrived, never by what the prefix claims.
        if (position_ == length_ && !fill())
            return false;
        size_t n = static_cast<size_t>(std::min<std::uint64_t>(remaining, length_ - position_));
        out.append(buffer_.data() + position_, n);
        position_ += n;
        consumed_ += n;
        remaining -= n;
    }
    if (wide)
        out = text::fromUtf16Le(out);
    return true;
}

bool ArchiveReader::readInt32(std::int32_t& out) {
    unsigned char d[4];
    if (!readBytes(reinterpret_cast<char*>(d), 4))
        return false;
    std::uint32_t v = static_cast<std::uint32_t>(d[0] | (d[1] << 8) | (d[2] << 16)) |
                      (static_cast<std::uint32_t>(d[3]) << 24);
    out = static_cast<std::int32_t>(v);
    return true;
}

}  // namespace brivanta
