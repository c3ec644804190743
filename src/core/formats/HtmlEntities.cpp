#include "core/formats/HtmlEntities.h"

#include <array>

namespace brivanta {

namespace {

struct Entity {
    std::string_view text;
    char character;
};

constexpr std::array<Entity, 6> kEntities = {{
    {"&amp;", '&'},
    {"&lt;", '<'},
    {"&gt;", '>'},
    {"&quot;", '"'},
    {"&#39;", '\''},
    {"&apos;", '\''},
}};

}  // namespace

void appendHtmlEscaped(std::string& out, std::string_view text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string_view replacement;
        switch (text[i]) {
            case '&':
                replacement = "&amp;";
                break;
            case '<':
                replacement = "&lt;";
                break;
            case '>':
                replacement = "&gt;";
                break;
            case '\'':
                replacement = "&#39;";
                break;
            case '"':
                replacement = "&quot;";
                break;
            default:
                continue;
        }
        out.append(text, start, i - start);
        out += replacement;
        start = i + 1;
    }
    out.append(text, start, text.size() - start);
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendHtmlEscaped(out, text);
    return out;
}

std::string htmlDecoded(std::string_view text) {
    std::string out;
    size_t amp = text.find('&');
    if (amp == std::string_view::npos)
        return std::string(text);
    out.reserve(text.size());
    size_t start = 0;
    while (amp != std::string_view::npos) {
        std::string_view rest = text.substr(amp);
        for (const Entity& e : kEntities) {
            if (rest.starts_with(e.text)) {
                out.append(text, start, amp - start);
                out += e.character;
                start = amp + e.text.size();
                break;
            }
        }
        amp = text.find('&', amp + 1 > start ? amp + 1 : start);
    }
    out.append(text, start, text.size() - start);
    return out;
}

}  // namespace brivanta
