#include "core/net/PeerAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <string>

namespace brivanta::net {

namespace {

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool parses(int family, std::string_view text) {
    std::string copy(text);
    unsigned char buffer[16];
    return ::inet_pton(family, copy.c_str(), buffer) == 1;
}

bool isHostName(std::string_view name) {
    if (!name.empty() && name.back() == '.')
        name.remove_suffix(1);
    if (name.empty() || name.size() > 253)
        return false;
    while (true) {
        size_t dot = name.find('.');
        std::string_view label = name.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(), isNameCharacter)) {
            return false;
        }
        if (dot == std::string_view::npos)
            return true;
        name.remove_prefix(dot + 1);
    }
}

}  // namespace

bool isPeerAddress(std::string_view text) {
    if (text.size() > 2 && text.front() == '[' && text.back() == ']')
        return parses(AF_INET6, text.substr(1, text.size() - 2));
    if (text.find(':') != std::string_view::npos)
        return parses(AF_INET6, text);
    // Digits and dots alone are an IPv4 address or nothing ("1.2.3.4.5", "300.1.1.1").
    if (!text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos)
        return parses(AF_INET, text);
    return isHostName(text);
}

}  // namespace brivanta::net
