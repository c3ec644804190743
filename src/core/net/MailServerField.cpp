#include "core/net/MailServerField.h"

#include "core/net/TcpConnection.h"

namespace brivanta::net {

bool parseServerField(std::string_view text, SecurityMode mode, int (*defaultPort)(SecurityMode),
                      std::string& host, int& port) {
    return splitHostPort(text, defaultPort(mode), host, port) && !host.empty();
}

int typedPort(std::string_view text) {
    std::string host;
    int port = 0;
    if (!splitHostPort(text, 0, host, port) || host.empty())
        return 0;
    return port;
}

std::string userNameOfAddress(std::string_view email) {
    size_t at = email.find('@');
    return at == std::string_view::npos ? std::string() : std::string(email.substr(0, at));
}

}  // namespace brivanta::net
