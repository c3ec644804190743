// Servers that attack the client's side of the TLS handshake: a real handshake trickled a
// byte a second or cut off half-way (relayed from a real TLS server), plain text or junk
// where the ServerHello belongs, and a certificate chain far beyond any real one. Each must
// end in bounded time with a failure that says what went wrong, and nothing may go out.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "../TempDir.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/net/CSMTP.h"
#include "core/net/TcpListener.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using testing::testCertificates;
using Clock = std::chrono::steady_clock;

// The handshake as a whole may take 1.5 s; a single wait up to 5 s.
constexpr NetTimeouts kTimeouts{1500, 5000};

enum class Attack {
    trickle,     // the server's real ServerHello, a byte a second
    cutHalfway,  // the ServerHello and half the record after it, then the connection closed
    plainText,   // a plain SMTP greeting, as from a server without TLS on that port
    junkRecord,  // a handshake record header that announces 64 KiB, then junk
    hugeChain,   // a real server whose chain holds hundreds of certificates
};

struct HostileCase {
    const char* name;
    Attack attack;
    const char* expectedText;  // part of the client's status text (UTF-8)
    int atLeastMs;             // the failure may not come sooner (the deadline was waited for)
    int atMostMs;
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The leaf and its authority, then the authority again and again: about 200 KB of
// certificates, twice what the client takes.
std::string writeHugeChain(const brivanta::testing::TempDir& dir) {
    const std::string authority = readFile(testCertificates().caFile);
    std::string chain = readFile(testCertificates().serverCert);
    for (int i = 0; i < 400; ++i)
        chain += authority;
    const std::string path = dir.file("huge-chain.pem");
    std::ofstream(path, std::ios::binary) << chain;
    return path;
}

// Sleeps `ms` unless `stop` comes first.
void pause(int ms, const std::atomic<bool>& stop) {
    for (int slept = 0; slept < ms && !stop; slept += 20)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

class HostileTlsServer : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileTlsServer, EndsInTimeWithTheReason) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    const HostileCase& c = GetParam();
    const auto& certs = testCertificates();
    brivanta::testing::TempDir dir;
    const bool relayed = c.attack == Attack::trickle || c.attack == Attack::cutHalfway;
    const std::string chain =
        c.attack == Attack::hugeChain ? writeHugeChain(dir) : certs.serverCert;
    // The real TLS server: behind the relay, or facing the client itself (huge chain).
    std::unique_ptr<ScriptedServer> real;
    if (relayed || c.attack == Attack::hugeChain)
        real = std::make_unique<ScriptedServer>([&](ScriptedPeer& p) {
            if (p.startTls(chain, certs.serverKey))
                p.waitForClose();
        });
    std::atomic<bool> stop{false};
    std::string afterFlight;  // whatever the client sent after the server's first flight
    std::unique_ptr<ScriptedServer> hostile;
    if (relayed) {
        hostile = std::make_unique<ScriptedServer>([&](ScriptedPeer& client) {
            // Each relayed record is waited for as a whole, however late the real server
            // is (a loaded machine, the sanitizers): the relay never takes a pause for the
            // end of the flight.
            TcpConnection backend;
            backend.setTimeouts({5000, 5000});
            if (backend.connect("127.0.0.1", real->port()) != NetStatus::ok)
                return;
            backend.sendAll(client.receiveTlsRecord());  // the ClientHello
            const std::string serverHello = testing::receiveTlsRecord(backend);
            if (c.attack == Attack::cutHalfway) {
                // The ServerHello, then half of the record after it.
                const std::string next = testing::receiveTlsRecord(backend);
                backend.close();
                client.send(serverHello + next.substr(0, next.size() / 2));
                client.close();
                return;
            }
            backend.close();
            for (size_t i = 0; i < serverHello.size() && !stop; ++i) {
                client.send(serverHello.substr(i, 1));
                pause(1000, stop);
            }
        });
    } else if (c.attack != Attack::hugeChain) {
        hostile = std::make_unique<ScriptedServer>([&](ScriptedPeer& client) {
            client.receiveTlsRecord();  // the ClientHello
            if (c.attack == Attack::plainText)
                client.send("220 mail.example ESMTP ready\r\n");
            else
                client.send("\x16\x03\x03\xff\xff" + std::string(4000, 'j'));
            afterFlight = client.receiveUntilClosed();
        });
    }
    const int port = hostile ? hostile->port() : real->port();

