#include "core/net/TcpConnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>

#include "core/net/TlsLayer.h"

namespace brivanta::net {

const char* describe(NetStatus status) {
    switch (status) {
        case NetStatus::ok:
            return "ok";
        case NetStatus::closed:
            return "connection closed by the other side";
        case NetStatus::timedOut:
            return "timed out";
        case NetStatus::resolveFailed:
            return "host not found";
        case NetStatus::refused:
            return "connection failed";
        case NetStatus::noSocket:
            return "cannot create a socket";
        case NetStatus::tooLarge:
            return "too much data";
        case NetStatus::tooManyEntries:
            return "too many entries";
        case NetStatus::overBudget:
            return "the transfers received at once passed their shared memory limit";
        case NetStatus::cancelled:
            return "stopped";
        case NetStatus::tlsFailed:
            return "TLS failed";
        case NetStatus::error:
            return "socket error";
    }
    return "?";
}

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll(); -1 (no end) when there is no deadline.
int remainingMs(bool hasDeadline, Clock::time_point deadline) {
    if (!hasDeadline)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Waits for `events` on `fd`. ok, timedOut or error (errno in `err`).
NetStatus waitFor(int fd, short events, int timeoutMs, int& err) {
    const bool hasDeadline = timeoutMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        pollfd p{fd, events, 0};
        int r = ::poll(&p, 1, remainingMs(hasDeadline, deadline));
        if (r > 0)
            return NetStatus::ok;  // readiness or an error condition: the call says
        if (r == 0)
            return NetStatus::timedOut;
        if (errno != EINTR) {
            err = errno;
            return NetStatus::error;
        }
    }
}

std::string formatAddress(const sockaddr* sa) {
    char host[INET6_ADDRSTRLEN] = {};
    int port = 0;
    if (sa->sa_family == AF_INET) {
        auto* in = reinterpret_cast<const sockaddr_in*>(sa);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    if (sa->sa_family == AF_INET6) {
        auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
        inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
        port = ntohs(in6->sin6_port);
        return "[" + std::string(host) + "]:" + std::to_string(port);
    }
    return {};
}

}  // namespace

TcpConnection::TcpConnection() = default;

TcpConnection::TcpConnection(int fd, const NetTimeouts& timeouts) : fd_(fd), timeouts_(timeouts) {
    if (fd_ >= 0) {
        int flags = fcntl(fd_, F_GETFL, 0);
        if (flags >= 0)
            fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    }
}

TcpConnection::~TcpConnection() {
    close();
}

TcpConnection::TcpConnection(TcpConnection&& other) noexcept
    : fd_(other.fd_),
      lastError_(other.lastError_),
      timeouts_(other.timeouts_),
      tls_(std::move(other.tls_)),
      tlsFailure_(std::move(other.tlsFailure_)) {
    other.fd_ = -1;
}

TcpConnection& TcpConnection::operator=(TcpConnection&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        lastError_ = other.lastError_;
        timeouts_ = other.timeouts_;
        tls_ = std::move(other.tls_);
        tlsFailure_ = std::move(other.tlsFailure_);
        other.fd_ = -1;
    }
    return *this;
}

