// The SMTP client with security and a login, against scripted servers that play TLS with
// the tests' own certificates.

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/net/Base64.h"
#include "core/net/CSMTP.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using testing::testCertificates;

constexpr NetTimeouts kQuick{5000, 5000};

#define REQUIRE_CERTIFICATES()                    \
    do {                                          \
        if (!testCertificates().ok)               \
            FAIL() << testCertificates().problem; \
    } while (false)

MailMessage mailToBob() {
    MailMessage m;
    m.subject = "<BRIVANTA>";
    m.addRecipient("bob@x");
    m.body = "text";
    return m;
}

TlsOptions trustingTheTestAuthority() {
    return {testCertificates().caFile};
}

// Every line the client sends until it closes.
std::string readAll(ScriptedPeer& p) {
    std::string all, line;
    while (!(line = p.readLine()).empty())
        all += line;
    return all;
}

// Takes the mail after the login: MAIL, RCPT, DATA, the text, QUIT; records the commands.
void takeMail(ScriptedPeer& p, std::string& commands) {
    commands += p.readLine();
    p.send("250 ok\r\n");
    commands += p.readLine();
    p.send("250 ok\r\n");
    commands += p.readLine();
    p.send("354 go\r\n");
    p.readUntil("\r\n.\r\n");
    p.send("250 queued\r\n");
    commands += p.readLine();
    p.send("221 bye\r\n");
}

TEST(SmtpSecurity, StartTlsThenLoginThenStrictCommands) {
    REQUIRE_CERTIFICATES();
    std::string firstEhlo, starttls, secondEhlo, auth, commands;
    bool encryptedBeforeLogin = false;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test ESMTP\r\n");
        firstEhlo = p.readLine();
        p.send("250-test\r\n250-STARTTLS\r\n250 SIZE 1000000\r\n");
        starttls = p.readLine();
        p.send("220 go ahead\r\n");
        if (!p.startTls(testCertificates().serverCert, testCertificates().serverKey))
            return;
        secondEhlo = p.readLine();
        p.send("250-test\r\n250-AUTH LOGIN PLAIN\r\n250 8BITMIME\r\n");
        encryptedBeforeLogin = p.isEncrypted();
        auth = p.readLine();
        p.send("235 2.7.0 ok\r\n");
        takeMail(p, commands);
        p.waitForClose();
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    smtp.setSecurity(SecurityMode::startTls, trustingTheTestAuthority());
    smtp.setLogin("alice@x", "pa\xd5\xfdss");
    ASSERT_TRUE(smtp.connect()) << text::toUtf8(smtp.statusText());
    EXPECT_TRUE(smtp.sendMessage(mailToBob())) << text::toUtf8(smtp.statusText());
    EXPECT_TRUE(smtp.disconnect());
    server.join();
    EXPECT_EQ(smtp.statusText(), CSMTP::successText());
    EXPECT_TRUE(firstEhlo.starts_with("EHLO ")) << firstEhlo;
    EXPECT_EQ(starttls, "STARTTLS\r\n");
    EXPECT_EQ(secondEhlo, firstEhlo);  // RFC 3207: everything learnt before TLS is forgotten
    EXPECT_TRUE(encryptedBeforeLogin);
    EXPECT_EQ(auth,
              "AUTH PLAIN " + base64Encode(std::string("\0alice@x\0pa\xd5\xfdss", 15)) + "\r\n");
    EXPECT_EQ(commands, "MAIL FROM:<alice@x>\r\nRCPT TO:<bob@x>\r\nDATA\r\nQUIT\r\n");
}

