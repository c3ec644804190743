#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brivanta {

// What kind of address an entry holds. Addresses are stored text (GBK): every scan here
// steps over double-byte characters whole, because their second byte may be "@" or a letter.

// True when the address begins with a URL scheme followed by "://" ("http://", "ftp://",
// "svn+ssh://"): such an address is a web address even when it holds "@" (user information).
bool hasUrlScheme(std::string_view address);

// Where the "@" that makes the address a mail address stands, or npos when it is none. This is
// the one decision both the icon and opening follow: any position gives the mail icon, a
// position after the first character opens the address as mail.
std::size_t mailSignPosition(std::string_view address);
inline bool showsMailIcon(std::string_view address) {
    return mailSignPosition(address) != std::string_view::npos;
}
inline bool opensAsMail(std::string_view address) {
    std::size_t at = mailSignPosition(address);
    return at != std::string_view::npos && at > 0;
}

// The extension an address is opened by: the four characters from the only "." (".doc",
// ".com"; fewer when the address ends sooner), or ".htm" when it has no "." or more than one
// (a host name). Letter case is kept. `dotMayLead` lets a "." in the first place count.
std::string addressExtension(std::string_view address, bool dotMayLead);

// True when the address names a program by its extension: a single "." followed by "exe" in
// any letter case ("C:\\Tools\\Setup.EXE"), not a mail address nor a URL. A further "." (in a
// folder name) makes it a web page instead.
bool namesProgramByExtension(std::string_view address);

// The key a program is known by in an icon list: its file name (after the last "/" or "\\"),
// lower-cased, so that every entry of the same program shows one image.
std::string programIconKey(std::string_view programPath);

// The icon key of a link's address (leading white space removed, not empty): "mailto" for
// mail addresses, ".htm" for URLs, otherwise the lower-cased extension; a program path
// (".exe") is keyed by the whole lower-cased address.
std::string iconKeyForAddress(std::string_view address);

}  // namespace brivanta
