#include "core/text/CharacterSearch.h"

namespace brivanta::text {

namespace {
bool isDigit(unsigned char c) {
    return c >= 0x30 && c <= 0x39;
}
}  // namespace

size_t characterLength(std::string_view s, size_t i) {
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    if (i >= s.size())
        return 0;
    if (at(i) < 0x81 || at(i) == 0xFF)
        return 1;
    size_t left = s.size() - i;
    if (left >= 4 && isDigit(at(i + 1)) && at(i + 2) >= 0x81 && at(i + 2) <= 0xFE &&
        isDigit(at(i + 3)))
        return 4;
    return left >= 2 ? 2 : 1;
}

size_t findCharacters(std::string_view s, std::string_view what) {
    if (what.empty())
        return 0;
    for (size_t i = 0; i < s.size(); i += characterLength(s, i)) {
        if (s.substr(i, what.size()) == what)
            return i;
    }
    return std::string_view::npos;
}

}  // namespace brivanta::text
