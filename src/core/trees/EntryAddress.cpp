#include "core/trees/EntryAddress.h"

namespace brivanta {

namespace {

constexpr bool isLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Length of the character starting at `i`: two bytes for a GBK lead byte with a byte after
// it, one otherwise.
std::size_t charLength(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Position of the first single-byte `c`, skipping double-byte characters.
std::size_t findChar(std::string_view s, char c, std::size_t from = 0) {
    for (std::size_t i = from; i < s.size(); i += charLength(s, i)) {
        if (s[i] == c)
            return i;
    }
    return std::string_view::npos;
}

constexpr bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// ASCII letters only: the second byte of a double-byte character is left alone.
std::string lowerCased(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); i += charLength(out, i)) {
        if (out[i] >= 'A' && out[i] <= 'Z')
            out[i] = static_cast<char>(out[i] - 'A' + 'a');
    }
    return out;
}

}  // namespace

bool hasUrlScheme(std::string_view address) {
    if (address.empty() || !isAsciiLetter(address[0]))
        return false;
    std::size_t i = 1;
    while (i < address.size()) {
        char c = address[i];
        if (isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')
            ++i;
        else
            break;
    }
    return address.substr(i, 3) == "://";
}

std::size_t mailSignPosition(std::string_view address) {
    if (hasUrlScheme(address))
        return std::string_view::npos;
    return findChar(address, '@');
}

std::string addressExtension(std::string_view address, bool dotMayLead) {
    std::size_t dot = findChar(address, '.');
    if (dot == std::string_view::npos || (dot == 0 && !dotMayLead) ||
        findChar(address, '.', dot + 1) != std::string_view::npos)
        return ".htm";
    std::size_t end = dot;
    for (int n = 0; n < 4 && end < address.size(); ++n)
        end += charLength(address, end);
    return std::string(address.substr(dot, end - dot));
}

bool namesProgramByExtension(std::string_view address) {
    return !showsMailIcon(address) && !hasUrlScheme(address) &&
           lowerCased(addressExtension(address, true)) == ".exe";
}

std::string programIconKey(std::string_view programPath) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < programPath.size(); i += charLength(programPath, i)) {
        if (programPath[i] == '/' || programPath[i] == '\\')
            start = i + 1;
    }
    return lowerCased(programPath.substr(start));
}

std::string iconKeyForAddress(std::string_view address) {
    if (showsMailIcon(address))
        return "mailto";
    // A URL is opened by the browser whatever its last dot says ("http://example.com" is no
    // ".com" program).
    if (hasUrlScheme(address))
        return ".htm";
    std::string key = lowerCased(addressExtension(address, true));
    if (key == ".exe")
        return lowerCased(address);
    return key;
}

}  // namespace brivanta