TEST(SmtpSecurity, TlsFromTheFirstByteAndHeloForAServerOfOld) {
    REQUIRE_CERTIFICATES();
    std::string hello, commands;
    ScriptedServer server([&](ScriptedPeer& p) {
        if (!p.startTls(testCertificates().serverCert, testCertificates().serverKey))
            return;
        p.send("220 old server\r\n");
        p.readLine();
        p.send("502 what?\r\n");
        hello = p.readLine();
        p.send("250 hello\r\n");
        takeMail(p, commands);
        p.waitForClose();
    });
    CSMTP smtp("localhost", server.port(), kQuick);  // a name: checked, and sent as SNI
    smtp.setSecurity(SecurityMode::tls, trustingTheTestAuthority());
    ASSERT_TRUE(smtp.connect()) << text::toUtf8(smtp.statusText());
    EXPECT_TRUE(smtp.sendMessage(mailToBob()));
    EXPECT_TRUE(smtp.disconnect());
    server.join();
    // The refused EHLO leaves no failure behind.
    EXPECT_EQ(smtp.statusText(), CSMTP::successText());
    EXPECT_TRUE(hello.starts_with("HELO ")) << hello;
    EXPECT_EQ(commands, "MAIL FROM:<>\r\nRCPT TO:<bob@x>\r\nDATA\r\nQUIT\r\n");
}

// Servers that must not get the login, each with what the client must say. Whatever the
// client sent is recorded; none of it may hold the password.
struct Refusal {
    const char* name;
    const char* ehloReply;      // to the first EHLO
    const char* startTlsReply;  // "" : the client must not ask
    const char* certificate;    // "server", "other", "self", "expired", "future", "": no TLS
    bool trustAuthority;        // --ca-file given
    const char* expectedText;   // part of statusText (UTF-8)
    const char* expectedSent;   // everything the client sent, EHLO line left out
};

class SmtpRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(SmtpRefusal, NoPasswordAndNoMailGoOut) {
    REQUIRE_CERTIFICATES();
    const Refusal& r = GetParam();
    const auto& certs = testCertificates();
    std::string sent;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test\r\n");
        p.readLine();
        p.send(r.ehloReply);
        if (r.ehloReply[0] == '5') {
            p.readLine();  // HELO
            p.send("250 hi\r\n");
        }
        if (*r.startTlsReply == '\0') {
            sent = readAll(p);
            return;
        }
        sent = p.readLine();
        p.send(r.startTlsReply);
        const std::string kind = r.certificate;
        if (kind.empty()) {
            sent += readAll(p);
            return;
        }
        const std::pair<std::string, std::string> chosen[] = {
            {certs.serverCert, certs.serverKey}, {certs.otherCert, certs.otherKey},
            {certs.selfCert, certs.selfKey},     {certs.expiredCert, certs.expiredKey},
            {certs.futureCert, certs.futureKey},
        };
        const char* const kinds[] = {"server", "other", "self", "expired", "future"};
        size_t at = 0;
        while (kinds[at] != kind)
            ++at;
        if (p.startTls(chosen[at].first, chosen[at].second))
            sent += readAll(p);
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    smtp.setSecurity(SecurityMode::startTls,
                     r.trustAuthority ? trustingTheTestAuthority() : TlsOptions{});
    smtp.setLogin("alice", "secret-password");
    EXPECT_FALSE(smtp.connect());
    EXPECT_FALSE(smtp.isConnected());
    server.join();
    EXPECT_NE(text::toUtf8(smtp.statusText()).find(r.expectedText), std::string::npos)
        << text::toUtf8(smtp.statusText());
    EXPECT_EQ(sent, r.expectedSent);
    EXPECT_EQ(sent.find("secret"), std::string::npos);
}

const char* const kWithStartTls = "250-test\r\n250-STARTTLS\r\n250 AUTH PLAIN\r\n";

