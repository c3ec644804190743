#pragma once

#include <string_view>

namespace brivanta::net {

// Whether `text` can name a neighbour to connect to: an IPv4 address in dotted form, an IPv6
// address (bare or in brackets), or a host name of letters, digits, "-" and "_" in dot-separated
// labels of 1 to 63 characters (253 in all, a final dot allowed). Anything else, such as an
// empty text, spaces, a port ("host:5000"), an address in a URL or a name in Chinese, would
// only fail later as a connection that cannot be made.
bool isPeerAddress(std::string_view text);

}  // namespace brivanta::net
