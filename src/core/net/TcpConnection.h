#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "core/net/NetTimeouts.h"
#include "core/net/SecurityMode.h"

struct addrinfo;

namespace brivanta::net {

class TlsLayer;

// A blocking TCP connection with time-outs: every wait is a poll() bounded by the
// connect or read time-out. Nothing throws; every operation returns how it ended.
// After startTls every send and receive goes through TLS, with the same time-outs.
class TcpConnection {
  public:
    TcpConnection();
    explicit TcpConnection(int fd, const NetTimeouts& timeouts = {});
    ~TcpConnection();
    TcpConnection(TcpConnection&& other) noexcept;
    TcpConnection& operator=(TcpConnection&& other) noexcept;
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Resolves `host` (a name, an IPv4 or an IPv6 address) and connects to the first
    // address that answers, all within the connect time-out.
    NetStatus connect(const std::string& host, int port);
    // Connects to the first address of `list` that answers. Each address waits at most its
    // even share of what is left of the connect time-out, so one that never answers does
    // not use up the time of those after it.
    NetStatus connectTo(const addrinfo* list);
    // Sends every byte (a write that cannot go ahead waits up to the read time-out).
    NetStatus sendAll(std::string_view data);
    // Waits up to the read time-out for data and reads what is there, at most `size`
    // bytes. `got` is > 0 exactly when the result is ok.
    NetStatus receive(char* buffer, size_t size, size_t& got);
    // True when something has arrived (or the other side closed) and a receive would not
    // wait. Does not wait itself.
    bool hasInput() const;
    // Waits up to `ms` for input (or the other side's close); true when it came.
    bool waitForInput(int ms) const;
    // Starts TLS as the client on the open connection: the handshake (each wait bounded by
    // the read time-out, all of it by the connect time-out), then the certificate checked
    // for `host`. tlsFailed with tlsFailure() saying why; the connection is closed then.
    NetStatus startTls(const std::string& host, const TlsOptions& options);
    // The server's side of the same (the tests' servers): certificate chain and key from
    // PEM files; `maxVersion` (an OpenSSL version constant, 0 for none) pins the protocol.
    NetStatus acceptTls(const std::string& certificateFile, const std::string& keyFile,
                        int maxVersion = 0);
    bool isEncrypted() const { return tls_ != nullptr; }
    // Why startTls (or a later TLS read or write) failed, UTF-8.
    const std::string& tlsFailure() const { return tlsFailure_; }
    // "TLSv1.3" say, "" while not encrypted.
    std::string tlsProtocol() const;
    // Stops sending (the other side sees the end of the data) but keeps reading.
    void shutdownWrite();
    void close();

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    void setTimeouts(const NetTimeouts& timeouts) { timeouts_ = timeouts; }
    const NetTimeouts& timeouts() const { return timeouts_; }
    // errno of the last failure, 0 if none.
    int lastError() const { return lastError_; }
    // "address:port" of the other side, "" when unknown.
    std::string peerName() const;

  private:
    NetStatus handshake(std::unique_ptr<TlsLayer> layer);
    NetStatus sendAllTls(std::string_view data);
    NetStatus receiveTls(char* buffer, size_t size, size_t& got);

    int fd_ = -1;
    int lastError_ = 0;
    NetTimeouts timeouts_;
    std::unique_ptr<TlsLayer> tls_;
    std::string tlsFailure_;
};

// Splits "HOST", "HOST:PORT", "[V6]:PORT" or a bare IPv6 address. False when the port
// is not a number in 1..65535.
bool splitHostPort(std::string_view text, int defaultPort, std::string& host, int& port);

}  // namespace brivanta::net
