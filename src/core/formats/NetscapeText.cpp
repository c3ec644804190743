#include "core/formats/NetscapeText.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace brivanta {

namespace {

struct NamedReference {
    std::string_view name;
    char32_t value;
};

// Sorted by name (byte order) for a binary search.
constexpr NamedReference kNamed[] = {
    {"AElig", 0xC6},    {"Aacute", 0xC1},   {"Acirc", 0xC2},    {"Agrave", 0xC0},
    {"Aring", 0xC5},    {"Atilde", 0xC3},   {"Auml", 0xC4},     {"Ccedil", 0xC7},
    {"Dagger", 0x2021}, {"ETH", 0xD0},      {"Eacute", 0xC9},   {"Ecirc", 0xCA},
    {"Egrave", 0xC8},   {"Euml", 0xCB},     {"Iacute", 0xCD},   {"Icirc", 0xCE},
    {"Igrave", 0xCC},   {"Iuml", 0xCF},     {"Ntilde", 0xD1},   {"OElig", 0x152},
    {"Oacute", 0xD3},   {"Ocirc", 0xD4},    {"Ograve", 0xD2},   {"Omega", 0x3A9},
    {"Oslash", 0xD8},   {"Otilde", 0xD5},   {"Ouml", 0xD6},     {"Prime", 0x2033},
    {"Scaron", 0x160},  {"THORN", 0xDE},    {"Uacute", 0xDA},   {"Ucirc", 0xDB},
    {"Ugrave", 0xD9},   {"Uuml", 0xDC},     {"Yacute", 0xDD},   {"Yuml", 0x178},
    {"aacute", 0xE1},   {"acirc", 0xE2},    {"acute", 0xB4},    {"aelig", 0xE6},
    {"agrave", 0xE0},   {"alpha", 0x3B1},   {"amp", 0x26},      {"apos", 0x27},
    {"aring", 0xE5},    {"atilde", 0xE3},   {"auml", 0xE4},     {"bdquo", 0x201E},
    {"beta", 0x3B2},    {"brvbar", 0xA6},   {"bull", 0x2022},   {"ccedil", 0xE7},
    {"cedil", 0xB8},    {"cent", 0xA2},     {"circ", 0x2C6},    {"copy", 0xA9},
    {"curren", 0xA4},   {"dagger", 0x2020}, {"darr", 0x2193},   {"deg", 0xB0},
    {"delta", 0x3B4},   {"divide", 0xF7},   {"eacute", 0xE9},   {"ecirc", 0xEA},
    {"egrave", 0xE8},   {"emsp", 0x2003},   {"ensp", 0x2002},   {"eth", 0xF0},
    {"euml", 0xEB},     {"euro", 0x20AC},   {"fnof", 0x192},    {"frac12", 0xBD},
    {"frac14", 0xBC},   {"frac34", 0xBE},   {"gamma", 0x3B3},   {"ge", 0x2265},
    {"gt", 0x3E},       {"harr", 0x2194},   {"hearts", 0x2665}, {"hellip", 0x2026},
    {"iacute", 0xED},   {"icirc", 0xEE},    {"iexcl", 0xA1},    {"igrave", 0xEC},
    {"infin", 0x221E},  {"iquest", 0xBF},   {"iuml", 0xEF},     {"laquo", 0xAB},
    {"larr", 0x2190},   {"ldquo", 0x201C},  {"le", 0x2264},     {"lrm", 0x200E},
    {"lsaquo", 0x2039}, {"lsquo", 0x2018},  {"lt", 0x3C},       {"macr", 0xAF},
    {"mdash", 0x2014},  {"micro", 0xB5},    {"middot", 0xB7},   {"minus", 0x2212},
    {"mu", 0x3BC},      {"nbsp", 0xA0},     {"ndash", 0x2013},  {"ne", 0x2260},
    {"not", 0xAC},      {"ntilde", 0xF1},   {"oacute", 0xF3},   {"ocirc", 0xF4},
    {"oelig", 0x153},   {"ograve", 0xF2},   {"oline", 0x203E},  {"omega", 0x3C9},
    {"ordf", 0xAA},     {"ordm", 0xBA},     {"oslash", 0xF8},   {"otilde", 0xF5},
    {"ouml", 0xF6},     {"para", 0xB6},     {"permil", 0x2030}, {"pi", 0x3C0},
    {"plusmn", 0xB1},   {"pound", 0xA3},    {"prime", 0x2032},  {"quot", 0x22},
    {"raquo", 0xBB},    {"rarr", 0x2192},   {"rdquo", 0x201D},  {"reg", 0xAE},
    {"rlm", 0x200F},    {"rsaquo", 0x203A}, {"rsquo", 0x2019},  {"sbquo", 0x201A},
    {"scaron", 0x161},  {"sect", 0xA7},     {"shy", 0xAD},      {"star", 0x2606},
    {"sup1", 0xB9},     {"sup2", 0xB2},     {"sup3", 0xB3},     {"szlig", 0xDF},
    {"thinsp", 0x2009}, {"thorn", 0xFE},    {"tilde", 0x2DC},   {"times", 0xD7},
    {"trade", 0x2122},  {"uacute", 0xFA},   {"uarr", 0x2191},   {"ucirc", 0xFB},
    {"ugrave", 0xF9},   {"uml", 0xA8},      {"uuml", 0xFC},     {"yacute", 0xFD},
    {"yen", 0xA5},      {"yuml", 0xFF},     {"zwj", 0x200D},    {"zwnj", 0x200C}};

constexpr bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Decodes the reference starting at in[0] == '&'. Returns the bytes it takes, 0 for none.
size_t decodeReference(std::string_view in, std::string& out) {
    if (in.size() >= 3 && in[1] == '#') {
        bool hex = in[2] == 'x' || in[2] == 'X';
        size_t i = hex ? 3 : 2;
        size_t digitsStart = i;
        std::uint32_t value = 0;
        bool overflow = false;
        for (; i < in.size(); ++i) {
            char c = in[i];
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0)
                break;
            if (value > 0x10FFFF)
                overflow = true;
            else
                value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (i == digitsStart)
            return 0;
        if (i < in.size() && in[i] == ';')
            ++i;
        appendUtf8(overflow ? 0xFFFD : static_cast<char32_t>(value), out);
        return i;
    }
    size_t i = 1;
    while (i < in.size() && i <= 32 && isAlnum(in[i]))
        ++i;
    std::string_view name = in.substr(1, i - 1);
    if (name.empty())
        return 0;
    bool semicolon = i < in.size() && in[i] == ';';
    if (!semicolon && name != "amp" && name != "lt" && name != "gt" && name != "quot")
        return 0;
    const auto* end = std::end(kNamed);
    const auto* found =
        std::lower_bound(std::begin(kNamed), end, name,
                         [](const NamedReference& r, std::string_view n) { return r.name < n; });
    if (found == end || found->name != name)
        return 0;
    appendUtf8(found->value, out);
    return i + (semicolon ? 1 : 0);
}

}  // namespace

void appendUtf8(char32_t value, std::string& out) {
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = 0xFFFD;
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

void appendDecodedHtml(std::string_view in, std::string& out) {
    size_t start = 0;
    for (;;) {
        size_t amp = in.find('&', start);
        if (amp == std::string_view::npos) {
            out.append(in.substr(start));
            return;
        }
        out.append(in.substr(start, amp - start));
        size_t used = decodeReference(in.substr(amp), out);
        if (used == 0) {
            out += '&';
            used = 1;
        }
        start = amp + used;
    }
}

}  // namespace brivanta
