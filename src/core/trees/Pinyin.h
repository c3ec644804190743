#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace brivanta::pinyin {

// The Mandarin readings of the characters GB18030 encodes, without tones, as numbered
// syllables. A character with several readings has several syllables, the usual one first.

// Length in bytes of the GB18030 character that starts at `text[at]`: 1 for ASCII and for a
// byte that starts no valid sequence, otherwise 2 or 4.
size_t characterLength(std::string_view text, size_t at);

// Reading set of the character `bytes` (one whole character); 0 when it has no reading.
std::uint16_t readingSet(std::string_view bytes);
std::span<const std::uint16_t> syllablesOf(std::uint16_t readingSet);
size_t readingSetCount();

std::string_view syllable(std::uint16_t id);
size_t syllableCount();

}  // namespace brivanta::pinyin
