#pragma once

#include <string>
#include <string_view>

#include "core/net/SecurityMode.h"

namespace brivanta::net {

// What a mail dialog's server field means: "host" or "host:port" ("[::1]:995" for an IPv6
// address). Without a port, the usual port of `mode` (`defaultPort`). False for text that
// is no such address (an empty host, a port out of range).
bool parseServerField(std::string_view text, SecurityMode mode, int (*defaultPort)(SecurityMode),
                      std::string& host, int& port);

// The port typed in the field, or 0 when it names none (or is no address).
int typedPort(std::string_view text);

// The login name a mailbox usually has: the part of the e-mail address before its first
// "@"; empty when there is none.
std::string userNameOfAddress(std::string_view email);

}  // namespace brivanta::net
