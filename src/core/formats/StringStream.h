#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// The tree serialiser reads and writes a sequence of strings. The archive gives each a
// length prefix; the mail envelope puts each on a line of its own.
class StringWriter {
  public:
    virtual ~StringWriter() = default;
    virtual void writeString(std::string_view s) = 0;
};

class StringReader {
  public:
    virtual ~StringReader() = default;
    // Reads the next string into `out`; false at the end of the data (a string cut short
    // by the end counts as the end).
    virtual bool readString(std::string& out) = 0;
};

}  // namespace brivanta
