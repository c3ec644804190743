#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace brivanta::cli {

// The program works in UTF-8. In a locale whose encoding is GBK (zh_CN.GBK, GB18030,
// GB2312) a terminal shows and types GBK: standard output and error are converted to it on
// their way out, and text arguments and the text of build are read from it. Under any other
// locale (C, UTF-8) nothing changes.

// Looks at the locale set by setlocale() and, for GBK, puts the converting streams in place
// of stdout and stderr. Called once at the start.
void useLocaleEncoding();

// Standard output for bytes that must pass unchanged (a tree file, a page written with
// "-"): the original stream, whatever the locale.
FILE* byteOutput();

// True once useLocaleEncoding() found a GBK locale.
bool localeIsGbk();

// A text argument (a query) or a line typed in the locale's encoding, as UTF-8.
std::string argumentText(const std::string& arg);

// UTF-8 text in the GBK of the locale: every well-formed UTF-8 character converted, any
// other byte passed as it is (a file name in GBK stays readable).
std::string gbkForTerminal(std::string_view utf8);

// How many bytes at the start of `bytes` end on a whole UTF-8 character (or on a byte
// that starts none); the rest may be completed by the next write.
size_t completeUtf8Prefix(std::string_view bytes);

}  // namespace brivanta::cli
