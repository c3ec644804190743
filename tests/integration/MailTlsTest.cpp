// Mail with TLS and a login through the real local servers: Dovecot's submission server
// (STARTTLS and TLS ports, login required) relays to OpenSMTPD, and Dovecot serves the
// mailboxes over POP3S and STLS (scripts/mail-servers). Dovecot counts loopback as secure
// and would take a login without TLS, so encryption is proven from the server's side: the
// ESMTPSA of the Received: line and "TLS" in Dovecot's login log. Scripted servers play
// what no package offers: wrong certificates, and a server without STARTTLS that records
// every line it gets.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "IntegrationSupport.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/formats/TreeArchive.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::integration {
namespace {

using net::testing::ScriptedPeer;
using net::testing::ScriptedServer;

#define REQUIRE_TLS_SERVERS()                                                             \
    do {                                                                                  \
        const MailServers& servers = mailServers();                                       \
        const bool up = servers.available && servers.tls;                                 \
        const std::string why = servers.available ? servers.tlsProblem : servers.problem; \
        if (!up && servers.expected)                                                      \
            FAIL() << "the local mail servers should offer TLS but do not: " << why;      \
        if (!up)                                                                          \
            GTEST_SKIP() << "local mail servers with TLS are not running (scripts/mail-"  \
                            "servers start): "                                            \
                         << why;                                                          \
        ASSERT_TRUE(lockMailboxes()) << "another test run kept the mailboxes for 60 s";   \
    } while (false)

std::string at(int port) {
    return "localhost:" + std::to_string(port);
}
std::string caFile() {
    return mailServers().certDir + "/ca.pem";
}

void saveTree(BookmarkTree& tree, const std::string& path) {
    ASSERT_FALSE(saveArchiveFile(tree, path).failed()) << path;
}

// The lines of Dovecot's log that record logins of `user` by `service` ("pop3-login").
std::vector<std::string> loginLines(const std::string& service, const std::string& user) {
    std::ifstream log(mailServers().stateDir + "/dovecot.log");
    std::vector<std::string> lines;
    const std::string login = service + ": Info: Login: user=<" + user + ">";
    std::string line;
    while (std::getline(log, line)) {
        if (line.find(login) != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

// The header of mail 1 of `user`, fetched over POP3S.
std::string firstHeader(const std::string& user) {
    net::Pop3Receiver pop("localhost", mailServers().pop3sPort, user, mailServers().password,
                          {5000, 10000});
    pop.setSecurity(net::SecurityMode::tls, {caFile()});
    net::MailMessage mail;
    if (!pop.connect() || !pop.retrieve(1, mail))
        return "(" + text::toUtf8(pop.statusText()) + ")";
    pop.disconnect();
    return mail.header;
}

struct Route {
    const char* user;
    const char* sendMode;
    int MailServers::*sendPort;
    const char* receiveMode;
    int MailServers::*receivePort;
};

TEST(MailTls, ATreeGoesOutEncryptedWithALoginAndComesBackEncrypted) {
    REQUIRE_TLS_SERVERS();
    const Route routes[] = {
        {"dave", "starttls", &MailServers::submissionPort, "tls", &MailServers::pop3sPort},
        {"erin", "tls", &MailServers::submissionsPort, "starttls", &MailServers::pop3Port},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(r.user);
        const std::string user = r.user;
        ASSERT_TRUE(emptyMailbox(user));
        TempDir dir;
        BookmarkTree tree(kCustomTree);
        ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
        tree.InsertNode({text::gbk("新浪"), "http://www.sina.com.cn/", ""}, news);
        tree.InsertNode({".", "..", ""}, news);
        saveTree(tree, dir.path("mine.bvk"));
        const size_t smtpLogins = loginLines("submission-login", user).size();

        CliResult sent =
            runCli({"mail-send", "--smtp", at(mailServers().*r.sendPort), "--security", r.sendMode,
                    "--ca-file", caFile(), "--login", user + "@localhost", "--password-file",
                    mailServers().passwordFile, "--to", user + "@localhost", dir.path("mine.bvk")});
        EXPECT_EQ(sent.exitCode, 0) << sent.output;
        EXPECT_EQ(sent.output, "发送完毕！\n");
        ASSERT_EQ(waitForMails(user, 1), 1);  // plain POP3, before the logins that count
        const size_t pop3Logins = loginLines("pop3-login", user).size();
        const std::string header = firstHeader(user);
        EXPECT_NE(header.find("with ESMTPSA"), std::string::npos) << header;
        EXPECT_NE(header.find("(envelope-from <" + user + "@localhost>)"), std::string::npos)
            << header;

        CliResult got =
            runCli({"mail-receive", "--pop3", at(mailServers().*r.receivePort), "--security",
                    r.receiveMode, "--ca-file", caFile(), "--user", user, "--password-file",
                    mailServers().passwordFile, "--custom", dir.path("in.bvk")});
        EXPECT_EQ(got.exitCode, 0) << got.output;
        EXPECT_EQ(got.output, "接收完毕！\n");
        EXPECT_EQ(fileTreeText(dir.path("in.bvk"), kCustomTree), treeText(tree));

        // Every login of this round went over TLS ("secured" would be loopback without it).
        std::vector<std::string> smtp = loginLines("submission-login", user);
        std::vector<std::string> pop3 = loginLines("pop3-login", user);
        ASSERT_EQ(smtp.size(), smtpLogins + 1);
        ASSERT_GE(pop3.size(), pop3Logins + 2);  // the receive and the header fetch
        EXPECT_NE(smtp.back().find(", TLS"), std::string::npos) << smtp.back();
        for (size_t i = pop3Logins; i < pop3.size(); ++i)
            EXPECT_NE(pop3[i].find(", TLS"), std::string::npos) << pop3[i];
    }
}

// A login without a domain is no sender: the mail goes out from --from, or from nobody, and
// the submission server takes it either way (it answered 501 to "MAIL FROM:<carol>").
TEST(MailTls, ALoginWithoutADomainSendsFromTheAddressGivenOrFromNobody) {
    REQUIRE_TLS_SERVERS();
    struct Case {
        const char* user;
        std::vector<std::string> from;
        const char* envelopeFrom;
    } cases[] = {
        {"carol", {"--from", "carol@localhost"}, "(envelope-from <carol@localhost>)"},
        {"grace", {}, "(envelope-from <>)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        const std::string user = c.user;
        ASSERT_TRUE(emptyMailbox(user));
        TempDir dir;
        BookmarkTree tree(kCustomTree);
        tree.InsertNode({"x", "http://x/", ""});
        saveTree(tree, dir.path("c.bvk"));
        std::vector<std::string> args = {"mail-send",
                                         "--smtp",
                                         at(mailServers().submissionPort),
                                         "--security",
                                         "starttls",
                                         "--ca-file",
                                         caFile(),
                                         "--login",
                                         user,
                                         "--password-file",
                                         mailServers().passwordFile,
                                         "--to",
                                         user + "@localhost"};
        args.insert(args.end(), c.from.begin(), c.from.end());
        args.push_back(dir.path("c.bvk"));
        CliResult sent = runCli(args);
        EXPECT_EQ(sent.exitCode, 0) << sent.output;
        EXPECT_EQ(sent.output, "发送完毕！\n");
        ASSERT_EQ(waitForMails(user, 1), 1);
        const std::string header = firstHeader(user);
        EXPECT_NE(header.find(c.envelopeFrom), std::string::npos) << header;
    }
}

TEST(MailTls, AWrongPasswordIsRefusedWithTheServersWords) {
    REQUIRE_TLS_SERVERS();
    TempDir dir;
    std::ofstream(dir.path("wrong")) << "not-the-password\n";
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    saveTree(tree, dir.path("c.bvk"));
    const std::string server = at(mailServers().submissionPort);
    CliResult r = runCli({"mail-send", "--smtp", server, "--security", "starttls", "--ca-file",
                          caFile(), "--login", "frank@localhost", "--password-file",
                          dir.path("wrong"), "--to", "frank@localhost", dir.path("c.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.output.starts_with("brivanta-cli: SMTP 服务器 " + server + "：登录被拒绝：535"))
        << r.output;
}

TEST(MailTls, CertificatesThatDoNotProveTheServerAreRefused) {
    REQUIRE_TLS_SERVERS();
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    saveTree(tree, dir.path("c.bvk"));
    const std::string certs = mailServers().certDir;
    struct Case {
        const char* certificate;  // "": the real server, without --ca-file
        const char* expected;
    } cases[] = {
        {"other", "：服务器证书不是颁发给 localhost 的"},
        {"self", "：服务器证书不受信任"},
        {"", "：服务器证书不受信任"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.certificate);
        std::string afterHandshake = "(no handshake)";
        std::unique_ptr<ScriptedServer> fake;
        std::vector<std::string> args = {"mail-send",
                                         "--security",
                                         "tls",
                                         "--login",
                                         "grace@localhost",
                                         "--password-file",
                                         mailServers().passwordFile,
                                         "--to",
                                         "grace@localhost",
                                         dir.path("c.bvk")};
        int port = mailServers().submissionsPort;
        if (*c.certificate != '\0') {
            const std::string name = certs + "/" + c.certificate;
            fake = std::make_unique<ScriptedServer>([&, name](ScriptedPeer& p) {
                if (p.startTls(name + ".pem", name + ".key"))
                    afterHandshake = p.readLine();
            });
            port = fake->port();
            args.insert(args.end() - 1, {"--ca-file", caFile()});
        }
        args.insert(args.begin() + 1, {"--smtp", at(port)});
        CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find("SMTP 服务器 " + at(port) + c.expected), std::string::npos)
            << r.output;
        if (fake) {
            fake->join();
            EXPECT_EQ(afterHandshake, "(no handshake)");
        }
    }
}

// Certificates past or before their validity, played by a scripted server with the unit
// tests' own authority: no mail server is needed. The message names the server and the date.
TEST(MailTls, CertificatesOutsideTheirValidityAreRefusedNamingTheServer) {
    const net::testing::TestCertificates& certs = net::testing::testCertificates();
    ASSERT_TRUE(certs.ok) << certs.problem;
    TempDir dir;
    std::ofstream(dir.path("pw")) << "pw\n";
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    saveTree(tree, dir.path("c.bvk"));
    struct Case {
        bool send;  // mail-send, else mail-receive
        const std::string* certificate;
        const std::string* key;
        const char* expected;
    } cases[] = {
        {true, &certs.expiredCert, &certs.expiredKey,
         "：服务器证书已于 2020-03-01 12:00 UTC 过期（certificate has expired）"},
        {false, &certs.expiredCert, &certs.expiredKey,
         "：服务器证书已于 2020-03-01 12:00 UTC 过期（certificate has expired）"},
        {true, &certs.futureCert, &certs.futureKey,
         "：服务器证书要到 2099-01-01 00:00 UTC 才生效（certificate is not yet valid）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.certificate);
        std::string afterHandshake = "(no handshake)";
        ScriptedServer fake([&](ScriptedPeer& p) {
            if (p.startTls(*c.certificate, *c.key))
                afterHandshake = p.readLine();
        });
        const std::string server = at(fake.port());
        std::vector<std::string> args =
            c.send
                ? std::vector<std::string>{"mail-send",      "--smtp", server,          "--login",
                                           "ivan@localhost", "--to",   "ivan@localhost"}
                : std::vector<std::string>{"mail-receive",    "--pop3", server,
                                           "--user",          "ivan",   "--custom",
                                           dir.path("in.bvk")};
        args.insert(args.end(), {"--security", "tls", "--ca-file", certs.caFile, "--password-file",
                                 dir.path("pw")});
        if (c.send)
            args.push_back(dir.path("c.bvk"));
        CliResult r = runCli(args);
        fake.join();
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.output.find((c.send ? "SMTP 服务器 " : "POP3 服务器 ") + server + c.expected),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(afterHandshake, "(no handshake)");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("in.bvk")));
}

TEST(MailTls, WithoutStartTlsNothingGoesOutInClearText) {
    REQUIRE_TLS_SERVERS();
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"secret entry", "http://secret/", ""});
    saveTree(tree, dir.path("c.bvk"));
    std::string received;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 old.example ESMTP\r\n");
        std::string line;
        while (!(line = p.readLine()).empty()) {
            received += line;
            p.send("250-old.example\r\n250-AUTH PLAIN LOGIN\r\n250 8BITMIME\r\n");
        }
    });
    CliResult r =
        runCli({"mail-send", "--smtp", "127.0.0.1:" + std::to_string(server.port()), "--security",
                "starttls", "--login", "heidi@localhost", "--password-file",
                mailServers().passwordFile, "--to", "heidi@localhost", dir.path("c.bvk")});
    server.join();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("服务器不提供 STARTTLS"), std::string::npos) << r.output;
    EXPECT_TRUE(received.starts_with("EHLO ")) << received;
    EXPECT_EQ(received.find("\r\n"), received.size() - 2) << received;  // that one line only
    EXPECT_EQ(received.find(mailServers().password), std::string::npos);

    // The real SMTP server of the tests offers no STARTTLS either.
    r = runCli({"mail-send", "--smtp", "127.0.0.1:" + std::to_string(mailServers().smtpPort),
                "--security", "starttls", "--to", "heidi@localhost", dir.path("c.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("服务器不提供 STARTTLS"), std::string::npos) << r.output;
}

TEST(MailTls, CommandLineMistakesAreNamed) {
    TempDir dir;
    std::ofstream(dir.path("pw")) << "pw\n";
    struct Case {
        std::vector<std::string> args;
        std::string expected;
        int status;  // 2 for a usage error, 1 for a file that cannot be read
    } cases[] = {
        {{"mail-send", "--smtp", "h", "--to", "a", "--security", "ssl", "f"},
         "--security 只能是 none、starttls 或 tls，不是 “ssl”",
         2},
        {{"mail-send", "--smtp", "h", "--to", "a", "--password-file", dir.path("pw"), "f"},
         "--password-file 只和 --login 一起用",
         2},
        {{"mail-send", "--smtp", "h", "--to", "a", "--login", "u", "f"}, "--password-file", 2},
        {{"mail-send", "--smtp", "h:25", "--to", "a", "--ca-file", dir.path("pw"), "f"},
         "--ca-file 只用于加密的连接",
         2},
        {{"mail-receive", "--pop3", "h", "--user", "u", "--password-file", dir.path("pw"),
          "--security", "tls", "--ca-file", dir.path("none.pem")},
         dir.path("none.pem"),
         1},
    };
    for (const Case& c : cases) {
        CliResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.status) << r.output;
        EXPECT_NE(r.output.find(c.expected), std::string::npos) << r.output;
    }
}

}  // namespace
}  // namespace brivanta::integration