    CSMTP smtp("127.0.0.1", port, kTimeouts);
    smtp.setSecurity(SecurityMode::tls, {certs.caFile});
    smtp.setLogin("alice", "secret-password");
    const auto start = Clock::now();
    const bool connected = smtp.connect();
    const auto tookMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    stop = true;
    hostile.reset();
    real.reset();
    const std::string status = text::toUtf8(smtp.statusText());
    EXPECT_FALSE(connected);
    EXPECT_FALSE(smtp.isConnected());
    EXPECT_NE(status.find(c.expectedText), std::string::npos) << status;
    EXPECT_GE(tookMs, c.atLeastMs) << status;
    EXPECT_LE(tookMs, c.atMostMs) << status;
    // A failed handshake ends with at most a TLS alert, never a line of the dialogue.
    EXPECT_EQ(afterFlight.find("secret"), std::string::npos);
    EXPECT_EQ(afterFlight.find("EHLO"), std::string::npos) << afterFlight;
}

INSTANTIATE_TEST_SUITE_P(
    Attacks, HostileTlsServer,
    ::testing::Values(
        // Every byte comes well within the single wait: only the whole deadline ends it.
        HostileCase{"TricklesItsHandshake", Attack::trickle, "TLS 握手超时", 1400, 3000},
        HostileCase{"ClosesHalfwayThroughTheHandshake", Attack::cutHalfway, "TLS 握手失败", 0,
                    1000},
        HostileCase{"AnswersInPlainText", Attack::plainText,
                    "TLS 握手失败（对方说的不是 TLS，或版本号不对）", 0, 1000},
        HostileCase{"AnnouncesAnOversizedRecord", Attack::junkRecord, "TLS 握手失败", 0, 1000},
        HostileCase{"SendsAHugeCertificateChain", Attack::hugeChain,
                    "TLS 握手失败（对方的消息过长）", 0, 3000}),
    [](const ::testing::TestParamInfo<HostileCase>& row) { return std::string(row.param.name); });

TEST(HostileTlsServer, RecordsWithoutDataDoNotStretchTheWaitForData) {
    ASSERT_TRUE(testCertificates().ok) << testCertificates().problem;
    const auto& certs = testCertificates();
    TcpListener listener;
    ASSERT_EQ(listener.listen(0, "127.0.0.1"), NetStatus::ok);
    std::atomic<bool> stop{false};
    int tickets = 0;
    // A TLS 1.3 server that never answers but sends a fresh session ticket every 50 ms: each
    // one wakes the client's wait, none of them is data.
    std::thread server([&] {
        TcpConnection c;
        if (listener.accept(c, 5000) != NetStatus::ok)
            return;
        fcntl(c.fd(), F_SETFL, fcntl(c.fd(), F_GETFL, 0) & ~O_NONBLOCK);
        SSL_CTX* context = SSL_CTX_new(TLS_server_method());
        SSL_CTX_use_certificate_chain_file(context, certs.serverCert.c_str());
        SSL_CTX_use_PrivateKey_file(context, certs.serverKey.c_str(), SSL_FILETYPE_PEM);
        SSL* ssl = SSL_new(context);
        SSL_set_fd(ssl, c.fd());
        if (SSL_accept(ssl) == 1) {
            while (!stop && SSL_new_session_ticket(ssl) == 1 && SSL_do_handshake(ssl) == 1) {
                ++tickets;
                pause(50, stop);
            }
        }
        SSL_free(ssl);
        SSL_CTX_free(context);
    });
    TcpConnection client;
    client.setTimeouts({2000, 400});
    ASSERT_EQ(client.connect("127.0.0.1", listener.port()), NetStatus::ok);
    ASSERT_EQ(client.startTls("127.0.0.1", {certs.caFile}), NetStatus::ok) << client.tlsFailure();
    const auto start = Clock::now();
    char buffer[256];
    size_t got = 0;
    const NetStatus status = client.receive(buffer, sizeof buffer, got);
    const auto took = Clock::now() - start;
    stop = true;
    client.close();
    server.join();
    EXPECT_EQ(status, NetStatus::timedOut);
    EXPECT_EQ(got, 0u);
    EXPECT_GE(took, std::chrono::milliseconds(350));
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_GE(tickets, 5);  // the tickets did come while the client waited
}

}  // namespace
}  // namespace brivanta::net
