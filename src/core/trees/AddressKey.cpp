#include "core/trees/AddressKey.h"

#include <algorithm>

namespace brivanta {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Appends `s` with ASCII letters in lower case. A GBK lead byte takes its trail byte (which
// may be an ASCII letter's value) along unchanged, and a GB18030 four-byte form all four.
void appendLower(std::string& out, std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b >= 0x81 && i + 1 < s.size()) {
            auto next = static_cast<unsigned char>(s[i + 1]);
            size_t width = (next >= 0x30 && next <= 0x39 && i + 3 < s.size()) ? 4 : 2;
            out.append(s.substr(i, width));
            i += width - 1;
            continue;
        }
        out.push_back(b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : s[i]);
    }
}

// The length of "scheme" in "scheme:rest", 0 when `s` does not start with one.
size_t schemeLength(std::string_view s) {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (s.empty() || !letter(s[0]))
        return 0;
    for (size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == ':')
            return i;
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return 0;
    }
    return 0;
}

std::string_view defaultPort(std::string_view scheme) {
    if (scheme == "http" || scheme == "ws")
        return "80";
    if (scheme == "https" || scheme == "wss")
        return "443";
    if (scheme == "ftp")
        return "21";
    return {};
}

// A bare "user@host" (no scheme, no path) is a mail address as the address book keeps it.
bool isBareMail(std::string_view s) {
    return s.find('@') != std::string_view::npos &&
           s.find_first_of("/: ") == std::string_view::npos;
}

// Where the authority after "//" ends: at the path, the query or the fragment. A plain loop:
// find_first_of calls memchr once per character.
size_t authorityLength(std::string_view rest) {
    size_t i = 0;
    while (i < rest.size() && rest[i] != '/' && rest[i] != '?' && rest[i] != '#')
        ++i;
    return i;
}

struct Authority {
    std::string_view userInfo;  // with its "@", or empty
    std::string_view host;      // IPv6 with its brackets
    std::string_view port;      // without ":"
    bool hasPort = false;
};

Authority splitAuthority(std::string_view authority) {
    Authority a;
    if (size_t at = authority.rfind('@'); at != std::string_view::npos) {
        a.userInfo = authority.substr(0, at + 1);
        authority.remove_prefix(at + 1);
    }
    size_t colon = std::string_view::npos;
    if (!authority.empty() && authority.front() == '[') {
        size_t close = authority.find(']');
        if (close != std::string_view::npos && close + 1 < authority.size() &&
            authority[close + 1] == ':')
            colon = close + 1;
    } else {
        colon = authority.rfind(':');
    }
    if (colon != std::string_view::npos) {
        a.port = authority.substr(colon + 1);
        a.hasPort = true;
        authority = authority.substr(0, colon);
    }
    a.host = authority;
    return a;
}

void appendQuery(std::string& key, std::string_view query) {
    bool first = true;
    while (true) {
        size_t amp = query.find('&');
        std::string_view parameter = query.substr(0, amp);
        std::string_view name = parameter.substr(0, parameter.find('='));
        if (!parameter.empty() && !isTrackingParameter(name)) {
            key.push_back(first ? '?' : '&');
            key.append(parameter);
            first = false;
        }
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
}

}  // namespace

bool isTrackingParameter(std::string_view name) {
    return name.starts_with("utm_") || name == "fbclid" || name == "gclid" || name == "spm";
}

void addressKey(std::string_view address, std::string& key) {
    key.clear();
    std::string_view s = trimmed(address);
    size_t schemeEnd = schemeLength(s);
    if (schemeEnd == 0) {
        if (isBareMail(s)) {
            key = "mailto:";
            appendLower(key, s);
        } else {
            key.append(s);
        }
        return;
    }
    // Schemes are ASCII (schemeLength checked), and short ones are all that matter here.
    char lowered[16];
    const size_t schemeSize = std::min(schemeEnd, sizeof lowered);
    for (size_t i = 0; i < schemeSize; ++i) {
        char c = s[i];
        lowered[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    std::string_view scheme(lowered, schemeSize);
    if (scheme == "mailto") {
        key = "mailto:";
        appendLower(key, s.substr(schemeEnd + 1));
        return;
    }
    if (schemeEnd > schemeSize || s.substr(schemeEnd + 1, 2) != "//") {
        key.append(s);  // no authority: nothing to normalise but the scheme's case
        std::copy(scheme.begin(), scheme.end(), key.begin());
        return;
    }
    std::string_view rest = s.substr(schemeEnd + 3);
    rest = rest.substr(0, rest.find('#'));
    size_t authorityEnd = authorityLength(rest);
    if (authorityEnd == rest.size())
        authorityEnd = std::string_view::npos;
    Authority a = splitAuthority(rest.substr(0, authorityEnd));
    rest = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    size_t queryStart = rest.find('?');
    std::string_view path = rest.substr(0, queryStart);

    key.append(scheme == "https" ? "http" : scheme == "wss" ? "ws" : scheme);
    key.append("://");
    key.append(a.userInfo);
    appendLower(key, a.host);
    if (a.hasPort && !a.port.empty() && a.port != defaultPort(scheme)) {
        key.push_back(':');
        key.append(a.port);
    }
    key.append(path.empty() ? std::string_view("/") : path);
    if (queryStart != std::string_view::npos)
        appendQuery(key, rest.substr(queryStart + 1));
}

std::string addressKey(std::string_view address) {
    std::string key;
    addressKey(address, key);
    return key;
}

std::string addressHost(std::string_view address) {
    std::string_view s = trimmed(address);
    size_t schemeEnd = schemeLength(s);
    if (schemeEnd == 0 || s.substr(schemeEnd + 1, 2) != "//")
        return {};
    std::string_view rest = s.substr(schemeEnd + 3);
    Authority a = splitAuthority(rest.substr(0, authorityLength(rest)));
    std::string_view host = a.host;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::string out;
    appendLower(out, host);
    return out;
}

}  // namespace brivanta
