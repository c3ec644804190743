#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>

#include <chrono>
#include <vector>

#include "core/net/TcpListener.h"

namespace brivanta::net {
namespace {

TEST(TcpConnection, ReachesAListenerOnEveryLocalAddress) {
    TcpListener listener;
    ASSERT_EQ(listener.listen(0), NetStatus::ok);  // all addresses, IPv6 and IPv4
    TcpConnection v4;
    ASSERT_EQ(v4.connect("127.0.0.1", listener.port()), NetStatus::ok);
    TcpConnection accepted;
    ASSERT_EQ(listener.accept(accepted, 2000), NetStatus::ok);
    ASSERT_EQ(v4.sendAll("ping"), NetStatus::ok);
    char buffer[8];
    size_t got = 0;
    ASSERT_EQ(accepted.receive(buffer, sizeof buffer, got), NetStatus::ok);
    EXPECT_EQ(std::string(buffer, got), "ping");

    TcpConnection v6;
    if (v6.connect("::1", listener.port()) != NetStatus::ok) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_EQ(listener.accept(accepted, 2000), NetStatus::ok);
    EXPECT_EQ(accepted.peerName().substr(0, 5), "[::1]");
}

TEST(TcpConnection, ConnectAndReadTimeOut) {
    // A listener that never accepts and has no room in its queue leaves new connections
    // unanswered: each connect must give up after its time-out.
    TcpListener full;
    ASSERT_EQ(full.listen(0, "127.0.0.1", 0), NetStatus::ok);
    std::vector<TcpConnection> waiting;
    NetStatus last = NetStatus::ok;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 16 && last == NetStatus::ok; ++i) {
        TcpConnection c;
        c.setTimeouts({200, 200});
        last = c.connect("127.0.0.1", full.port());
        waiting.push_back(std::move(c));
    }
    EXPECT_EQ(last, NetStatus::timedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // A connection on which nothing arrives.
    TcpListener quiet;
    ASSERT_EQ(quiet.listen(0, "127.0.0.1"), NetStatus::ok);
    TcpConnection client;
    client.setTimeouts({2000, 150});
    ASSERT_EQ(client.connect("127.0.0.1", quiet.port()), NetStatus::ok);
    char buffer[4];
    size_t got = 0;
    EXPECT_EQ(client.receive(buffer, sizeof buffer, got), NetStatus::timedOut);
    EXPECT_EQ(got, 0u);

    TcpConnection unknown;
    EXPECT_EQ(unknown.connect("", 25), NetStatus::resolveFailed);
}

TEST(TcpConnection, AnAddressThatNeverAnswersLeavesTimeForTheNext) {
    // A host name with two addresses, the first black-holed (a listener whose queue is
    // full drops new connections unanswered), the second fine.
    TcpListener full;
    ASSERT_EQ(full.listen(0, "127.0.0.1", 0), NetStatus::ok);
    std::vector<TcpConnection> waiting;
    for (int i = 0; i < 16; ++i) {
        TcpConnection c;
        c.setTimeouts({200, 200});
        NetStatus s = c.connect("127.0.0.1", full.port());
        waiting.push_back(std::move(c));
        if (s == NetStatus::timedOut)
            break;
    }
    TcpListener good;
    ASSERT_EQ(good.listen(0, "127.0.0.1"), NetStatus::ok);

    auto address = [](int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return a;
    };
    sockaddr_in blackHole = address(full.port()), answering = address(good.port());
    addrinfo second{};
    second.ai_family = AF_INET;
    second.ai_socktype = SOCK_STREAM;
    second.ai_protocol = IPPROTO_TCP;
    second.ai_addr = reinterpret_cast<sockaddr*>(&answering);
    second.ai_addrlen = sizeof answering;
    addrinfo first = second;
    first.ai_addr = reinterpret_cast<sockaddr*>(&blackHole);
    first.ai_next = &second;

    TcpConnection c;
    c.setTimeouts({1000, 1000});
    EXPECT_EQ(c.connect("127.0.0.1", full.port()), NetStatus::timedOut);  // really black
    EXPECT_EQ(c.connectTo(&first), NetStatus::ok);
    TcpConnection accepted;
    EXPECT_EQ(good.accept(accepted, 2000), NetStatus::ok);
}

}  // namespace
}  // namespace brivanta::net
