#include "core/formats/ByteStream.h"

#include <cstring>

namespace brivanta {

size_t MemorySource::read(char* buffer, size_t size) {
    size_t n = size_ - position_ < size ? size_ - position_ : size;
    if (n > 0)
        std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

}  // namespace brivanta
