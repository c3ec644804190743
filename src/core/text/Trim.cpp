#include "core/text/Trim.h"

namespace brivanta::text {

std::string_view trimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    return s.substr(i);
}

std::string_view trimRight(std::string_view s) {
    size_t n = s.size();
    while (n > 0 && isSpace(s[n - 1]))
        --n;
    return s.substr(0, n);
}

std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

void trimLeftInPlace(std::string& s) {
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    if (i > 0)
        s.erase(0, i);
}

}  // namespace brivanta::text
