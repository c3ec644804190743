// The send-to-mailbox and receive-from-mailbox operations against scripted servers: which
// commands go out in which order, what the mail holds, and which envelopes come back.

#include <gtest/gtest.h>

#include <algorithm>

#include "ScriptedServer.h"
#include "TreeText.h"
#include "core/net/MailboxTransfer.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;

constexpr NetTimeouts kQuick{5000, 5000};

// A POP3 server that logs the commands it gets and answers them from `mails` (an empty
// string answers RETR with "-ERR"). `stat` is the whole STAT reply.
ScriptedServer::Script pop3Server(std::vector<std::string>& commands,
                                  std::vector<std::string> mails, std::string stat) {
    return [&commands, mails, stat](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            commands.push_back(line);
            if (line.starts_with("STAT")) {
                p.send(stat);
            } else if (line.starts_with("RETR ")) {
                size_t n = std::stoul(line.substr(5)) - 1;
                if (n < mails.size() && !mails[n].empty()) {
                    p.send("+OK\r\n" + mails[n] + ".\r\n");
                } else {
                    p.send("-ERR no such message\r\n");
                }
            } else if (line.starts_with("QUIT")) {
                p.send("+OK bye\r\n");
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    };
}

std::string mail(const std::string& body) {
    return "From: a@x\r\nTo: <b@x>\r\nDate: now\r\nSubject: s\r\n\r\n" + body;
}

TEST(MailboxTransfer, ReceivesEveryMailAndHandsOverOnlyEnvelopes) {
    std::vector<std::string> commands;
    ScriptedServer server(pop3Server(commands,
                                     {mail("Dear Bob,\r\n<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\n"),
                                      mail("<BRIVANTA>\r\n<CUSTOM>\r\nB\r\nb\r\n"), "",
                                      mail("<BRIVANTA>\r\n<ADDRESS>\r\nC\r\n \r\nt\r\n")},
                                     "+OK 4 999\r\n"));
    std::vector<Envelope> envelopes;
    std::vector<std::string> steps;
    MailResult r = receiveEnvelopes(
        "127.0.0.1", server.port(), "bob", "secret", kAllSections,
        [&](Envelope&& e) { envelopes.push_back(std::move(e)); }, kQuick,
        [&](const std::string& caption) { steps.push_back(text::toUtf8(caption)); });
    server.join();
    EXPECT_EQ(commands,
              (std::vector<std::string>{"USER bob\r\n", "PASS secret\r\n", "STAT\r\n", "RETR 1\r\n",
                                        "RETR 2\r\n", "RETR 3\r\n", "RETR 4\r\n", "QUIT\r\n"}));
    // Mail 3 failed; the others still came, and the failure is what the closing text says.
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.statusText, "RETRieve failed");
    ASSERT_EQ(envelopes.size(), 2u);
    EXPECT_EQ(envelopes[0].treeKind, kCustomTree);
    EXPECT_EQ(envelopes[0].lines(), (std::vector<std::string>{"B", "b"}));
    EXPECT_EQ(envelopes[1].treeKind, kAddressBookTree);
    EXPECT_EQ(steps, (std::vector<std::string>{
                         "正在连接...", "正在读取邮件列表...", "正在接收邮件...", "正在接收邮件...",
                         "正在接收邮件...", "正在接收邮件...", "正在断开连接..."}));
}

TEST(MailboxTransfer, AnEmptyBoxOrAnUnreadableCountFetchesNothing) {
    // An empty box is a success; a count that cannot be read is not (nothing was fetched
    // from a box that may hold mails).
    for (const char* stat : {"+OK 0 0\r\n", "+OK none\r\n"}) {
        const bool empty = stat[4] == '0';
        std::vector<std::string> commands;
        ScriptedServer server(pop3Server(commands, {mail("x\r\n")}, stat));
        int handed = 0;
        MailResult r = receiveEnvelopes(
            "127.0.0.1", server.port(), "u", "p", kAllSections, [&](Envelope&&) { ++handed; },
            kQuick);
        server.join();
        EXPECT_EQ(commands,
                  (std::vector<std::string>{"USER u\r\n", "PASS p\r\n", "STAT\r\n", "QUIT\r\n"}))
            << stat;
        EXPECT_EQ(r.ok, empty);
        EXPECT_EQ(r.statusText, empty ? text::gbk("接收完毕！") : "STATus couldn't be retrieved");
        EXPECT_EQ(handed, 0);
    }
}

