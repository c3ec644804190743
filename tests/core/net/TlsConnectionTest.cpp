// The TLS layer under a connection: data both ways in amounts far above one record, and
// what counts as input once records that carry no data (session tickets) arrive.

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <fcntl.h>

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
        // An old server that speaks TLS 1.1 and nothing newer.
        serverDone = !p.startTls(testCertificates().serverCert, testCertificates().serverKey,
                                 TLS1_1_VERSION);
    });
    TcpConnection c;
    c.setTimeouts({5000, 5000});
    ASSERT_EQ(c.connect("127.0.0.1", server.port()), NetStatus::ok);
    EXPECT_EQ(c.startTls("127.0.0.1", {testCertificates().caFile}), NetStatus::tlsFailed);
    EXPECT_FALSE(c.isOpen());
    // Said in Chinese, not in OpenSSL's English ("tlsv1 alert protocol version").
    EXPECT_EQ(c.tlsFailure(), "TLS 握手失败（双方没有共同支持的协议版本）");
    server.join();
    EXPECT_TRUE(serverDone);

    // The same server is good enough for a client that allows 1.1: the refusal above is
    // the client's own.
    ScriptedServer old([&](ScriptedPeer& p) {
        if (p.startTls(testCertificates().serverCert, testCertificates().serverKey, TLS1_1_VERSION))
            p.send("hello\r\n");
    });
    TcpConnection raw;
    ASSERT_EQ(raw.connect("127.0.0.1", old.port()), NetStatus::ok);
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    SSL_CTX_set_security_level(context, 0);
    SSL_CTX_set_min_proto_version(context, TLS1_1_VERSION);
    SSL_CTX_set_cipher_list(context, "DEFAULT:@SECLEVEL=0");
    SSL* ssl = SSL_new(context);
    SSL_set_fd(ssl, raw.fd());
    int flags = fcntl(raw.fd(), F_GETFL, 0);
    fcntl(raw.fd(), F_SETFL, flags & ~O_NONBLOCK);
    EXPECT_EQ(SSL_connect(ssl), 1);
    EXPECT_STREQ(SSL_get_version(ssl), "TLSv1.1");
    SSL_free(ssl);
    SSL_CTX_free(context);
    old.join();
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
