#pragma once

#include <string>
#include <string_view>

namespace brivanta::text {

// Stored bytes as one line of UTF-8 text that a terminal shows safely and that reads back
// to exactly the same bytes. Every valid GB18030 character (GBK and the four-byte forms)
// shows as itself; TAB, CR, LF and backslash become "\t", "\r", "\n" and "\\"; other
// control characters (C0, DEL and C1) and bytes valid in no character become "\xNN".
// `escapeLeadingSpace` writes a first blank as "\x20" (for text whose indentation counts).
std::string escapedUtf8(std::string_view gbk, bool escapeLeadingSpace = false);

// The inverse of escapedUtf8. False (and `gbk` unspecified) for a backslash that starts
// none of the escapes above.
bool unescapeUtf8(std::string_view utf8, std::string& gbk);

}  // namespace brivanta::text
