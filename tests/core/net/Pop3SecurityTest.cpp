// The POP3 client with STLS and TLS from the first byte, and the credentials it sends.

#include <gtest/gtest.h>

#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using testing::testCertificates;

constexpr NetTimeouts kQuick{5000, 5000};

std::string readAll(ScriptedPeer& p) {
    std::string all, line;
    while (!(line = p.readLine()).empty())
        all += line;
    return all;
}

TEST(Pop3Security, StlsComesBeforeTheUserNameAndPassword) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    std::string before, login;
    bool encrypted = false;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        before = p.readLine();
        // The list cut into pieces, keywords in any case.
        p.sendInPieces("+OK list follows\r\nuser\r\nSASL PLAIN\r\nStls\r\n.\r\n", 7);
        before += p.readLine();
        p.send("+OK begin TLS\r\n");
        if (!p.startTls(testCertificates().serverCert, testCertificates().serverKey))
            return;
        encrypted = p.isEncrypted();
        login = p.readLine();
        p.send("+OK\r\n");
        login += p.readLine();
        p.send("+OK in\r\n");
        p.readLine();
        p.send("+OK 0 0\r\n");
        p.readLine();
        p.send("+OK bye\r\n");
        p.waitForClose();
    });
    Pop3Receiver pop("localhost", server.port(), "alice", "secret", kQuick);
    pop.setSecurity(SecurityMode::startTls, {testCertificates().caFile});
    ASSERT_TRUE(pop.connect()) << text::toUtf8(pop.statusText());
    EXPECT_EQ(pop.messageCount(), 0);
    EXPECT_TRUE(pop.disconnect());
    server.join();
    EXPECT_EQ(pop.statusText(), Pop3Receiver::successText());
    EXPECT_EQ(before, "CAPA\r\nSTLS\r\n");
    EXPECT_TRUE(encrypted);
    EXPECT_EQ(login, "USER alice\r\nPASS secret\r\n");
}

struct Pop3Refusal {
    const char* name;
    const char* capaReply;    // the whole reply to CAPA
    const char* stlsReply;    // "" : the client must not ask
    const char* certificate;  // played after the go-ahead: "self", "expired"; "": no TLS
    const char* expectedText;
    const char* expectedSent;  // after CAPA
};

class Pop3RefusalTest : public ::testing::TestWithParam<Pop3Refusal> {};

TEST_P(Pop3RefusalTest, TheUserNameNeverGoesOut) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    const Pop3Refusal& r = GetParam();
    std::string sent;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        p.readLine();
        p.send(r.capaReply);
        if (*r.stlsReply == '\0') {
            sent = readAll(p);
            return;
        }
        sent = p.readLine();
        p.send(r.stlsReply);
        const auto& certs = testCertificates();
        const std::string kind = r.certificate;
        if (kind.empty() || (kind == "self" ? p.startTls(certs.selfCert, certs.selfKey)
                                            : p.startTls(certs.expiredCert, certs.expiredKey)))
            sent += readAll(p);
    });
    Pop3Receiver pop("127.0.0.1", server.port(), "alice", "secret", kQuick);
    pop.setSecurity(SecurityMode::startTls, {testCertificates().caFile});
    EXPECT_FALSE(pop.connect());
    EXPECT_FALSE(pop.isConnected());
    server.join();
    EXPECT_NE(text::toUtf8(pop.statusText()).find(r.expectedText), std::string::npos)
        << text::toUtf8(pop.statusText());
    EXPECT_EQ(sent, r.expectedSent);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, Pop3RefusalTest,
    ::testing::Values(Pop3Refusal{"CapaWithoutStls", "+OK\r\nUSER\r\nTOP\r\n.\r\n", "", "",
                                  "服务器不提供 STLS", ""},
                      Pop3Refusal{"NoCapaAndStlsRefused", "-ERR unknown command\r\n",
                                  "-ERR not here\r\n", "", "服务器拒绝 STLS：-ERR not here",
                                  "STLS\r\n"},
                      Pop3Refusal{"SelfSignedCertificate", "+OK\r\nSTLS\r\n.\r\n", "+OK go\r\n",
                                  "self", "证书不受信任", "STLS\r\n"},
                      Pop3Refusal{"ExpiredCertificate", "+OK\r\nSTLS\r\n.\r\n", "+OK go\r\n",
                                  "expired", "服务器证书已于 2020-03-01 12:00 UTC 过期",
                                  "STLS\r\n"}),
    [](const ::testing::TestParamInfo<Pop3Refusal>& row) { return std::string(row.param.name); });

TEST(Pop3Security, ACapaListWithoutEndIsCutOff) {
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        p.readLine();
        p.send("+OK\r\n");
        const std::string lines(4096, 'X');
        for (int i = 0; i < 200; ++i)  // the sends fail once the client has gone
            p.send(lines + "\r\n");
    });
    Pop3Receiver pop("127.0.0.1", server.port(), "alice", "secret", kQuick);
    pop.setSecurity(SecurityMode::startTls);
    EXPECT_FALSE(pop.connect());
    server.join();
    EXPECT_NE(text::toUtf8(pop.statusText()).find("CAPA"), std::string::npos)
        << text::toUtf8(pop.statusText());
}

TEST(Pop3Security, AnEmptyPasswordIsSentAsGiven) {
    std::string pass;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        p.readLine();
        p.send("+OK\r\n");
        pass = p.readLine();
        p.send("-ERR no\r\n");
    });
    Pop3Receiver pop("127.0.0.1", server.port(), "old", "old-password", kQuick);
    pop.setCredentials("new", "");
    EXPECT_FALSE(pop.connect());
    server.join();
    EXPECT_EQ(pass, "PASS \r\n");
}

TEST(Pop3Security, TlsFromTheFirstByteAgainstAPlainServerFails) {
    std::string sent;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK plain server\r\n");
        sent = p.readLine();  // the client's handshake has no line end: ""
    });
    Pop3Receiver pop("127.0.0.1", server.port(), "alice", "secret", {5000, 1000});
    pop.setSecurity(SecurityMode::tls);
    EXPECT_FALSE(pop.connect());
    server.join();
    EXPECT_NE(text::toUtf8(pop.statusText()).find("TLS 握手失败"), std::string::npos)
        << text::toUtf8(pop.statusText());
    EXPECT_EQ(sent.find("alice"), std::string::npos);
}

}  // namespace
}  // namespace brivanta::net
