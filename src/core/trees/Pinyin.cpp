#include "core/trees/Pinyin.h"

#include <algorithm>

#include "core/trees/PinyinData.h"

namespace brivanta::pinyin {

namespace {
bool inRange(unsigned char c, unsigned char low, unsigned char high) {
    return c >= low && c <= high;
}
}  // namespace

size_t characterLength(std::string_view text, size_t at) {
    auto b = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    size_t left = text.size() - at;
    if (left < 2 || !inRange(b(0), 0x81, 0xFE))
        return 1;
    if (inRange(b(1), 0x40, 0xFE) && b(1) != 0x7F)
        return 2;
    if (left >= 4 && inRange(b(1), 0x30, 0x39) && inRange(b(2), 0x81, 0xFE) &&
        inRange(b(3), 0x30, 0x39))
        return 4;
    return 1;
}

std::uint16_t readingSet(std::string_view bytes) {
    auto b = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() == 2) {
        if (!inRange(b(0), 0x81, 0xFE) || !inRange(b(1), 0x40, 0xFE))
            return 0;
        return data::kTwoByteSet[static_cast<size_t>(b(0) - 0x81) * 191 + (b(1) - 0x40)];
    }
    if (bytes.size() != 4 || characterLength(bytes, 0) != 4)
        return 0;
    std::uint32_t linear =
        ((static_cast<std::uint32_t>(b(0) - 0x81) * 10 + (b(1) - 0x30)) * 126 + (b(2) - 0x81)) *
            10 +
        (b(3) - 0x30);
    const std::uint32_t* end = data::kFourByteCode + data::kFourByteCount;
    const std::uint32_t* it = std::lower_bound(data::kFourByteCode, end, linear);
    if (it == end || *it != linear)
        return 0;
    return data::kFourByteSet[it - data::kFourByteCode];
}

std::span<const std::uint16_t> syllablesOf(std::uint16_t set) {
    if (set >= data::kSetCount)
        return {};
    return {data::kSetPool + data::kSetStart[set],
            static_cast<size_t>(data::kSetStart[set + 1] - data::kSetStart[set])};
}

size_t readingSetCount() {
    return data::kSetCount;
}

std::string_view syllable(std::uint16_t id) {
    return id < data::kSyllableCount ? std::string_view(data::kSyllables[id]) : std::string_view();
}

size_t syllableCount() {
    return data::kSyllableCount;
}

}  // namespace brivanta::pinyin
