#include "core/net/TcpListener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace brivanta::net {

TcpListener::~TcpListener() {
    close();
}

void TcpListener::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

namespace {

int boundPort(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return 0;
    if (ss.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    if (ss.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    return 0;
}

// A socket bound to `addr`, or -1 with errno set.
int bindSocket(const sockaddr* addr, socklen_t len, bool dualStack) {
    int fd = ::socket(addr->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return -1;
    int one = 1;
    // Lets a restarted listener take its port back at once; two live listeners on one
    // port are still refused on Linux.
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (dualStack) {
        int zero = 0;
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
    }
    if (::bind(fd, addr, len) != 0) {
        int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

}  // namespace

NetStatus TcpListener::listen(int port, const std::string& bindAddress, int backlog) {
    close();
    lastError_ = 0;
    if (port < 0 || port > 65535) {
        lastError_ = EINVAL;
        return NetStatus::error;
    }
    int fd = -1;
    if (bindAddress.empty()) {
        sockaddr_in6 any6{};
        any6.sin6_family = AF_INET6;
        any6.sin6_addr = in6addr_any;
        any6.sin6_port = htons(static_cast<uint16_t>(port));
        fd = bindSocket(reinterpret_cast<sockaddr*>(&any6), sizeof any6, true);
        if (fd < 0 && (errno == EAFNOSUPPORT || errno == EADDRNOTAVAIL)) {
            sockaddr_in any4{};
            any4.sin_family = AF_INET;
            any4.sin_addr.s_addr = htonl(INADDR_ANY);
            any4.sin_port = htons(static_cast<uint16_t>(port));
            fd = bindSocket(reinterpret_cast<sockaddr*>(&any4), sizeof any4, false);
        }
    } else {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
        addrinfo* list = nullptr;
        const std::string service = std::to_string(port);
        if (getaddrinfo(bindAddress.c_str(), service.c_str(), &hints, &list) != 0 || !list) {
            lastError_ = EADDRNOTAVAIL;
            return NetStatus::resolveFailed;
        }
        fd = bindSocket(list->ai_addr, list->ai_addrlen, false);
        freeaddrinfo(list);
    }
    if (fd < 0) {
        lastError_ = errno;
        return NetStatus::error;
    }
    if (::listen(fd, backlog) != 0) {
        lastError_ = errno;
        ::close(fd);
        return NetStatus::error;
    }
    fd_ = fd;
    port_ = boundPort(fd);
    return NetStatus::ok;
}

NetStatus TcpListener::accept(TcpConnection& out, int waitMs, const NetTimeouts& timeouts) {
    if (fd_ < 0)
        return NetStatus::closed;
    // A deadline, not a fresh wait after every signal: frequent signals (a profiler's
    // timer) must not keep the wait from ever ending.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            out = TcpConnection(fd, timeouts);
            return NetStatus::ok;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            lastError_ = errno;
            return NetStatus::error;
        }
        int timeout = -1;
        if (waitMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            timeout = left.count() < 0 ? 0 : static_cast<int>(left.count());
        }
        pollfd p{fd_, POLLIN, 0};
        int r = ::poll(&p, 1, timeout);
        if (r == 0)
            return NetStatus::timedOut;
        if (r < 0 && errno != EINTR) {
            lastError_ = errno;
            return NetStatus::error;
        }
    }
}

bool TcpListener::waitForConnection(int waitMs) const {
    if (fd_ < 0)
        return false;
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, waitMs) > 0;
}

}  // namespace brivanta::net