void TcpConnection::close() {
    if (tls_) {
        tls_->sendCloseNotify();
        tls_.reset();
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

NetStatus TcpConnection::startTls(const std::string& host, const TlsOptions& options) {
    tlsFailure_.clear();
    if (fd_ < 0)
        return NetStatus::closed;
    if (tls_)
        return NetStatus::ok;
    return handshake(TlsLayer::forClient(fd_, host, options, tlsFailure_));
}

NetStatus TcpConnection::acceptTls(const std::string& certificateFile, const std::string& keyFile,
                                   int maxVersion) {
    tlsFailure_.clear();
    if (fd_ < 0)
        return NetStatus::closed;
    if (tls_)
        return NetStatus::ok;
    return handshake(TlsLayer::forServer(fd_, certificateFile, keyFile, maxVersion, tlsFailure_));
}

NetStatus TcpConnection::handshake(std::unique_ptr<TlsLayer> layer) {
    if (!layer) {
        close();
        return NetStatus::tlsFailed;
    }
    // A server that answers each step slowly must not stretch the handshake without end.
    const bool hasDeadline = timeouts_.connectMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.connectMs);
    for (;;) {
        const TlsLayer::Io io = layer->handshake();
        if (io == TlsLayer::Io::done) {
            tls_ = std::move(layer);
            return NetStatus::ok;
        }
        if (io == TlsLayer::Io::wantRead || io == TlsLayer::Io::wantWrite) {
            int wait = timeouts_.readMs;
            const int left = remainingMs(hasDeadline, deadline);
            if (left >= 0 && (wait <= 0 || left < wait))
                wait = left;
            int err = 0;
            NetStatus w = wait == 0 ? NetStatus::timedOut
                                    : waitFor(fd_, io == TlsLayer::Io::wantRead ? POLLIN : POLLOUT,
                                              wait, err);
            if (w == NetStatus::ok)
                continue;
            lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
            tlsFailure_ = w == NetStatus::timedOut ? "TLS 握手超时" : "TLS 握手时连接出错";
        } else {
            tlsFailure_ = layer->failure();
        }
        layer.reset();
        close();
        return NetStatus::tlsFailed;
    }
}

std::string TcpConnection::tlsProtocol() const {
    return tls_ ? tls_->protocolName() : std::string();
}

NetStatus TcpConnection::sendAllTls(std::string_view data) {
    while (!data.empty()) {
        size_t written = 0;
        const TlsLayer::Io io = tls_->write(data, written);
        if (io == TlsLayer::Io::done) {
            data.remove_prefix(written);
            continue;
        }
        if (io == TlsLayer::Io::wantRead || io == TlsLayer::Io::wantWrite) {
            int err = 0;
            NetStatus w = waitFor(fd_, io == TlsLayer::Io::wantRead ? POLLIN : POLLOUT,
                                  timeouts_.readMs, err);
            if (w != NetStatus::ok) {
                lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
                return w;
            }
            continue;
        }
        if (io == TlsLayer::Io::closed)
            return NetStatus::closed;
        tlsFailure_ = tls_->failure();
        return NetStatus::tlsFailed;
    }
    return NetStatus::ok;
}

NetStatus TcpConnection::receiveTls(char* buffer, size_t size, size_t& got) {
    // Records that carry no data (session tickets, key updates) wake the wait without ending
    // it: the read time-out bounds the whole wait for data, not each of those records, or a
    // server sending one a second would hold the reader for ever.
    const bool hasDeadline = timeouts_.readMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.readMs);
    for (;;) {
        const TlsLayer::Io io = tls_->read(buffer, size, got);
        if (io == TlsLayer::Io::done)
            return NetStatus::ok;
        if (io == TlsLayer::Io::wantRead || io == TlsLayer::Io::wantWrite) {
            int err = 0;
            const int left = remainingMs(hasDeadline, deadline);
            NetStatus w = left == 0 ? NetStatus::timedOut
                                    : waitFor(fd_, io == TlsLayer::Io::wantRead ? POLLIN : POLLOUT,
                                              left, err);
            if (w != NetStatus::ok) {
                lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
                return w;
            }
            continue;
        }
        got = 0;
        if (io == TlsLayer::Io::closed)
            return NetStatus::closed;
        tlsFailure_ = tls_->failure();
        return NetStatus::tlsFailed;
    }
}

NetStatus TcpConnection::connect(const std::string& host, int port) {
    close();
    lastError_ = 0;
    if (host.empty() || port <= 0 || port > 65535) {
        lastError_ = EINVAL;
        return NetStatus::resolveFailed;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0 || list == nullptr) {
        lastError_ = rc == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return NetStatus::resolveFailed;
    }
    NetStatus result = connectTo(list);
    freeaddrinfo(list);
    return result;
}

NetStatus TcpConnection::connectTo(const addrinfo* list) {
    close();
    lastError_ = 0;
    const bool hasDeadline = timeouts_.connectMs > 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.connectMs);
    int left = 0;  // addresses not tried yet
    for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next)
        ++left;
    NetStatus result = NetStatus::refused;
    bool triedOne = false;  // a socket was made for at least one address
    for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next, --left) {
        int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          ai->ai_protocol);
        if (fd < 0) {
            lastError_ = errno;
            if (!triedOne)
                result = NetStatus::noSocket;
            continue;
        }
        triedOne = true;
        int r = ::connect(fd, ai->ai_addr, ai->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            // An address that does not answer (a black-holed IPv6 route, say) gets only its
            // share of the time, so the addresses after it are still tried.
            int remaining = remainingMs(hasDeadline, deadline);
            int share = remaining < 0 ? -1 : remaining / left;
            if (remaining > 0 && share == 0)
                share = 1;
            int err = 0;
            NetStatus w = remaining == 0 ? NetStatus::timedOut : waitFor(fd, POLLOUT, share, err);
            if (w == NetStatus::ok) {
                socklen_t len = sizeof err;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                    err = errno;
                r = err == 0 ? 0 : -1;
                errno = err;
            } else {
                ::close(fd);
                lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
                result = w;
                if (w == NetStatus::timedOut && remainingMs(hasDeadline, deadline) == 0)
                    break;  // the time-out covers every address
                continue;
            }
        }
        if (r == 0) {
            int one = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            fd_ = fd;
            result = NetStatus::ok;
            lastError_ = 0;
            break;
        }
        lastError_ = errno;
        result = NetStatus::refused;
        ::close(fd);
    }
    return result;
}

