#pragma once

#include <string>
#include <string_view>

#include "core/formats/ByteStream.h"
#include "core/formats/StringStream.h"

namespace brivanta {

// Writes length-prefixed strings: one length byte below 255, 0xFF and a 16-bit length
// below 0xFFFE, otherwise 0xFF 0xFF 0xFF and a 32-bit length; little-endian, no terminator.
class ArchiveWriter : public StringWriter {
  public:
    explicit ArchiveWriter(ByteSink& sink, size_t bufferSize = 4096);
    ~ArchiveWriter() override;
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    void writeString(std::string_view s) override;
    void writeInt32(std::int32_t value);
    // Sends what is buffered to the sink; false when the sink has failed at any point.
    bool flush();
    bool failed() const { return failed_; }

  private:
    void put(const char* data, size_t size);

    ByteSink& sink_;
    std::string buffer_;
    size_t capacity_;
    bool failed_ = false;
};

// The length prefix alone, for callers that frame strings themselves.
std::string archiveLengthPrefix(size_t length);

}  // namespace brivanta
