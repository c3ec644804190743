#pragma once

#include <string>

#include "core/net/TcpConnection.h"

namespace brivanta::net {

// A listening TCP socket.
class TcpListener {
  public:
    TcpListener() = default;
    ~TcpListener();
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Binds `port` (0 picks a free one) on `bindAddress`, or on every local address
    // (IPv6 and IPv4) when it is empty, and listens with `backlog`.
    NetStatus listen(int port, const std::string& bindAddress = {}, int backlog = 5);
    // Waits up to `waitMs` (negative: without end) for a connection. timedOut when none.
    NetStatus accept(TcpConnection& out, int waitMs, const NetTimeouts& timeouts = {});
    // Waits up to `waitMs` for a connection to be taken, without taking it.
    bool waitForConnection(int waitMs) const;
    void close();

    bool isOpen() const { return fd_ >= 0; }
    // The port actually bound.
    int port() const { return port_; }
    int lastError() const { return lastError_; }

  private:
    int fd_ = -1;
    int port_ = 0;
    int lastError_ = 0;
};

}  // namespace brivanta::net
