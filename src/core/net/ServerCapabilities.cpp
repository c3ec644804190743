#include "core/net/ServerCapabilities.h"

#include <algorithm>

namespace brivanta::net {

namespace {

std::string upper(std::string_view word) {
    std::string result(word);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

// Calls `each` with every line of `text` without its line end.
template <typename Each>
void forEachLine(std::string_view text, Each each) {
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        each(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

// The words of a line split at blanks and tabs.
std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    size_t at = 0;
    while (at < line.size()) {
        size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        size_t end = line.find_first_of(" \t", start);
        if (end == std::string_view::npos)
            end = line.size();
        result.push_back(line.substr(start, end - start));
        at = end;
    }
    return result;
}

}  // namespace

bool SmtpCapabilities::offersAuth(std::string_view mechanism) const {
    return std::find(authMechanisms.begin(), authMechanisms.end(), mechanism) !=
           authMechanisms.end();
}

SmtpCapabilities parseEhloReply(std::string_view reply) {
    SmtpCapabilities caps;
    bool first = true;
    forEachLine(reply, [&](std::string_view line) {
        const bool wellFormed =
            line.size() >= 4 && line.starts_with("250") && (line[3] == ' ' || line[3] == '-');
        if (first || !wellFormed) {
            first = false;  // the first line greets; it names the server, not a keyword
            return;
        }
        std::vector<std::string_view> parts = words(line.substr(4));
        if (parts.empty())
            return;
        const std::string keyword = upper(parts[0]);
        if (keyword == "STARTTLS") {
            caps.startTls = true;
        } else if (keyword == "AUTH") {
            for (size_t i = 1; i < parts.size(); ++i) {
                std::string mechanism = upper(parts[i]);
                if (!caps.offersAuth(mechanism) && caps.authMechanisms.size() < 64)
                    caps.authMechanisms.push_back(std::move(mechanism));
            }
        }
    });
    return caps;
}

Pop3Capabilities parseCapaReply(std::string_view lines) {
    Pop3Capabilities caps;
    forEachLine(lines, [&](std::string_view line) {
        std::vector<std::string_view> parts = words(line);
        if (parts.empty())
            return;
        const std::string keyword = upper(parts[0]);
        if (keyword == "STLS")
            caps.stls = true;
        else if (keyword == "USER")
            caps.user = true;
    });
    return caps;
}

}  // namespace brivanta::net