TEST(MailboxTransfer, GarbageOrMissingMailsAreNoSuccess) {
    // A server that is no POP3 server: anything but "+OK" is no answer to go on with.
    for (const char* reply : {"HTTP/1.1 400 Bad Request\r\n", "\r\n"}) {
        ScriptedServer server([reply](ScriptedPeer& p) {
            for (int i = 0; i < 6 && (i == 0 || !p.readLine().empty()); ++i)
                p.send(reply);
        });
        MailResult r = receiveEnvelopes(
            "127.0.0.1", server.port(), "u", "p", kAllSections, [](Envelope&&) {}, kQuick);
        server.join();
        EXPECT_FALSE(r.ok) << reply;
        EXPECT_NE(r.statusText, text::gbk("接收完毕！"));
    }
    // Three mails claimed, one delivered.
    std::vector<std::string> commands;
    ScriptedServer server(
        pop3Server(commands, {mail("<BRIVANTA>\r\n<CUSTOM>\r\nA\r\na\r\n")}, "+OK 3 100\r\n"));
    int handed = 0;
    MailResult r = receiveEnvelopes(
        "127.0.0.1", server.port(), "u", "p", kAllSections, [&](Envelope&&) { ++handed; }, kQuick);
    server.join();
    EXPECT_EQ(handed, 1);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.statusText, "RETRieve failed");
}

TEST(MailboxTransfer, EndlessEnvelopesAreBoundedByTheEntryLimit) {
    // Claims two billion mails, each an envelope of a thousand records.
    std::string body = "<BRIVANTA>\r\n<CUSTOM>\r\n";
    for (int i = 0; i < 1000; ++i)
        body += "n\r\na\r\n";
    std::vector<std::string> commands;
    std::vector<std::string> mails(50, mail(body));
    ScriptedServer server(pop3Server(commands, mails, "+OK 2000000000 1\r\n"));
    TransferLimits limits;
    limits.maxEntries = 2500;
    std::vector<size_t> sizes;
    MailResult r = receiveEnvelopes(
        "127.0.0.1", server.port(), "u", "p", kAllSections,
        [&](Envelope&& e) { sizes.push_back(e.lines().size() / 2); }, kQuick, {}, {}, limits);
    server.join();
    // Whole mails up to the limit, the records of the third up to it, then no more mails.
    EXPECT_EQ(sizes, (std::vector<size_t>{1000, 1000, 500}));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.statusText, entryLimitText());
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const std::string& c) { return c.starts_with("RETR"); }),
              3);
}

TEST(MailboxTransfer, AServerThatRefusesEveryMailIsNotAskedForEver) {
    std::vector<std::string> commands;
    ScriptedServer server(pop3Server(commands, {}, "+OK 2000000000 1\r\n"));
    MailResult r = receiveEnvelopes(
        "127.0.0.1", server.port(), "u", "p", kAllSections, [](Envelope&&) {}, kQuick);
    server.join();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.statusText, "RETRieve failed");
    // USER, PASS, STAT, a hundred refused RETRs, QUIT.
    EXPECT_EQ(commands.size(), 104u);
    EXPECT_EQ(commands.back(), "QUIT\r\n");
}

struct MailCountCase {
    const char* name;
    const char* stat;
    int maxMails;
    int retrieved;     // RETR commands the server saw
    const char* text;  // the closing text, UTF-8
};

class MailCount : public ::testing::TestWithParam<MailCountCase> {};

