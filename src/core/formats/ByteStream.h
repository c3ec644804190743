#pragma once

#include <cstddef>
#include <string>

namespace brivanta {

// Where archive bytes come from: a file, memory or a connection.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; returns how many. 0 means the end of the data (or an
    // error; see failed()).
    virtual size_t read(char* buffer, size_t size) = 0;
    // True when the data ended by an error rather than by its natural end.
    virtual bool failed() const { return false; }
};

// Where archive bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Writes all `size` bytes; false on an error.
    virtual bool write(const char* data, size_t size) = 0;
};

// Reads a block of memory (not owned).
class MemorySource : public ByteSource {
  public:
    MemorySource(const char* data, size_t size) : data_(data), size_(size) {}
    explicit MemorySource(const std::string& data) : MemorySource(data.data(), data.size()) {}
    size_t read(char* buffer, size_t size) override;

  private:
    const char* data_;
    size_t size_;
    size_t position_ = 0;
};

// Appends to a string.
class StringSink : public ByteSink {
  public:
    explicit StringSink(std::string& out) : out_(out) {}
    bool write(const char* data, size_t size) override {
        out_.append(data, size);
        return true;
    }

  private:
    std::string& out_;
};

}  // namespace brivanta
