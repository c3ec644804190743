// The TLS layer under a connection: data both ways in amounts far above one record, and
// what counts as input once records that carry no data (session tickets) arrive.

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <chrono>
#include <thread>

#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/net/TcpConnection.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using testing::testCertificates;

TEST(TlsConnection, LargeAmountsBothWaysAndOnlyDataCountsAsInput) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    const std::string big(3 << 20, 'x');
    std::string received;
    ScriptedServer server([&](ScriptedPeer& p) {
        if (!p.startTls(testCertificates().serverCert, testCertificates().serverKey))
            return;
        received = p.readUntil("END\r\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        p.send(big + "END\r\n");
        p.waitForClose();
    });
    TcpConnection c;
    c.setTimeouts({5000, 5000});
    ASSERT_EQ(c.connect("127.0.0.1", server.port()), NetStatus::ok);
    ASSERT_EQ(c.startTls("127.0.0.1", {testCertificates().caFile}), NetStatus::ok)
        << c.tlsFailure();
    EXPECT_TRUE(c.isEncrypted());
    EXPECT_EQ(c.tlsProtocol(), "TLSv1.3");
    ASSERT_EQ(c.sendAll(big + "END\r\n"), NetStatus::ok);
    // TLS 1.3 servers send session tickets after the handshake: bytes on the socket, but
    // nothing to read.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(c.hasInput());
    EXPECT_FALSE(c.waitForInput(50));
    EXPECT_TRUE(c.waitForInput(3000));
    std::string back;
    char buffer[64 * 1024];
    while (!back.ends_with("END\r\n")) {
        size_t got = 0;
        ASSERT_EQ(c.receive(buffer, sizeof buffer, got), NetStatus::ok);
        back.append(buffer, got);
    }
    c.close();
    server.join();
    EXPECT_EQ(received.size(), big.size() + 5);
    EXPECT_EQ(back.size(), big.size() + 5);
}

TEST(TlsConnection, AServerLimitedToTls11IsRefused) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    bool serverDone = false;
    ScriptedServer server([&](ScriptedPeer& p) {
        // Our own server side refuses to go below 1.2 as well, so this plays an old server
        // by hand: a TLS 1.1 ClientHello answer is a protocol_version alert at best.
        serverDone = !p.startTls(testCertificates().serverCert, testCertificates().serverKey,
                                 TLS1_1_VERSION);
    });
    TcpConnection c;
    c.setTimeouts({5000, 5000});
    ASSERT_EQ(c.connect("127.0.0.1", server.port()), NetStatus::ok);
    EXPECT_EQ(c.startTls("127.0.0.1", {testCertificates().caFile}), NetStatus::tlsFailed);
    EXPECT_FALSE(c.isOpen());
    EXPECT_NE(c.tlsFailure().find("TLS 握手失败"), std::string::npos) << c.tlsFailure();
    server.join();
    EXPECT_TRUE(serverDone);
}

TEST(TlsConnection, AMissingAuthorityFileIsNamed) {
    ScriptedServer server([&](ScriptedPeer& p) { p.waitForClose(); });
    TcpConnection c;
    c.setTimeouts({5000, 5000});
    ASSERT_EQ(c.connect("127.0.0.1", server.port()), NetStatus::ok);
    EXPECT_EQ(c.startTls("127.0.0.1", {"no/such/ca.pem"}), NetStatus::tlsFailed);
    EXPECT_NE(c.tlsFailure().find("no/such/ca.pem"), std::string::npos) << c.tlsFailure();
    server.join();
}

}  // namespace
}  // namespace brivanta::net
