#include "core/formats/ArchiveWriter.h"

#include <cstdint>

namespace brivanta {

std::string archiveLengthPrefix(size_t length) {
    std::string p;
    auto le16 = [&p](std::uint32_t v) {
        p.push_back(static_cast<char>(v & 0xFF));
        p.push_back(static_cast<char>((v >> 8) & 0xFF));
    };
    if (length < 0xFF) {
        p.push_back(static_cast<char>(length));
    } else if (length < 0xFFFE) {
        p.push_back('\xFF');
        le16(static_cast<std::uint32_t>(length));
    } else {
        p.append("\xFF\xFF\xFF");
        std::uint32_t v = static_cast<std::uint32_t>(length);
        le16(v & 0xFFFF);
        le16(v >> 16);
    }
    return p;
}

ArchiveWriter::ArchiveWriter(ByteSink& sink, size_t bufferSize)
    : sink_(sink), capacity_(bufferSize == 0 ? 1 : bufferSize) {
    buffer_.reserve(capacity_);
}

ArchiveWriter::~ArchiveWriter() {
    flush();
}

void ArchiveWriter::put(const char* data, size_t size) {
    if (buffer_.size() + size > capacity_) {
        flush();
        if (size >= capacity_) {
            if (!failed_ && !sink_.write(data, size))
                failed_ = true;
            return;
        }
    }
    buffer_.append(data, size);
}

void ArchiveWriter::writeString(std::string_view s) {
    if (s.size() > UINT32_MAX) {
        failed_ = true;  // the format cannot say such a length
        return;
    }
    std::string prefix = archiveLengthPrefix(s.size());
    put(prefix.data(), prefix.size());
    put(s.data(), s.size());
}

void ArchiveWriter::writeInt32(std::int32_t value) {
    std::uint32_t v = static_cast<std::uint32_t>(value);
    char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    put(bytes, 4);
}

bool ArchiveWriter::flush() {
    if (!buffer_.empty()) {
        if (!failed_ && !sink_.write(buffer_.data(), buffer_.size()))
            failed_ = true;
        buffer_.clear();
    }
    return !failed_;
}

}  // namespace brivanta
