#pragma once

#include <cerrno>
#include <memory>

#include "core/formats/ByteStream.h"
#include "core/formats/FileStreams.h"

namespace brivanta::testing {

// Passes bytes on to `inner` until `limit` of them have gone, then fails every write, as a
// disk does that fills up in the middle of a save.
class FailingSink : public ByteSink {
  public:
    FailingSink(ByteSink& inner, size_t limit) : inner_(inner), left_(limit) {}
    bool write(const char* data, size_t size) override {
        size_t n = size < left_ ? size : left_;
        if (n > 0 && !inner_.write(data, n))
            return false;
        left_ -= n;
        return n == size;
    }

  private:
    ByteSink& inner_;
    size_t left_;
};

// A save filter that puts a FailingSink in front of the file.
inline SaveFilter failAfter(size_t limit) {
    return [limit](ByteSink& file) { return std::make_unique<FailingSink>(file, limit); };
}

}  // namespace brivanta::testing
