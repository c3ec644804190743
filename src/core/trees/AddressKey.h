#pragma once

#include <string>
#include <string_view>

namespace brivanta {

// What two addresses must share to be the same place, written into `key` (cleared first):
// scheme and host in lower case, the scheme's default port dropped, an empty path as "/",
// the #fragment and tracking parameters (utm_*, fbclid, gclid, spm) dropped, and http and
// https folded into one. A mail address (with or without "mailto:") is compared without
// case. Anything else is compared as it is. Addresses hold GBK bytes: only ASCII letters
// change case, never the second byte of a double-byte character.
void addressKey(std::string_view address, std::string& key);
std::string addressKey(std::string_view address);

// The host of a web address in lower case, without user, port or brackets ("" when the
// address has none).
std::string addressHost(std::string_view address);

// True for a tracking parameter name the key drops.
bool isTrackingParameter(std::string_view name);

}  // namespace brivanta
