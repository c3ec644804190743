#pragma once

#include <optional>
#include <string>

#include "core/net/SecurityMode.h"

namespace brivanta {

// What "Users.ini" has no room for: per user, how each mail server is protected and the
// name the outgoing server wants for its login. Kept in the program's profile.
struct MailSecurityProfile {
    // Unset means "what the server's port usually runs": defaultSecurityForPort.
    std::optional<net::SecurityMode> smtpSecurity;
    std::optional<net::SecurityMode> pop3Security;
    // Empty: no login (the dialogue of old).
    std::string smtpLogin;

    bool operator==(const MailSecurityProfile&) const = default;

    // The mode to use against `port` (the port typed or the protocol's default).
    net::SecurityMode smtpModeFor(int port) const {
        return smtpSecurity.value_or(net::defaultSecurityForPort(port));
    }
    net::SecurityMode pop3ModeFor(int port) const {
        return pop3Security.value_or(net::defaultSecurityForPort(port));
    }
};

}  // namespace brivanta