INSTANTIATE_TEST_SUITE_P(
    Servers, SmtpRefusal,
    ::testing::Values(Refusal{"NoStartTlsOffered", "250-test\r\n250 AUTH PLAIN LOGIN\r\n", "", "",
                              true, "服务器不提供 STARTTLS", ""},
                      Refusal{"EhloRefused", "500 unknown\r\n", "", "", true,
                              "服务器不提供 STARTTLS", ""},
                      Refusal{"StartTlsRefused", kWithStartTls, "454 TLS not available\r\n", "",
                              true, "服务器拒绝 STARTTLS：454 TLS not available", "STARTTLS\r\n"},
                      Refusal{"PlainTextAfterTheGoAhead", kWithStartTls,
                              "220 go\r\n250 injected\r\n", "", true, "多发了明文", "STARTTLS\r\n"},
                      Refusal{"CertificateForAnotherHost", kWithStartTls, "220 go\r\n", "other",
                              true, "证书不是颁发给 127.0.0.1", "STARTTLS\r\n"},
                      Refusal{"SelfSignedCertificate", kWithStartTls, "220 go\r\n", "self", true,
                              "证书不受信任", "STARTTLS\r\n"},
                      Refusal{"AuthorityNotTrusted", kWithStartTls, "220 go\r\n", "server", false,
                              "证书不受信任", "STARTTLS\r\n"},
                      Refusal{"ExpiredCertificate", kWithStartTls, "220 go\r\n", "expired", true,
                              "服务器证书已于 2020-03-01 12:00 UTC 过期（certificate has expired）",
                              "STARTTLS\r\n"},
                      Refusal{"CertificateNotYetValid", kWithStartTls, "220 go\r\n", "future", true,
                              "服务器证书要到 2099-01-01 00:00 UTC 才生效（certificate is not yet "
                              "valid）",
                              "STARTTLS\r\n"}),
    [](const ::testing::TestParamInfo<Refusal>& row) { return std::string(row.param.name); });

TEST(SmtpSecurity, AuthLoginAndARefusedLoginWithTheServersWords) {
    std::string dialogue;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test\r\n");
        p.readLine();
        p.send("250-test\r\n250 AUTH LOGIN\r\n");
        dialogue += p.readLine();
        p.send("334 VXNlcm5hbWU6\r\n");
        dialogue += p.readLine();
        p.send("334 UGFzc3dvcmQ6\r\n");
        dialogue += p.readLine();
        p.send("535 5.7.8 Authentication\x01 failed\r\n");
        dialogue += readAll(p);
    });
    // Mode none with a login: the user chose a server on a trusted network.
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    smtp.setLogin("alice", "pw");
    EXPECT_FALSE(smtp.connect());
    server.join();
    EXPECT_EQ(dialogue,
              "AUTH LOGIN\r\n" + base64Encode("alice") + "\r\n" + base64Encode("pw") + "\r\n");
    EXPECT_EQ(text::toUtf8(smtp.statusText()), "登录被拒绝：535 5.7.8 Authentication? failed");
}

TEST(SmtpSecurity, ALoginWithoutAMechanismWeKnowSendsNothing) {
    std::string after;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test\r\n");
        p.readLine();
        p.send("250-test\r\n250 AUTH CRAM-MD5 GSSAPI\r\n");
        after = readAll(p);
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    smtp.setLogin("alice", "pw");
    EXPECT_FALSE(smtp.connect());
    server.join();
    EXPECT_EQ(after, "");
    EXPECT_NE(text::toUtf8(smtp.statusText()).find("AUTH PLAIN 或 AUTH LOGIN"), std::string::npos);
}

TEST(SmtpSecurity, AHandshakeThatNeverEndsTimesOut) {
    ScriptedServer server([&](ScriptedPeer& p) { p.waitForClose(); });
    CSMTP smtp("127.0.0.1", server.port(), {400, 5000});
    smtp.setSecurity(SecurityMode::tls);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(smtp.connect());
    const auto took = std::chrono::steady_clock::now() - start;
    server.join();
    // The connect time-out bounds the whole handshake, not only the TCP connect.
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_NE(text::toUtf8(smtp.statusText()).find("TLS 握手超时"), std::string::npos)
        << text::toUtf8(smtp.statusText());
}

}  // namespace
}  // namespace brivanta::net
