#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// The five characters that can end an attribute or open markup in a page we write: "&", "<",
// ">", "'" and '"'. Stored text is GBK, whose second bytes never fall below 0x40, so
// working byte by byte never splits a double-byte character.

// Appends `text` to `out` with those five written as "&amp;", "&lt;", "&gt;", "&#39;" and
// "&quot;"; everything else is copied as it is.
void appendHtmlEscaped(std::string& out, std::string_view text);
std::string htmlEscaped(std::string_view text);

// The reverse, in one pass: "&amp;", "&lt;", "&gt;", "&quot;", "&#39;" and "&apos;" become
// their characters ("&amp;lt;" is "&lt;", not "<"). Any other "&" is kept, so text that was
// never escaped comes through unchanged unless it happens to hold one of these six.
std::string htmlDecoded(std::string_view text);

}  // namespace brivanta
