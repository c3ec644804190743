#include <gtest/gtest.h>

#include <fstream>

#include "../ChildRun.h"
#include "ScriptedServer.h"
#include "core/formats/TreeArchive.h"
#include "core/net/Base64.h"
#include "core/net/CSMTP.h"
#include "core/net/MailboxTransfer.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;

constexpr NetTimeouts kQuick{5000, 5000};
constexpr NetTimeouts kImpatient{5000, 300};

MailMessage envelopeMail() {
    MailMessage m;
    m.subject = "<BRIVANTA>";
    m.addRecipient("bob@x");
    m.body = ".\r\n.net\r\nlast line";
    return m;
}

TEST(SmtpDialogue, SendsAMailStepByStep) {
    std::string helo, mail, rcpt, data, content, quit;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test ESMTP\r\n");
        helo = p.readLine();
        // A multi-line reply in one write, then one cut into single bytes.
        p.send("250-test greets you\r\n250-8BITMIME\r\n250 HELP\r\n");
        mail = p.readLine();
        p.sendInPieces("250 2.0.0 Ok\r\n", 1);
        rcpt = p.readLine();
        p.send("250 ok\r\n");
        data = p.readLine();
        p.send("354 go ahead\r\n");
        content = p.readUntil("\r\n.\r\n");
        p.sendInPieces("250 queued\r\n", 5);
        quit = p.readLine();
        p.send("221 bye\r\n");
        p.waitForClose();
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    ASSERT_TRUE(smtp.connect()) << text::toUtf8(smtp.statusText());
    EXPECT_TRUE(smtp.sendMessage(envelopeMail()));
    EXPECT_TRUE(smtp.disconnect());
    server.join();
    EXPECT_EQ(smtp.statusText(), text::gbk("发送完毕！"));
    EXPECT_TRUE(helo.starts_with("HELO ") && helo.ends_with("\r\n")) << helo;
    EXPECT_EQ(mail, "MAIL From: <>\r\n");
    EXPECT_EQ(rcpt, "RCPT TO: <bob@x>\r\n");
    EXPECT_EQ(data, "DATA\r\n");
    EXPECT_EQ(quit, "QUIT\r\n");
    // Header, X-Mailer, empty line, stuffed body with a line end added, the final dot.
    size_t blank = content.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    EXPECT_TRUE(content.starts_with("Date: ")) << content;
    EXPECT_NE(content.find("\r\nFrom: \r\nTo: <bob@x>\r\nSubject: <BRIVANTA>\r\n"
                           "X-Mailer: CSMTP class for MFC\r\n\r\n"),
              std::string::npos);
    EXPECT_EQ(content.substr(blank + 4), "..\r\n..net\r\nlast line\r\n\r\n.\r\n");
}

TEST(SmtpDialogue, RepliesArrivingTogetherAreReadOneByOne) {
    ScriptedServer server([&](ScriptedPeer& p) {
        // The greeting and the HELO reply in one write, ahead of the HELO.
        p.send("220 hi\r\n250 hello\r\n");
        p.readLine();
        p.readLine();                                     // MAIL
        p.send("250 sender ok\r\n550 no such user\r\n");  // MAIL's and RCPT's replies at once
        p.readLine();                                     // RCPT
        p.readLine();                                     // DATA
        p.send("354 go\r\n");
        p.readUntil("\r\n.\r\n");
        p.send("250 queued\r\n");
        p.readLine();
        p.send("221 bye\r\n");
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    ASSERT_TRUE(smtp.connect());
    // A refused recipient does not stop the mail; its text stays.
    EXPECT_TRUE(smtp.sendMessage(envelopeMail()));
    EXPECT_TRUE(smtp.disconnect());
    EXPECT_EQ(smtp.statusText(), "550:SMTP server error" + text::gbk("：") + "550 no such user");
}

TEST(SmtpDialogue, ReportsEveryRefusal) {
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("554 go away\r\n");
            p.waitForClose();
        });
        CSMTP smtp("127.0.0.1", server.port(), kQuick);
        EXPECT_FALSE(smtp.connect());
        EXPECT_EQ(smtp.statusText(), text::gbk("服务器没有响应！"));
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("220 hi\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("553 sender refused\r\n");
            p.readLine();
            p.send("250 ok\r\n");  // QUIT answered, but not with 221
            p.waitForClose();
        });
        CSMTP smtp("127.0.0.1", server.port(), kQuick);
        ASSERT_TRUE(smtp.connect());
        EXPECT_FALSE(smtp.sendMessage(envelopeMail()));
        EXPECT_EQ(text::toUtf8(smtp.statusText()), "553:SMTP server error：553 sender refused");
        EXPECT_FALSE(smtp.disconnect());
        EXPECT_EQ(text::toUtf8(smtp.statusText()),
                  "250:SMTP server didn't terminate session：250 ok");
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("220 hi\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("Bad gateway\r\n");  // no digits at all
            p.readLine();
            p.send("221 bye\r\n");
        });
        CSMTP smtp("127.0.0.1", server.port(), kQuick);
        ASSERT_TRUE(smtp.connect());
        EXPECT_FALSE(smtp.sendMessage(envelopeMail()));
        EXPECT_EQ(text::toUtf8(smtp.statusText()), "0:SMTP server not ready for data：Bad gateway");
    }
}

