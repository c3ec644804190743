#pragma once

#include <cstddef>
#include <cstdint>

// The pinyin table, generated at build time from Unihan's readings (tools/MakePinyinTable.cpp).
// Read it through core/trees/Pinyin.h.
namespace brivanta::pinyin::data {

// Toneless syllables in alphabetical order ("a", "ai", ... "zuo"); "ü" is written "v".
extern const std::uint16_t kSyllableCount;
extern const char* const kSyllables[];
// Reading sets: set s holds the syllable ids kSetPool[kSetStart[s] .. kSetStart[s + 1]), the
// usual reading first. Set 0 is empty.
extern const std::uint16_t kSetCount;
extern const std::uint16_t kSetStart[];
extern const std::uint16_t kSetPool[];
// Two-byte codes: lead 0x81-0xFE, trail 0x40-0xFE, at (lead - 0x81) * 191 + (trail - 0x40).
extern const std::uint16_t kTwoByteSet[];
// Four-byte codes by their linear number (b1 - 0x81, b2 - 0x30, b3 - 0x81, b4 - 0x30 in
// bases 10, 126, 10), sorted.
extern const std::size_t kFourByteCount;
extern const std::uint32_t kFourByteCode[];
extern const std::uint16_t kFourByteSet[];

}  // namespace brivanta::pinyin::data
