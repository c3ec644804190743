// brivanta-cli update-recommended against the real local mailbox: the recommended tree is
// rebuilt from every "<SYSTEM>" envelope, or left byte for byte as it was.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "IntegrationSupport.h"
#include "core/formats/TreeArchive.h"

namespace brivanta::integration {
namespace {

#define REQUIRE_SERVERS()                                                                  \
    do {                                                                                   \
        const MailServers& servers = mailServers();                                        \
        if (!servers.available && servers.expected)                                        \
            FAIL() << "the local mail servers should run but do not: " << servers.problem; \
        if (!servers.available)                                                            \
            GTEST_SKIP() << "local mail servers are not running: " << servers.problem;     \
        ASSERT_TRUE(lockMailboxes()) << "another test run kept the mailboxes for 60 s";    \
    } while (false)

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void mailTree(const std::string& user, const std::string& section,
              const std::vector<NodeRecord>& records, const TempDir& dir) {
    BookmarkTree tree(section == "system" ? kRecommendedTree : kCustomTree);
    for (const NodeRecord& r : records)
        tree.InsertNode(r);
    const std::string file = dir.path(section + std::to_string(records.size()) + ".bvk");
    ASSERT_FALSE(saveArchiveFile(tree, file).failed());
    CliResult sent =
        runCli({"mail-send", "--smtp", "127.0.0.1:" + std::to_string(mailServers().smtpPort),
                "--to", user + "@localhost", "--section", section, file});
    ASSERT_EQ(sent.exitCode, 0) << sent.output;
}

CliResult update(const std::string& user, const std::string& file) {
    return runCli({"update-recommended", "--pop3",
                   "127.0.0.1:" + std::to_string(mailServers().pop3Port), "--user", user,
                   "--password-file", mailServers().passwordFile, file});
}

TEST(UpdateRecommended, TwoSystemEnvelopesMakeTheTreeFirstMailFirst) {
    REQUIRE_SERVERS();
    const std::string user = "grace";
    ASSERT_TRUE(emptyMailbox(user));
    TempDir dir;
    // Each mail is in the box before the next is sent: mails delivered in the same moment
    // may be listed in either order.
    mailTree(user, "system", {{"s1", "http://s1/", ""}}, dir);
    ASSERT_EQ(waitForMails(user, 1), 1);
    mailTree(user, "custom", {{"c", "http://c/", ""}}, dir);
    ASSERT_EQ(waitForMails(user, 2), 2);
    mailTree(user, "system", {{"s2", "http://s2/", ""}, {"s3", "http://s3/", ""}}, dir);
    ASSERT_EQ(waitForMails(user, 3), 3);

    BookmarkTree old(kRecommendedTree);
    old.InsertNode({"old", "http://old/", ""});
    const std::string file = dir.path("System.bvk");
    ASSERT_FALSE(saveArchiveFile(old, file).failed());
    const std::string before = bytesOf(file);

    CliResult r = update(user, file);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "更新完毕！\n");
    EXPECT_EQ(fileTreeText(file, kRecommendedTree),
              "s1|http://s1/\ns2|http://s2/\ns3|http://s3/\n");
    EXPECT_EQ(bytesOf(dir.path("System.bak")), before);
}

TEST(UpdateRecommended, WithoutSystemEnvelopesTheFileStaysByteForByte) {
    REQUIRE_SERVERS();
    const std::string user = "heidi";
    ASSERT_TRUE(emptyMailbox(user));
    TempDir dir;
    mailTree(user, "custom", {{"c", "http://c/", ""}}, dir);
    ASSERT_EQ(waitForMails(user, 1), 1);

    BookmarkTree old(kRecommendedTree);
    old.InsertNode({"old", "http://old/", ""});
    const std::string file = dir.path("System.bvk");
    ASSERT_FALSE(saveArchiveFile(old, file).failed());
    const std::string before = bytesOf(file);

    // The backup of an earlier good tree, which a failed update must keep.
    std::ofstream(dir.path("System.bak"), std::ios::binary) << "earlier backup";

    CliResult r = update(user, file);
    EXPECT_EQ(r.exitCode, 1) << r.output;
    EXPECT_NE(r.output.find("更新失败！"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("POP3 服务器 127.0.0.1:" + std::to_string(mailServers().pop3Port) +
                            "：邮箱里没有带条目的 <SYSTEM> 信封"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(bytesOf(dir.path("System.bak")), "earlier backup");

    // A wrong password reaches nothing either, and the server is named.
    TempDir other;
    std::ofstream(other.path("pw")) << "wrong\n";
    r = runCli({"update-recommended", "--pop3",
                "127.0.0.1:" + std::to_string(mailServers().pop3Port), "--user", user,
                "--password-file", other.path("pw"), file});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("127.0.0.1:" + std::to_string(mailServers().pop3Port)),
              std::string::npos)
        << r.output;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(bytesOf(dir.path("System.bak")), "earlier backup");
}

TEST(UpdateRecommended, FailedUpdatesAfterAGoodOneKeepItsBackup) {
    REQUIRE_SERVERS();
    TempDir dir;
    ASSERT_TRUE(emptyMailbox("grace"));
    mailTree("grace", "system", {{"new", "http://new/", ""}}, dir);
    ASSERT_EQ(waitForMails("grace", 1), 1);
    ASSERT_TRUE(emptyMailbox("heidi"));
    mailTree("heidi", "custom", {{"c", "http://c/", ""}}, dir);
    ASSERT_EQ(waitForMails("heidi", 1), 1);

    BookmarkTree old(kRecommendedTree);
    old.InsertNode({"old", "http://old/", ""});
    const std::string file = dir.path("System.bvk");
    ASSERT_FALSE(saveArchiveFile(old, file).failed());
    const std::string oldBytes = bytesOf(file);
    CliResult r = update("grace", file);
    ASSERT_EQ(r.exitCode, 0) << r.output;
    const std::string newBytes = bytesOf(file);
    ASSERT_EQ(bytesOf(dir.path("System.bak")), oldBytes);

    // Two failures of different kinds, one after the other: a mailbox with no "<SYSTEM>"
    // entries, then a refused login. The good tree and its backup stay.
    TempDir other;
    std::ofstream(other.path("pw")) << "wrong\n";
    const std::string pop3 = "127.0.0.1:" + std::to_string(mailServers().pop3Port);
    const std::vector<std::vector<std::string>> failing = {
        {"update-recommended", "--pop3", pop3, "--user", "heidi", "--password-file",
         mailServers().passwordFile, file},
        {"update-recommended", "--pop3", pop3, "--user", "grace", "--password-file",
         other.path("pw"), file},
    };
    for (const auto& args : failing) {
        r = runCli(args);
        EXPECT_EQ(r.exitCode, 1) << r.output;
        EXPECT_NE(r.output.find("更新失败！"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("POP3 服务器 " + pop3 + "："), std::string::npos) << r.output;
        EXPECT_EQ(bytesOf(file), newBytes);
        EXPECT_EQ(bytesOf(dir.path("System.bak")), oldBytes);
    }
}

}  // namespace
}  // namespace brivanta::integration
