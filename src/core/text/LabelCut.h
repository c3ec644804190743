#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brivanta::text {

// The length of the GBK (GB18030) character that starts `s`: 1, 2 or 4 bytes. A sequence cut
// short at the end counts as what is left of it.
size_t gbkCharLength(std::string_view s);

// A label for a menu line: labels longer than `limit` bytes keep their whole characters within
// the first `limit` bytes and get "..." appended, so a double-byte character is never split.
std::string cutLabel(std::string_view label, size_t limit = 24);

}  // namespace brivanta::text
