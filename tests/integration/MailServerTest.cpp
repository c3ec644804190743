// Mail through the real local servers: OpenSMTPD delivers into maildirs that Dovecot
// serves over POP3 (scripts/mail-servers). Each test has a mailbox of its own.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "IntegrationSupport.h"
#include "core/formats/TreeArchive.h"
#include "core/net/CSMTP.h"
#include "core/text/Encoding.h"

namespace brivanta::integration {
namespace {

// Skips only when nothing asked for the servers; under scripts/run-tests (which exports
// their settings) missing servers fail the test.
#define REQUIRE_SERVERS()                                                                  \
    do {                                                                                   \
        const MailServers& servers = mailServers();                                        \
        if (!servers.available && servers.expected)                                        \
            FAIL() << "the local mail servers should run but do not: " << servers.problem; \
        if (!servers.available)                                                            \
            GTEST_SKIP() << "local mail servers are not running (scripts/mail-servers "    \
                            "start): "                                                     \
                         << servers.problem;                                               \
        ASSERT_TRUE(lockMailboxes()) << "another test run kept the mailboxes for 60 s";    \
    } while (false)

std::string smtpAddress() {
    return "127.0.0.1:" + std::to_string(mailServers().smtpPort);
}
std::string pop3Address() {
    return "127.0.0.1:" + std::to_string(mailServers().pop3Port);
}

void saveTree(BookmarkTree& tree, const std::string& path) {
    ASSERT_FALSE(saveArchiveFile(tree, path).failed()) << path;
}

// A tree with what mail tends to break: Chinese text, dots at line starts, a long name,
// a folder without address, an empty name at the top level.
void fillAwkwardTree(BookmarkTree& tree) {
    ItemId news = tree.InsertNode({text::gbk("新闻"), "", ""});
    tree.InsertNode({text::gbk("新浪"), "http://www.sina.com.cn/", ""}, news);
    tree.InsertNode({".", "..", ""}, news);
    tree.InsertNode({".hidden", ".net", ""}, news);
    tree.InsertNode({"", "http://empty.name/", ""});
    tree.InsertNode({std::string(300, 'L'), "http://long/", ""});
    tree.InsertNode({"last", "mailto:a@b", ""});
}

CliResult mailSend(const std::string& to, const std::string& file,
                   const std::string& section = "custom") {
    return runCli({"mail-send", "--smtp", smtpAddress(), "--to", to, "--section", section, file});
}

TEST(MailServers, ATreeMailedComesBackIntoTheRightFile) {
    REQUIRE_SERVERS();
    const std::string user = "alice";
    ASSERT_TRUE(emptyMailbox(user));
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    fillAwkwardTree(tree);
    saveTree(tree, dir.path("mine.bvk"));

    CliResult sent = mailSend(user + "@localhost", dir.path("mine.bvk"));
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_EQ(sent.output, "发送完毕！\n");
    ASSERT_EQ(waitForMails(user, 1), 1);

    // The receiving side already has an entry; the mail's entries come after it.
    BookmarkTree existing(kCustomTree);
    existing.InsertNode({"mine", "http://mine/", ""});
    saveTree(existing, dir.path("custom.bvk"));
    CliResult got = runCli({"mail-receive", "--pop3", pop3Address(), "--user", user,
                            "--password-file", mailServers().passwordFile, "--custom",
                            dir.path("custom.bvk"), "--address-book", dir.path("book.ads")});
    EXPECT_EQ(got.exitCode, 0) << got.output;
    EXPECT_EQ(got.output, "接收完毕！\n");
    EXPECT_EQ(fileTreeText(dir.path("custom.bvk"), kCustomTree),
              "mine|http://mine/\n" + treeText(tree));
    EXPECT_FALSE(std::ifstream(dir.path("book.ads")).good());  // nothing for the address book
}

TEST(MailServers, EnvelopesGoToTheirSectionsAndOrdinaryMailsArePassedOver) {
    REQUIRE_SERVERS();
    const std::string user = "bob";
    ASSERT_TRUE(emptyMailbox(user));
    TempDir dir;

    // An ordinary mail first, sent by the program's own SMTP client.
    {
        net::CSMTP smtp("127.0.0.1", mailServers().smtpPort, {5000, 10000});
        ASSERT_TRUE(smtp.connect()) << text::toUtf8(smtp.statusText());
        net::MailMessage hello;
        hello.subject = "hello";
        hello.addRecipient(user + "@localhost");
        hello.body = "Just a letter.\r\n<BRIVANTA>\r\n<CUSTOM>\r\nnot|an envelope\r\n";
        EXPECT_TRUE(smtp.sendMessage(hello));
        EXPECT_TRUE(smtp.disconnect());
        EXPECT_EQ(smtp.statusText(), net::CSMTP::successText());
    }
    BookmarkTree custom(kCustomTree);
    custom.InsertNode({"c1", "http://c1/", ""});
    saveTree(custom, dir.path("c.bvk"));
    BookmarkTree book(kAddressBookTree);
    ItemId ann = book.InsertNode({text::gbk("安娜"), "", "woman"});
    book.InsertNode({"tel", "12345", "phone"}, ann);
    saveTree(book, dir.path("b.ads"));
    BookmarkTree system(kRecommendedTree);
    system.InsertNode({"s1", "http://s1/", ""});
    saveTree(system, dir.path("s.bvk"));

    EXPECT_EQ(mailSend(user + "@localhost", dir.path("c.bvk")).exitCode, 0);
    EXPECT_EQ(mailSend(user + "@localhost", dir.path("b.ads"), "address").exitCode, 0);
    EXPECT_EQ(mailSend(user + "@localhost", dir.path("c.bvk")).exitCode, 0);
    EXPECT_EQ(mailSend(user + "@localhost", dir.path("s.bvk"), "system").exitCode, 0);
    ASSERT_EQ(waitForMails(user, 5), 5);

    // No file for <SYSTEM>: that envelope is passed over.
    CliResult got = runCli({"mail-receive", "--pop3", pop3Address(), "--user", user,
                            "--password-file", mailServers().passwordFile, "--custom",
                            dir.path("in.bvk"), "--address-book", dir.path("in.ads")});
    EXPECT_EQ(got.exitCode, 0) << got.output;
    EXPECT_EQ(got.output, "接收完毕！\n");
    EXPECT_EQ(fileTreeText(dir.path("in.bvk"), kCustomTree), "c1|http://c1/\nc1|http://c1/\n");
    EXPECT_EQ(fileTreeText(dir.path("in.ads"), kAddressBookTree), treeText(book));

    // Mails stay on the server: receiving again into the recommended file finds them all.
    got = runCli({"mail-receive", "--pop3", pop3Address(), "--user", user, "--password-file",
                  mailServers().passwordFile, "--recommended", dir.path("in-s.bvk")});
    EXPECT_EQ(got.exitCode, 0) << got.output;
    EXPECT_EQ(fileTreeText(dir.path("in-s.bvk"), kRecommendedTree), "s1|http://s1/\n");
}

TEST(MailServers, AChainPastTheDepthLimitIsSavedAtTheLimitAndCounted) {
    REQUIRE_SERVERS();
    const std::string user = "alice";
    ASSERT_TRUE(emptyMailbox(user));
    TempDir dir;
    ASSERT_TRUE(saveChain(dir.path("chain.bvk"), 1200));
    CliResult sent = mailSend(user + "@localhost", dir.path("chain.bvk"));
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    ASSERT_EQ(waitForMails(user, 1), 1);

    CliResult got =
        runCli({"mail-receive", "--pop3", pop3Address(), "--user", user, "--password-file",
                mailServers().passwordFile, "--custom", dir.path("custom.bvk")});
    EXPECT_EQ(got.exitCode, 0) << got.output;
    size_t entries = 0;
    EXPECT_EQ(fileDepth(dir.path("custom.bvk"), kCustomTree, entries), 1000);
    EXPECT_EQ(entries, 1200u);
    EXPECT_NE(got.output.find("200 个条目深于 1000 层，放在了第 1000 层"), std::string::npos)
        << got.output;
}

TEST(MailServers, AWrongPasswordFetchesNothing) {
    REQUIRE_SERVERS();
    TempDir dir;
    std::ofstream(dir.path("wrong")) << "not-the-password\n";
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"keep", "me", ""});
    saveTree(tree, dir.path("c.bvk"));
    CliResult got = runCli({"mail-receive", "--pop3", pop3Address(), "--user", "carol",
                            "--password-file", dir.path("wrong"), "--custom", dir.path("c.bvk")});
    EXPECT_EQ(got.exitCode, 1);
    EXPECT_EQ(got.output, "brivanta-cli: POP3 服务器 " + pop3Address() + "：用户名/密码错！\n");
    EXPECT_EQ(fileTreeText(dir.path("c.bvk"), kCustomTree), "keep|me\n");
}

