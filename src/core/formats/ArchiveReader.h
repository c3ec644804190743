#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/formats/ByteStream.h"
#include "core/formats/StringStream.h"

namespace brivanta {

// Reads length-prefixed strings (all three length forms, and the 0xFF 0xFE 0xFF form that
// announces a UTF-16 string, which is converted to GBK). A length that claims more bytes
// than the data holds ends the reading like the end of the data does; memory grows only
// with bytes that really arrive.
class ArchiveReader : public StringReader {
  public:
    explicit ArchiveReader(ByteSource& source, size_t bufferSize = 4096);

    bool readString(std::string& out) override;
    bool readInt32(std::int32_t& out);
    // True once a read has run past the end of the data.
    bool atEnd() const { return atEnd_; }
    // True when the source reported an error (not just its end).
    bool failed() const { return source_.failed(); }
    // Bytes taken from the source so far.
    std::uint64_t bytesRead() const { return consumed_; }

  private:
    bool fill();
    bool readBytes(char* out, size_t size);
    bool readLength(std::uint64_t& length, bool& wide);

    ByteSource& source_;
    std::vector<char> buffer_;
    size_t position_ = 0;
    size_t length_ = 0;
    std::uint64_t consumed_ = 0;
    bool atEnd_ = false;
};

}  // namespace brivanta