// However many mails a box claims, one connection fetches at most maxMails of them and says
// when it stopped there.
TEST_P(MailCount, OneConnectionFetchesAtMostTheLimitAndSaysSo) {
    const MailCountCase& c = GetParam();
    int retrieved = 0;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("STAT")) {
                p.send(c.stat);
            } else if (line.starts_with("RETR ")) {
                ++retrieved;
                p.send("+OK\r\n\r\nx\r\n.\r\n");  // a tiny mail for any number
            } else if (line.starts_with("QUIT")) {
                p.send("+OK bye\r\n");
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    });
    TransferLimits limits;
    limits.maxMails = c.maxMails;
    MailResult r = receiveEnvelopes(
        "127.0.0.1", server.port(), "u", "p", kAllSections, [](Envelope&&) {}, kQuick, {}, {},
        limits);
    server.join();
    EXPECT_EQ(retrieved, c.retrieved);
    EXPECT_EQ(text::toUtf8(r.statusText), c.text);
    EXPECT_EQ(r.ok, std::string(c.text) == "接收完毕！");
    EXPECT_EQ(r.complete, r.ok);
}

INSTANTIATE_TEST_SUITE_P(
    Claims, MailCount,
    ::testing::Values(
        MailCountCase{"TwoToTheThirtyFirst", "+OK 2147483648 0\r\n", 300, 300,
                      "邮箱里有 2147483647 封邮件，一次连接最多接收 300 封，其余邮件没有接收！"},
        MailCountCase{"TwoToTheThirtyFirstLessOne", "+OK 2147483647 0\r\n", 300, 300,
                      "邮箱里有 2147483647 封邮件，一次连接最多接收 300 封，其余邮件没有接收！"},
        MailCountCase{"TwentyDigits", "+OK 99999999999999999999 0\r\n", 5, 5,
                      "邮箱里有 2147483647 封邮件，一次连接最多接收 5 封，其余邮件没有接收！"},
        MailCountCase{"OneOverTheLimit", "+OK 301 0\r\n", 300, 300,
                      "邮箱里有 301 封邮件，一次连接最多接收 300 封，其余邮件没有接收！"},
        MailCountCase{"ExactlyTheLimit", "+OK 300 0\r\n", 300, 300, "接收完毕！"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(MailboxTransfer, SendsTheEnvelopeAsTheMailBody) {
    BookmarkTree tree(kAddressBookTree);
    testing::addEntries(tree, {{0, "Ann", "", ".woman"}, {1, "tel", "123", ""}});
    std::vector<std::string> commands;
    std::string content;
    ScriptedServer server([&](ScriptedPeer& p) {
        p.send("220 hi\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            commands.push_back(line);
            if (line == "DATA\r\n") {
                p.send("354 go\r\n");
                content = p.readUntil("\r\n.\r\n");
                p.send("250 queued\r\n");
            } else if (line == "QUIT\r\n") {
                p.send("221 bye\r\n");
                return;
            } else {
                p.send("250 ok\r\n");
            }
        }
    });
    std::vector<std::string> steps;
    MailResult r =
        sendTreeByMail(tree, kNoItem, "127.0.0.1", server.port(), "bob@x", kQuick,
                       [&](const std::string& caption) { steps.push_back(text::toUtf8(caption)); });
    server.join();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.statusText, text::gbk("发送完毕！"));
    ASSERT_EQ(commands.size(), 5u);
    EXPECT_TRUE(commands[0].starts_with("HELO "));
    EXPECT_EQ(commands[1], "MAIL From: <>\r\n");
    EXPECT_EQ(commands[2], "RCPT TO: <bob@x>\r\n");
    EXPECT_EQ(commands[3], "DATA\r\n");
    EXPECT_EQ(commands[4], "QUIT\r\n");
    size_t blank = content.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos);
    EXPECT_NE(content.find("\r\nFrom: \r\nTo: <bob@x>\r\nSubject: <BRIVANTA>\r\n"
                           "X-Mailer: CSMTP class for MFC\r\n\r\n"),
              std::string::npos)
        << content;
    // The line that starts with a dot goes out with one more; the server takes it off.
    EXPECT_EQ(content.substr(blank + 4),
              "<BRIVANTA>\r\n<ADDRESS>\r\nAnn\r\n \r\n..woman\r\n->tel\r\n123\r\n \r\n\r\n.\r\n");
    EXPECT_EQ(steps, (std::vector<std::string>{"正在准备数据...", "正在连接...", "正在发送邮件...",
                                               "正在断开连接..."}));
}

}  // namespace
}  // namespace brivanta::net
