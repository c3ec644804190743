#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brivanta::net {

// What an SMTP server offers in its reply to EHLO.
struct SmtpCapabilities {
    bool startTls = false;
    std::vector<std::string> authMechanisms;  // upper case, as offered ("PLAIN", "LOGIN")
    bool offersAuth(std::string_view mechanism) const;
};

// Reads a whole EHLO reply ("250-name greets\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n"): the
// keywords of every line after the first. Keywords are case-blind; lines that are not
// "250" plus a blank or a dash are passed over.
SmtpCapabilities parseEhloReply(std::string_view reply);

// What a POP3 server lists after "+OK" in its reply to CAPA.
struct Pop3Capabilities {
    bool stls = false;
    bool user = false;
};

// Reads the lines of a CAPA list (without the "+OK" line, up to but without the final ".").
Pop3Capabilities parseCapaReply(std::string_view lines);

}  // namespace brivanta::net
