#pragma once

#include <string>
#include <string_view>

namespace brivanta::text {

// White space as the stored formats see it: space and the control characters 0x09-0x0D.
constexpr bool isSpace(char c) {
    return c == ' ' || (c >= '\x09' && c <= '\x0D');
}

std::string_view trimLeft(std::string_view s);
std::string_view trimRight(std::string_view s);
std::string_view trim(std::string_view s);

// In place, for strings that are about to be stored.
void trimLeftInPlace(std::string& s);

}  // namespace brivanta::text
