#pragma once

// Opening the connection of a mail dialogue, the part the SMTP and POP3 clients share:
// connect (or take a connection already open), put TLS on it from the first byte or in
// the middle of the dialogue, and say what failed in the client's status text (GBK).

#include <string>
#include <string_view>

#include "core/net/ReplyReader.h"
#include "core/net/SecurityMode.h"
#include "core/net/TcpConnection.h"

namespace brivanta::net {

// Where a client talks to and how.
struct MailEndpoint {
    std::string host;
    int port = 0;
    SecurityMode security = SecurityMode::none;
    TlsOptions tls;
};

// Connects `socket` to the endpoint, with TLS at once in mode tls. False with the text in
// `statusText` and the socket closed.
bool openMailConnection(const MailEndpoint& endpoint, TcpConnection& socket, ReplyReader& replies,
                        std::string& statusText);
// The same over a connection that is already open; `socket` keeps its time-outs.
bool adoptMailConnection(const MailEndpoint& endpoint, TcpConnection&& given, TcpConnection& socket,
                         ReplyReader& replies, std::string& statusText);
// Starts TLS after the server agreed to STARTTLS or STLS. Bytes that came in the clear
// after that reply (which a man in the middle could have put there) fail it.
bool encryptMailConnection(const MailEndpoint& endpoint, TcpConnection& socket,
                           ReplyReader& replies, std::string& statusText);

// The first line of a server's reply, fit to show inside a status text: no line end, no
// control characters, at most 200 bytes.
std::string quotedReply(std::string_view reply);

}  // namespace brivanta::net
