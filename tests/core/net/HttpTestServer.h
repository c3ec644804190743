#pragma once

// A small HTTP server on a loopback address for what no real server does on purpose: it
// never answers, trickles, sends endless headers or a huge body. Each connection runs the
// handler in its own thread; the server counts open connections and, as handlers tell it,
// requests being answered at the same time.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brivanta::net::testing {

class HttpTestServer;

// One connection as a handler sees it.
class HttpExchange {
  public:
    HttpExchange(HttpTestServer& server, int fd) : server_(server), fd_(fd) {}
    // The request line and headers ("" when the client closed first). Bounded.
    std::string readRequest() {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                return "";
            request.append(buffer, static_cast<size_t>(n));
        }
        return request;
    }
    static std::string method(const std::string& request) {
        return request.substr(0, request.find(' '));
    }
    // Reads on until `body` holds `length` bytes (a request's body after its headers); false
    // when the client closed first.
    bool receiveRest(std::string& body, size_t length) {
        char buffer[65536];
        while (body.size() < length) {
            ssize_t n = ::recv(fd_, buffer, std::min(sizeof buffer, length - body.size()), 0);
            if (n <= 0)
                return false;
            body.append(buffer, static_cast<size_t>(n));
        }
        return true;
    }
    // False once the client has gone.
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    // Blocks until the client closes the connection (or the server stops).
    void waitForClose() {
        char buffer[4096];
        while (::recv(fd_, buffer, sizeof buffer, 0) > 0) {
        }
    }
    HttpTestServer& server() { return server_; }

  private:
    HttpTestServer& server_;
    int fd_;
};

class HttpTestServer {
  public:
    using Handler = std::function<void(HttpExchange&)>;

    // Listens on `address` (127.0.0.1 unless told), on a free port.
    explicit HttpTestServer(Handler handler, const char* address = "127.0.0.1")
        : handler_(std::move(handler)) {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int on = 1;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        ::inet_pton(AF_INET, address, &a.sin_addr);
        if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listenFd_, 128) != 0)
            return;
        socklen_t size = sizeof a;
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &size);
        port_ = ntohs(a.sin_port);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~HttpTestServer() { stop(); }
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    int port() const { return port_; }
    int accepted() const { return accepted_.load(); }
    int open() const { return open_.load(); }

    // Requests being answered at the same time, counted by the handler: a connection stays
    // open here a moment after the client has its answer, so open() is no measure of that.
    void beginRequest() {
        {
            std::lock_guard lock(mutex_);
            int now = ++active_;
            peakActive_ = std::max(peakActive_.load(), now);
        }
        changed_.notify_all();
    }
    void endRequest() {
        {
            std::lock_guard lock(mutex_);
            --active_;
        }
        changed_.notify_all();
    }
    int active() const { return active_.load(); }
    int peakActive() const { return peakActive_.load(); }

    // Waits until `ready()` holds, woken at every connection or request that begins or ends, at
    // most `limitMs`. True when it held.
    bool waitUntil(const std::function<bool()>& ready, int limitMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(limitMs), ready);
    }

    void stop() {
        if (stopped_.exchange(true))
            return;
        ::shutdown(listenFd_, SHUT_RDWR);
        if (acceptor_.joinable())
            acceptor_.join();
        {
            std::lock_guard lock(mutex_);
            for (int fd : fds_)
                ::shutdown(fd, SHUT_RDWR);
        }
        changed_.notify_all();
        for (auto& t : workers_)
            t.join();
        ::close(listenFd_);
    }

  private:
    void acceptLoop() {
        while (true) {
            int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            {
                std::lock_guard lock(mutex_);
                if (stopped_) {
                    ::close(fd);
                    return;
                }
                fds_.push_back(fd);
                ++open_;
                ++accepted_;
            }
            changed_.notify_all();
            workers_.emplace_back([this, fd] {
                HttpExchange exchange(*this, fd);
                handler_(exchange);
                {
                    std::lock_guard lock(mutex_);
                    fds_.erase(std::find(fds_.begin(), fds_.end(), fd));
                    --open_;
                    ::close(fd);
                }
                changed_.notify_all();
            });
        }
    }

    Handler handler_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopped_{false};
    std::atomic<int> open_{0}, accepted_{0}, active_{0}, peakActive_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> fds_;
    std::thread acceptor_;
    std::vector<std::thread> workers_;
};

}  // namespace brivanta::net::testing
