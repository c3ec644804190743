// The POP3 and SMTP clients against a server whose every byte is fuzz input: the input is
// written into one end of a socket pair and the client runs its dialogue on the other.
// The first byte picks the client (bit 0), a small mail size limit (bit 1), so that the
// path that skips an oversize mail is fuzzed too, and the dialogue of today or the new one
// (bit 2: EHLO and a login for SMTP, CAPA and STLS for POP3, where a "yes" to STLS leads
// to a TLS handshake with the rest of the input).

#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/net/CSMTP.h"
#include "core/net/Pop3Receiver.h"
#include "core/net/TransferEnvelope.h"

using namespace brivanta;

namespace {

// The client's end of a pair whose other end has sent `bytes` and then closed its sending
// side. Returns the server's end (kept open so the client's writes do not fail at once).
int serverSaid(std::string_view bytes, net::TcpConnection& client) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return -1;
    int size = 1 << 20;
    setsockopt(fds[1], SOL_SOCKET, SO_SNDBUF, &size, sizeof size);
    setsockopt(fds[0], SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    while (!bytes.empty()) {
        ssize_t n = write(fds[1], bytes.data(), bytes.size());
        if (n <= 0)
            break;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    shutdown(fds[1], SHUT_WR);
    client = net::TcpConnection(fds[0]);
    return fds[1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024)
        return 0;
    const bool pop3 = data[0] & 1;
    const bool smallLimit = data[0] & 2;
    const bool secured = data[0] & 4;
    std::string_view script(reinterpret_cast<const char*>(data) + 1, size - 1);
    net::TcpConnection connection;
    int server = serverSaid(script, connection);
    if (server < 0)
        return 0;
    const net::NetTimeouts quick{50, 50};
    if (pop3) {
        net::Pop3Receiver client("", 0, "user", "password", quick);
        if (smallLimit)
            client.setMaxMailSize(64);
        if (secured)
            client.setSecurity(net::SecurityMode::startTls);
        if (client.connect(std::move(connection))) {
            int count = client.messageCount();
            net::MailMessage message;
            for (int n = 1; n <= count && n <= 64 && client.isUsable(); ++n) {
                if (client.retrieve(n, message))
                    net::readEnvelope(message.body);
            }
            client.disconnect();
        }
    } else {
        net::CSMTP client("", 0, quick);
        if (smallLimit)
            client.setMaxMailSize(256);
        if (secured)
            client.setLogin("user@x", "password");
        if (client.connect(std::move(connection))) {
            net::MailMessage message;
            message.addRecipient("a@x");
            message.addRecipient("b@x");
            message.body = ".\r\nbody\r\n";
            client.sendMessage(message);
            client.disconnect();
        }
    }
    close(server);
    return 0;
}