TEST(MailServers, RefusalsAndUnreachableServersAreReported) {
    REQUIRE_SERVERS();
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    saveTree(tree, dir.path("c.bvk"));
    // No such mailbox: the recipient is refused, and with no recipient left DATA is too.
    CliResult refused = mailSend("nobody-here@localhost", dir.path("c.bvk"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.output.find(":SMTP server") != std::string::npos) << refused.output;

    // A port where nothing listens.
    CliResult unreachable =
        runCli({"mail-send", "--smtp", "127.0.0.1:1", "--to", "a@localhost", dir.path("c.bvk")});
    EXPECT_EQ(unreachable.exitCode, 1);
    EXPECT_EQ(unreachable.output, "brivanta-cli: SMTP 服务器 127.0.0.1:1：不能连接到服务器！\n");
}

TEST(MailCommands, EveryErrorNamesTheServerOrTheFile) {
    TempDir dir;
    std::ofstream(dir.path("pw")) << "secret\n";
    // No server behind the port: the message names it, and nothing is written.
    CliResult r = runCli({"mail-receive", "--pop3", "127.0.0.1:1", "--user", "u", "--password-file",
                          dir.path("pw"), "--custom", dir.path("c.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output, "brivanta-cli: POP3 服务器 127.0.0.1:1：不能连接到服务器！\n");
    EXPECT_FALSE(std::ifstream(dir.path("c.bvk")).good());
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    saveTree(tree, dir.path("t.bvk"));
    r = runCli({"mail-send", "--smtp", "[::1]:1", "--to", "a@x", dir.path("t.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output, "brivanta-cli: SMTP 服务器 [::1]:1：不能连接到服务器！\n");
    r = runCli({"mail-receive", "--pop3", "127.0.0.1:1", "--user", "u", "--password-file",
                dir.path("missing"), "--custom", dir.path("c.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find(dir.path("missing")), std::string::npos) << r.output;
    // A device is no password file: /dev/zero, a file without end, is refused by name
    // before anything is read (the address-space limit would turn filling the memory into a
    // crash, not exit status 1).
    {
        std::string command = "ulimit -v 2000000; timeout 20 " + shellQuote(BRIVANTA_CLI_PATH) +
                              " mail-receive --pop3 127.0.0.1:1 --user u --password-file /dev/zero"
                              " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, n);
        int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status << " " << output;
        EXPECT_NE(output.find("“/dev/zero”：它不是普通文件"), std::string::npos) << output;
    }
    // One file for two sections: the second save would lose what the first one added.
    r = runCli({"mail-receive", "--pop3", "127.0.0.1:1", "--user", "u", "--password-file",
                dir.path("pw"), "--custom", dir.path("t.bvk"), "--recommended", dir.path("t.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find(dir.path("t.bvk")), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("不能连接到服务器"), std::string::npos) << r.output;
    r = runCli({"mail-send", "--smtp", "127.0.0.1:1", "--to", "a@x", dir.path("missing.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find(dir.path("missing.bvk")), std::string::npos) << r.output;
}

}  // namespace
}  // namespace brivanta::integration
