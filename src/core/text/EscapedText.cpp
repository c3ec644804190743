#include "core/text/EscapedText.h"

#include "core/text/Encoding.h"

namespace brivanta::text {

namespace {

bool plainAscii(unsigned char c) {
    return c >= 0x20 && c < 0x7f && c != '\\';
}

void appendHex(std::string& out, unsigned char c) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
}

void appendAsciiEscaped(std::string& out, unsigned char c) {
    switch (c) {
        case '\t':
            out += "\\t";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\\':
            out += "\\\\";
            return;
        default:
            if (plainAscii(c))
                out += static_cast<char>(c);
            else
                appendHex(out, c);
    }
}

// True when UTF-8 `s` holds a C1 control (U+0080..U+009F), which terminals obey.
bool hasC1(std::string_view s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (static_cast<unsigned char>(s[i]) == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0)
            return true;
    }
    return false;
}

// The length of the GB18030 sequence that starts `s` by its shape alone (0: none).
size_t sequenceLength(std::string_view s) {
    auto at = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    if (s.size() >= 2 && at(0) >= 0x81 && at(0) <= 0xFE) {
        if ((at(1) >= 0x40 && at(1) <= 0x7E) || (at(1) >= 0x80 && at(1) <= 0xFE))
            return 2;
        if (s.size() >= 4 && at(1) >= 0x30 && at(1) <= 0x39 && at(2) >= 0x81 && at(2) <= 0xFE &&
            at(3) >= 0x30 && at(3) <= 0x39)
            return 4;
    }
    return 0;
}

// The character as UTF-8 when `seq` is one valid GB18030 character that is no control and
// converts back to the same bytes.
bool characterAsUtf8(std::string_view seq, std::string& utf8) {
    utf8 = toUtf8(seq);
    return !hasC1(utf8) && fromUtf8(utf8) == seq;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string escapedUtf8(std::string_view gbk, bool escapeLeadingSpace) {
    std::string out;
    if (escapeLeadingSpace && !gbk.empty() && gbk[0] == ' ') {
        out += "\\x20";
        gbk.remove_prefix(1);
    }
    // Most text converts whole and needs no escape: one conversion each way decides that.
    bool clean = true;
    for (char c : gbk) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80 && !plainAscii(u)) {
            clean = false;
            break;
        }
    }
    if (clean) {
        std::string whole = toUtf8(gbk);
        if (!hasC1(whole) && fromUtf8(whole) == gbk)
            return out + whole;
    }
    std::string utf8;
    while (!gbk.empty()) {
        auto c = static_cast<unsigned char>(gbk[0]);
        if (c < 0x80) {
            appendAsciiEscaped(out, c);
            gbk.remove_prefix(1);
            continue;
        }
        size_t length = sequenceLength(gbk);
        if (length > 0 && characterAsUtf8(gbk.substr(0, length), utf8)) {
            out += utf8;
            gbk.remove_prefix(length);
            continue;
        }
        appendHex(out, c);
        gbk.remove_prefix(1);
    }
    return out;
}

bool unescapeUtf8(std::string_view utf8, std::string& gbk) {
    gbk.clear();
    while (!utf8.empty()) {
        size_t backslash = utf8.find('\\');
        gbk += fromUtf8(utf8.substr(0, backslash));
        if (backslash == std::string_view::npos)
            return true;
        utf8.remove_prefix(backslash);
        if (utf8.size() < 2)
            return false;
        switch (utf8[1]) {
            case 't':
                gbk += '\t';
                break;
            case 'r':
                gbk += '\r';
                break;
            case 'n':
                gbk += '\n';
                break;
            case '\\':
                gbk += '\\';
                break;
            case 'x': {
                int high = utf8.size() >= 4 ? hexValue(utf8[2]) : -1;
                int low = utf8.size() >= 4 ? hexValue(utf8[3]) : -1;
                if (high < 0 || low < 0)
                    return false;
                gbk += static_cast<char>(high * 16 + low);
                utf8.remove_prefix(2);
                break;
            }
            default:
                return false;
        }
        utf8.remove_prefix(2);
    }
    return true;
}

}  // namespace brivanta::text