TEST(SmtpDialogue, ARefusalInTheMiddleOfTheTextIsReported) {
    ScriptedServer server([](ScriptedPeer& p) {
        p.send("220 hi\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("354 go\r\n");
        p.readLine();
        p.send("552 5.3.4 Message too big\r\n");
        p.close();
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    ASSERT_TRUE(smtp.connect());
    MailMessage big = envelopeMail();
    big.body.assign(64 * 1024, 'x');
    big.body += "\r\n";
    for (int i = 0; i < 6; ++i)
        big.body += big.body;  // 4 MB, more than the socket holds
    EXPECT_FALSE(smtp.sendMessage(big));
    EXPECT_EQ(text::toUtf8(smtp.statusText()), "552:SMTP server error：552 5.3.4 Message too big");
    EXPECT_FALSE(smtp.disconnect());
    EXPECT_EQ(text::toUtf8(smtp.statusText()), "552:SMTP server error：552 5.3.4 Message too big");
}

TEST(SmtpDialogue, AMailPastTheLimitIsNotSent) {
    std::vector<std::string> commands;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 hi\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            commands.push_back(line);
            p.send(line.starts_with("QUIT") ? "221 bye\r\n" : "250 ok\r\n");
        }
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    smtp.setMaxMailSize(1000);
    ASSERT_TRUE(smtp.connect());
    MailMessage big = envelopeMail();
    big.body = std::string(1001, 'x');
    EXPECT_FALSE(smtp.sendMessage(big));
    EXPECT_EQ(smtp.statusText(), text::gbk("邮件太大，没有发送！"));
    // Within the limit before stuffing, past it with the header and the doubled dots.
    big.body = std::string(900, '.');
    for (size_t at = 0; at < big.body.size(); at += 10)
        big.body.replace(at, 2, "\r\n");
    EXPECT_FALSE(smtp.sendMessage(big));
    EXPECT_TRUE(smtp.disconnect());
    server.join();
    EXPECT_EQ(commands, std::vector<std::string>{"QUIT\r\n"});  // no MAIL, no DATA
}

TEST(SmtpDialogue, NeverWaitsForEver) {
    {
        ScriptedServer server([](ScriptedPeer& p) { p.waitForClose(); });  // says nothing
        CSMTP smtp("127.0.0.1", server.port(), kImpatient);
        EXPECT_FALSE(smtp.connect());
        EXPECT_EQ(smtp.statusText(), text::gbk("服务器没有响应！"));
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("220 hi\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("250 ok\r\n");
            p.readLine();
            p.send("354 go\r\n");
            p.readUntil("\r\n.\r\n");
            p.waitForClose();  // the final reply never comes
        });
        CSMTP smtp("127.0.0.1", server.port(), kImpatient);
        ASSERT_TRUE(smtp.connect());
        EXPECT_FALSE(smtp.sendMessage(envelopeMail()));
        EXPECT_EQ(smtp.statusText(), text::gbk("SOCKET错误！"));
        EXPECT_FALSE(smtp.disconnect());  // nothing more is sent on a broken dialogue
        EXPECT_EQ(smtp.statusText(), text::gbk("SOCKET错误！"));
    }
}

TEST(SmtpDialogue, RefusesWhatCannotBeSent) {
    CSMTP notConnected("127.0.0.1", 1, kQuick);
    EXPECT_FALSE(notConnected.sendMessage(envelopeMail()));
    EXPECT_EQ(notConnected.statusText(), text::gbk("必须先连接！"));

    TcpListener closed;  // a port nobody listens on: bound, then closed
    ASSERT_EQ(closed.listen(0, "127.0.0.1"), NetStatus::ok);
    int port = closed.port();
    closed.close();
    CSMTP refused("127.0.0.1", port, kQuick);
    EXPECT_FALSE(refused.connect());
    EXPECT_EQ(refused.statusText(), text::gbk("不能连接到服务器！"));

    ScriptedServer server([](ScriptedPeer& p) {
        p.send("220 hi\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("221 bye\r\n");
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    ASSERT_TRUE(smtp.connect());
    MailMessage noRecipients;
    EXPECT_FALSE(smtp.sendMessage(noRecipients));
    EXPECT_EQ(smtp.statusText(), text::gbk("发送完毕！"));
    EXPECT_TRUE(smtp.disconnect());
}

// Who a tree mail is from: the address given (the account's mail address), else the login
// when it is a whole address, else nobody ("<>"): a login without a domain is no address.
struct SenderCase {
    const char* name;
    const char* login;
    const char* from;
    const char* mailCommand;
};

class MailSender : public ::testing::TestWithParam<SenderCase> {};

TEST_P(MailSender, IsAnAddressOrNobody) {
    const SenderCase& c = GetParam();
    const bool login = *c.login != '\0';
    std::string mailCommand;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test ESMTP\r\n");
        p.readLine();  // EHLO, or HELO without a login
        if (login) {
            p.send("250-test\r\n250 AUTH PLAIN\r\n");
            p.readLine();
            p.send("235 2.0.0 ok\r\n");
        } else {
            p.send("250 ok\r\n");
        }
        mailCommand = p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("250 ok\r\n");
        p.readLine();
        p.send("354 go\r\n");
        p.readUntil("\r\n.\r\n");
        p.send("250 queued\r\n");
        p.readLine();
        p.send("221 bye\r\n");
    });
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a/", ""});
    MailSecurity security;
    security.login = c.login;
    security.password = login ? "pw" : "";
    security.from = c.from;
    MailResult result =
        sendTreeByMail(tree, kNoItem, "127.0.0.1", server.port(), "bob@x", kQuick, {}, security);
    server.join();
    EXPECT_TRUE(result.ok) << text::toUtf8(result.statusText);
    EXPECT_EQ(mailCommand, std::string(c.mailCommand) + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MailSender,
    ::testing::Values(
        SenderCase{"theAccountsAddress", "carol", "carol@example.org",
                   "MAIL FROM:<carol@example.org>"},
        SenderCase{"theAddressOverTheLogin", "alice@x", "boss@y", "MAIL FROM:<boss@y>"},
        SenderCase{"aLoginThatIsAnAddress", "alice@x", "", "MAIL FROM:<alice@x>"},
        SenderCase{"aLoginWithoutADomain", "carol", "", "MAIL FROM:<>"},
        SenderCase{"anAccountAddressWithoutADomain", "carol", "carol", "MAIL FROM:<>"},
        SenderCase{"noLogin", "", "me@z", "MAIL From: <me@z>"}),
    [](const ::testing::TestParamInfo<SenderCase>& row) { return std::string(row.param.name); });

// A refusal reaches the user with the server's own words after ours.
TEST(MailSender, ARefusedSenderSaysWhatTheServerSaid) {
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test ESMTP\r\n");
        p.readLine();
        p.send("250-test\r\n250 AUTH PLAIN\r\n");
        p.readLine();
        p.send("235 2.0.0 ok\r\n");
        p.readLine();
        p.send("501 5.5.4 Invalid FROM\r\n");
        p.readLine();
        p.send("221 bye\r\n");
    });
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a/", ""});
    MailSecurity security;
    security.login = "carol";
    security.password = "pw";
    MailResult result =
        sendTreeByMail(tree, kNoItem, "127.0.0.1", server.port(), "bob@x", kQuick, {}, security);
    server.join();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(text::toUtf8(result.statusText), "501:SMTP server error：501 5.5.4 Invalid FROM");
}

// The command line: --from names the sender, and the refusal is printed with the server's
// words after the server's name.
TEST(MailSender, TheCommandLineSendsFromTheAddressGivenAndPrintsARefusal) {
    std::string mailCommand;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 test ESMTP\r\n");
        p.readLine();
        p.send("250-test\r\n250 AUTH PLAIN\r\n");
        p.readLine();
        p.send("235 2.0.0 ok\r\n");
        mailCommand = p.readLine();
        p.send("501 5.5.4 Invalid FROM\r\n");
        p.readLine();
        p.send("221 bye\r\n");
    });
    brivanta::testing::TempDir dir;
    BookmarkTree tree;
    tree.InsertNode({"a", "http://a/", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.file("t.bvk")).failed());
    std::ofstream(dir.file("pw")) << "secret\n";
    brivanta::testing::ChildRun run = brivanta::testing::runChild(
        dir, {"mail-send", "--smtp", "127.0.0.1:" + std::to_string(server.port()), "--to", "bob@x",
              "--login", "carol", "--password-file", dir.file("pw"), "--from", "carol@example.org",
              dir.file("t.bvk")});
    server.join();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(mailCommand, "MAIL FROM:<carol@example.org>\r\n");
    EXPECT_NE(run.err.find("127.0.0.1:" + std::to_string(server.port())), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("501:SMTP server error：501 5.5.4 Invalid FROM"), std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace brivanta::net
