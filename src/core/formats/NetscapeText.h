#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// Text inside bookmark files, which are HTML: decoding their character references, in UTF-8.
// Escaping is the page's own (appendHtmlEscaped), so the two HTML writers cannot drift apart.

// Appends `in` to `out` with its character references decoded: "&#20013;", "&#x4E2D;" and
// the named references browsers write (the markup ones, Latin-1, common punctuation). A
// reference that names nothing stays as written; "&amp", "&lt", "&gt" and "&quot" are also
// taken without their semicolon, as old files write them, unless a letter or digit follows
// (as browsers read addresses: "?a=1&ltx=2" keeps its "&ltx"). A numeric reference to nothing
// (zero, a surrogate, past U+10FFFF) becomes U+FFFD.
void appendDecodedHtml(std::string_view in, std::string& out);

// Appends the UTF-8 form of code point `value` (U+FFFD for one that is no character).
void appendUtf8(char32_t value, std::string& out);

}  // namespace brivanta
