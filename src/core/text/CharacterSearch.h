#pragma once

#include <cstddef>
#include <string_view>

namespace brivanta::text {

// The number of bytes of the GBK/GB18030 character starting at s[i]: 1 for ASCII, 4 for a
// four-byte GB18030 sequence, 2 for any other lead byte. Never runs past the end.
size_t characterLength(std::string_view s, size_t i);

// Where `what` first occurs in `s` starting on a character boundary, or npos. A plain byte
// search would also find the tail byte of one double-byte character followed by the lead
// byte of the next.
size_t findCharacters(std::string_view s, std::string_view what);

}  // namespace brivanta::text