NetStatus TcpConnection::sendAll(std::string_view data) {
    if (fd_ < 0)
        return NetStatus::closed;
    if (tls_)
        return sendAllTls(data);
    while (!data.empty()) {
        ssize_t n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
        if (n > 0) {
            data.remove_prefix(static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            int err = 0;
            NetStatus w = waitFor(fd_, POLLOUT, timeouts_.readMs, err);
            if (w != NetStatus::ok) {
                lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
                return w;
            }
            continue;
        }
        lastError_ = errno;
        return errno == EPIPE || errno == ECONNRESET ? NetStatus::closed : NetStatus::error;
    }
    return NetStatus::ok;
}

NetStatus TcpConnection::receive(char* buffer, size_t size, size_t& got) {
    got = 0;
    if (fd_ < 0)
        return NetStatus::closed;
    if (size == 0)
        return NetStatus::ok;
    if (tls_)
        return receiveTls(buffer, size, got);
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n > 0) {
            got = static_cast<size_t>(n);
            return NetStatus::ok;
        }
        if (n == 0)
            return NetStatus::closed;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            int err = 0;
            NetStatus w = waitFor(fd_, POLLIN, timeouts_.readMs, err);
            if (w != NetStatus::ok) {
                lastError_ = w == NetStatus::timedOut ? ETIMEDOUT : err;
                return w;
            }
            continue;
        }
        lastError_ = errno;
        return errno == ECONNRESET ? NetStatus::closed : NetStatus::error;
    }
}

bool TcpConnection::hasInput() const {
    if (fd_ < 0)
        return false;
    // Readable bytes under TLS may be no data at all (a session ticket, say): only what
    // decrypts to data, the end of the stream or a broken stream count.
    if (tls_) {
        const TlsLayer::Io io = tls_->peek();
        return io != TlsLayer::Io::wantRead && io != TlsLayer::Io::wantWrite;
    }
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

bool TcpConnection::waitForInput(int ms) const {
    if (fd_ < 0)
        return false;
    if (ms <= 0)
        return hasInput();  // waitFor takes zero as "no end"
    int err = 0;
    if (!tls_)
        return waitFor(fd_, POLLIN, ms, err) == NetStatus::ok;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (hasInput())
            return true;
        const int left = remainingMs(true, deadline);
        if (left == 0 || waitFor(fd_, POLLIN, left, err) != NetStatus::ok)
            return false;
    }
}

void TcpConnection::shutdownWrite() {
    if (tls_)
        tls_->sendCloseNotify();
    if (fd_ >= 0)
        ::shutdown(fd_, SHUT_WR);
}

std::string TcpConnection::peerName() const {
    if (fd_ < 0)
        return {};
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getpeername(fd_, reinterpret_cast<sockaddr*>(&ss), &len) != 0)
        return {};
    return formatAddress(reinterpret_cast<const sockaddr*>(&ss));
}

bool splitHostPort(std::string_view text, int defaultPort, std::string& host, int& port) {
    port = defaultPort;
    std::string_view portText;
    if (text.starts_with('[')) {
        size_t close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        host.assign(text.substr(1, close - 1));
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':')
                return false;
            portText = rest.substr(1);
        }
    } else {
        size_t colon = text.rfind(':');
        if (colon != std::string_view::npos && text.find(':') == colon) {
            host.assign(text.substr(0, colon));
            portText = text.substr(colon + 1);
        } else {
            host.assign(text);  // no port, or a bare IPv6 address
        }
    }
    if (!portText.data())
        return true;
    int value = 0;
    auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), value);
    if (ec != std::errc() || end != portText.data() + portText.size() || value < 1 ||
        value > 65535) {
        return false;
    }
    port = value;
    return true;
}

}  // namespace brivanta::net
