#pragma once

#include <string>
#include <string_view>

namespace brivanta::text {

// Stored text is GBK; people read and type Unicode. These two functions are the only
// crossing between the two. GB18030 is used in both directions because it is a superset
// of GBK that maps every Unicode character, so nothing a person types is lost.

// GBK/GB18030 bytes to UTF-8. Bytes that are not valid GB18030 become U+FFFD, so a damaged
// name still shows instead of making the whole conversion fail.
std::string toUtf8(std::string_view gbk);

// UTF-8 to GB18030 bytes. Invalid UTF-8 sequences become "?".
std::string fromUtf8(std::string_view utf8);

// Writes a Chinese literal from UTF-8 source into stored (GBK) bytes.
inline std::string gbk(std::string_view utf8) {
    return fromUtf8(utf8);
}

// Bytes in the character set `charset` (an iconv name such as "windows-1252") to UTF-8;
// sequences that are not valid in it become U+FFFD. False, with `out` untouched, when the
// character set is unknown. Used for outside files that name their own encoding.
bool charsetToUtf8(const std::string& charset, std::string_view in, std::string& out);

// True when `s` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view s);

// UTF-16LE code units to GBK; characters GBK lacks become "?". Used by the archive reader
// for the rare wide-string form.
std::string fromUtf16Le(std::string_view utf16le);

}  // namespace brivanta::text
