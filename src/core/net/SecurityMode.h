#pragma once

#include <string>
#include <string_view>

namespace brivanta::net {

// How a mail client protects its connection.
enum class SecurityMode {
    none,      // plain text throughout, the dialogue of old
    startTls,  // plain greeting, then STARTTLS (SMTP) or STLS (POP3); required, never skipped
    tls,       // TLS from the first byte
};

// What a TLS connection trusts besides the system's certificate authorities.
struct TlsOptions {
    std::string caFile;  // PEM file of further authorities ("" for none)
};

// "none", "starttls" or "tls"; false for anything else.
bool parseSecurityMode(std::string_view text, SecurityMode& mode);
const char* securityModeName(SecurityMode mode);

// The mode a port is usually run with: 465 and 995 TLS, 587 STARTTLS, every other port none.
SecurityMode defaultSecurityForPort(int port);
// The port a mode usually runs on: SMTP 25, 587 or 465; POP3 110, 110 or 995.
int defaultSmtpPort(SecurityMode mode);
int defaultPop3Port(SecurityMode mode);

}  // namespace brivanta::net
