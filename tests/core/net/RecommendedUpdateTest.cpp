// The recommended-tree update against a scripted mailbox, and the upload and the server
// check that share the peer connection.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "ScriptedServer.h"
#include "TreeText.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/MailServerField.h"
#include "core/net/RecommendedUpdate.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::addEntries;
using testing::ScriptedPeer;
using testing::ScriptedServer;
using testing::treeText;

constexpr NetTimeouts kQuick{5000, 5000};

ScriptedServer::Script mailbox(std::vector<std::string> bodies) {
    return testing::keptMailbox(std::move(bodies));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class TempFolder {
  public:
    TempFolder() {
        char name[] = "/tmp/brivanta-update-XXXXXX";
        dir_ = ::mkdtemp(name);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

struct UpdateCase {
    const char* name;
    std::vector<std::string> bodies;
    bool ok;
    const char* tree;  // the new tree as text, when ok
};

class RecommendedUpdate : public ::testing::TestWithParam<UpdateCase> {};

// What the backup held before the update: the backup of an earlier good tree.
const std::string kEarlierBackup = "earlier backup, not an archive";

TEST_P(RecommendedUpdate, RebuildsFromSystemEnvelopesOrLeavesBothFiles) {
    const UpdateCase& c = GetParam();
    TempFolder dir;
    BookmarkTree current(kRecommendedTree);
    addEntries(current, {{0, "old", ""}, {1, "kept", "http://kept/"}});
    const std::string treePath = dir.path("System.bvk");
    ASSERT_FALSE(saveArchiveFile(current, treePath).failed());
    const std::string before = readFile(treePath);
    std::ofstream(dir.path("System.bak"), std::ios::binary) << kEarlierBackup;

    ScriptedServer server(mailbox(c.bodies));
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = server.port();
    std::vector<std::string> steps;
    RecommendedUpdateResult r =
        updateRecommendedTree(current, dir.path("System.bak"), treePath, box, kQuick,
                              [&](const std::string& s) { steps.push_back(text::toUtf8(s)); });
    server.join();

    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(text::toUtf8(r.statusText), c.ok ? "更新完毕！" : "更新失败！");
    EXPECT_FALSE(r.error.failed());
    // The tree that was to be replaced is never touched.
    EXPECT_EQ(treeText(current), "old|\n  kept|http://kept/\n");
    BookmarkTree written(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(written, treePath));
    if (c.ok) {
        EXPECT_EQ(readFile(dir.path("System.bak")), before);
        EXPECT_EQ(treeText(written), c.tree);
        BookmarkTree shown(kRecommendedTree);
        shown.InsertNode({"to be replaced", "", ""});
        EXPECT_EQ(replaceTreeContent(shown, r.archive), r.entries);
        EXPECT_EQ(treeText(shown), c.tree);
        EXPECT_EQ(steps.back(), "正在备份...");
    } else {
        EXPECT_EQ(readFile(dir.path("System.bak")), kEarlierBackup);
        EXPECT_EQ(readFile(treePath), before);
        EXPECT_EQ(text::toUtf8(r.mailboxFailure), "邮箱里没有带条目的 <SYSTEM> 信封");
        EXPECT_EQ(steps.back(), "正在退出...");
    }
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(steps.begin(), steps.begin() + 2),
              (std::vector<std::string>{"正在连接...", "正在检查..."}));
}

const UpdateCase kUpdateCases[] = {
    {"TwoSystemEnvelopesFirstMailFirst",
     {"<BRIVANTA>\r\n<SYSTEM>\r\nA\r\nhttp://a/\r\n->a1\r\nhttp://a1/\r\n", "just a letter\r\n",
      "<BRIVANTA>\r\n<SYSTEM>\r\nB\r\nhttp://b/\r\n"},
     true,
     "A|http://a/\n  a1|http://a1/\nB|http://b/\n"},
    {"OnlyOtherSections",
     {"<BRIVANTA>\r\n<CUSTOM>\r\nC\r\nhttp://c/\r\n", "<BRIVANTA>\r\n<ADDRESS>\r\nD\r\n \r\nt\r\n"},
     false,
     ""},
    {"SystemEnvelopeStoppingAtAnEmptyFirstLine",
     {"<BRIVANTA>\r\n<SYSTEM>\r\n\r\nA\r\nhttp://a/\r\n"},
     false,
     ""},
    // One line is no whole entry: an empty tree must not count as an update.
    {"SystemEnvelopeWithoutAWholeEntry", {"<BRIVANTA>\r\n<SYSTEM>\r\nA\r\n"}, false, ""},
    {"EmptyMailbox", {}, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Mailboxes, RecommendedUpdate, ::testing::ValuesIn(kUpdateCases),
                         [](const auto& row) { return std::string(row.param.name); });

// A mailbox that goes wrong in one way: its STAT reply, the reply to each RETR in turn (the
// server closes the connection after a reply that says so), and its reply to PASS.
struct MailReply {
    std::string text;
    bool thenClose = false;
};

ScriptedServer::Script faultyMailbox(std::string stat, std::vector<MailReply> mails,
                                     std::string pass = "+OK\r\n") {
    return [=](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("PASS")) {
                p.send(pass);
            } else if (line.starts_with("STAT")) {
                p.send(stat);
            } else if (line.starts_with("RETR ")) {
                size_t n = std::stoul(line.substr(5)) - 1;
                if (n >= mails.size()) {
                    p.send("-ERR no such message\r\n");
                    continue;
                }
                p.send(mails[n].text);
                if (mails[n].thenClose)
                    return;
            } else if (line.starts_with("QUIT")) {
                p.send("+OK bye\r\n");
                return;
            } else {
                p.send("+OK\r\n");
            }
        }
    };
}

MailReply systemMail(const std::string& name) {
    return {"+OK\r\nSubject: <BRIVANTA>\r\n\r\n<BRIVANTA>\r\n<SYSTEM>\r\n" + name + "\r\nhttp://" +
            name + "/\r\n.\r\n"};
}

struct FailureCase {
    const char* name;
    std::string stat;
    std::vector<MailReply> mails;
    std::string pass;
    int maxMails;
    size_t maxEntries;
    const char* reason;  // what the report says after the server
};

class RecommendedUpdateFailure : public ::testing::TestWithParam<FailureCase> {};

// Whatever goes wrong in the mailbox, neither the tree file nor the backup of the last good
// tree changes, and the report names the server and what went wrong.
TEST_P(RecommendedUpdateFailure, LeavesTreeAndBackupByteForByte) {
    const FailureCase& c = GetParam();
    TempFolder dir;
    BookmarkTree current(kRecommendedTree);
    current.InsertNode({"good", "http://good/", ""});
    const std::string treePath = dir.path("System.bvk");
    const std::string backupPath = dir.path("System.bak");
    ASSERT_FALSE(saveArchiveFile(current, treePath).failed());
    std::ofstream(backupPath, std::ios::binary) << kEarlierBackup;
    const std::string treeBefore = readFile(treePath);

    ScriptedServer server(faultyMailbox(c.stat, c.mails, c.pass));
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = server.port();
    TransferLimits limits;
    limits.maxMails = c.maxMails;
    limits.maxEntries = c.maxEntries;
    RecommendedUpdateResult r =
        updateRecommendedTree(current, backupPath, treePath, box, kQuick, {}, limits);
    server.join();

    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.failed());
    EXPECT_EQ(readFile(treePath), treeBefore);
    EXPECT_EQ(readFile(backupPath), kEarlierBackup);
    EXPECT_EQ(text::toUtf8(updateReport(r, box)),
              "更新失败！\r\nPOP3 服务器 127.0.0.1:" + std::to_string(box.port) + "：" + c.reason);
}

const FailureCase kFailureCases[] = {
    {"ConnectionBrokenInsideTheSecondMail",
     "+OK 2 100\r\n",
     {systemMail("a"),
      {"+OK\r\nSubject: <BRIVANTA>\r\n\r\n<BRIVANTA>\r\n<SYSTEM>\r\nb\r\nhttp://b", true}},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "SOCKET错误！"},
    {"ConnectionBrokenInsideTheOnlyMail",
     "+OK 1 100\r\n",
     {{"+OK\r\nSubject: <BRIVANTA>\r\n\r\n<BRIVANTA>\r\n<SYSTEM>\r\na\r\n", true}},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "SOCKET错误！"},
    {"ErrToTheSecondRetr",
     "+OK 3 100\r\n",
     {systemMail("a"), {"-ERR message is gone\r\n"}, systemMail("c")},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "RETRieve failed"},
    {"FewerMailsThanListed",
     "+OK 3 100\r\n",
     {systemMail("a"), systemMail("b")},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "RETRieve failed"},
    {"NoAnswerButGarbageToRetr",
     "+OK 2 100\r\n",
     {systemMail("a"), {"HTTP/1.1 400 Bad Request\r\n"}},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "RETRieve failed"},
    {"LoginRefused",
     "+OK 1 100\r\n",
     {systemMail("a")},
     "-ERR no\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "用户名/密码错！"},
    {"CountUnreadable",
     "+OK lots\r\n",
     {systemMail("a")},
     "+OK\r\n",
     kMaxMailsPerConnection,
     5'000'000,
     "STATus couldn't be retrieved"},
    {"MoreMailsThanOneConnectionReads",
     "+OK 3 100\r\n",
     {systemMail("a"), systemMail("b"), systemMail("c")},
     "+OK\r\n",
     2,
     5'000'000,
     "邮箱里有 3 封邮件，一次连接最多接收 2 封，其余邮件没有接收！"},
    {"EntryLimitInsideTheLastMail",
     "+OK 1 100\r\n",
     {{"+OK\r\n\r\n<BRIVANTA>\r\n<SYSTEM>\r\na\r\nhttp://a/\r\nb\r\nhttp://b/\r\n.\r\n"}},
     "+OK\r\n",
     kMaxMailsPerConnection,
     1,
     "收到的条目已达上限，其余邮件没有接收！"},
};

INSTANTIATE_TEST_SUITE_P(Mailboxes, RecommendedUpdateFailure, ::testing::ValuesIn(kFailureCases),
                         [](const auto& row) { return std::string(row.param.name); });

// Every mail came whole; a server that hangs up instead of answering QUIT costs nothing.
TEST(RecommendedUpdateFailures, AnUnansweredQuitAfterTheLastMailStillUpdates) {
    TempFolder dir;
    BookmarkTree current(kRecommendedTree);
    current.InsertNode({"old", "http://old/", ""});
    ScriptedServer server([](ScriptedPeer& p) {
        p.send("+OK ready\r\n");
        for (std::string line; !(line = p.readLine()).empty();) {
            if (line.starts_with("STAT"))
                p.send("+OK 1 100\r\n");
            else if (line.starts_with("RETR"))
                p.send(systemMail("a").text);
            else if (line.starts_with("QUIT"))
                return;
            else
                p.send("+OK\r\n");
        }
    });
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = server.port();
    RecommendedUpdateResult r =
        updateRecommendedTree(current, dir.path("System.bak"), dir.path("System.bvk"), box, kQuick);
    server.join();
    EXPECT_TRUE(r.ok) << text::toUtf8(r.receiveText);
    // The dialogue itself did not end well.
    EXPECT_NE(r.receiveText, text::gbk("接收完毕！"));
    BookmarkTree written(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(written, dir.path("System.bvk")));
    EXPECT_EQ(treeText(written), "a|http://a/\n");
}

TEST(RecommendedUpdateFailures, AnUnreachableMailboxOrAnUnwritableBackup) {
    TempFolder dir;
    BookmarkTree current(kRecommendedTree);
    current.InsertNode({"x", "http://x/", ""});
    // A port nobody listens on: taken and given back.
    TcpListener probe;
    ASSERT_EQ(probe.listen(0, "127.0.0.1"), NetStatus::ok);
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = probe.port();
    probe.close();
    RecommendedUpdateResult r =
        updateRecommendedTree(current, dir.path("System.bak"), dir.path("System.bvk"), box, kQuick);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(text::toUtf8(r.statusText), "更新失败！");
    EXPECT_NE(text::toUtf8(updateReport(r, box))
                  .find("POP3 服务器 127.0.0.1:" + std::to_string(box.port) + "："),
              std::string::npos);
    EXPECT_EQ(::access(dir.path("System.bvk").c_str(), F_OK), -1);
    EXPECT_EQ(::access(dir.path("System.bak").c_str(), F_OK), -1);

    // The backup cannot be written: the tree file is not replaced either.
    BookmarkTree old(kRecommendedTree);
    old.InsertNode({"old", "http://old/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.path("System.bvk")).failed());
    const std::string before = readFile(dir.path("System.bvk"));
    ScriptedServer server(mailbox({"<BRIVANTA>\r\n<SYSTEM>\r\nnew\r\nhttp://new/\r\n"}));
    box.port = server.port();
    r = updateRecommendedTree(current, dir.path("missing/System.bak"), dir.path("System.bvk"), box,
                              kQuick);
    server.join();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(text::toUtf8(r.statusText), "更新失败！");
    EXPECT_TRUE(r.error.failed());
    EXPECT_TRUE(r.mailboxFailure.empty());
    EXPECT_NE(text::toUtf8(updateReport(r, box)).find("missing/System.bak"), std::string::npos);
    EXPECT_EQ(readFile(dir.path("System.bvk")), before);
}

TEST(RecommendedUpdateFailures, RelativePathsAndALinkedTreeFile) {
    TempFolder dir;
    ASSERT_EQ(::mkdir(dir.path("shared").c_str(), 0755), 0);
    BookmarkTree current(kRecommendedTree);
    current.InsertNode({"old", "http://old/", ""});
    ASSERT_FALSE(saveArchiveFile(current, dir.path("shared/System.bvk")).failed());
    ASSERT_EQ(::symlink("shared/System.bvk", dir.path("System.bvk").c_str()), 0);
    // Relative to the working directory, which the test leaves as it is.
    const std::string here =
        std::filesystem::relative(dir.path(""), std::filesystem::current_path());
    ScriptedServer server(mailbox({"<BRIVANTA>\r\n<SYSTEM>\r\nnew\r\nhttp://new/\r\n"}));
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = server.port();
    RecommendedUpdateResult r =
        updateRecommendedTree(current, here + "/System.bak", here + "/System.bvk", box, kQuick);
    server.join();
    EXPECT_TRUE(r.ok) << text::toUtf8(r.statusText);
    // The link stays a link; the file it names got the new tree.
    struct stat st {};
    ASSERT_EQ(::lstat(dir.path("System.bvk").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    BookmarkTree written(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(written, dir.path("shared/System.bvk")));
    EXPECT_EQ(treeText(written), "new|http://new/\n");
    BookmarkTree backup(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(backup, dir.path("System.bak")));
    EXPECT_EQ(treeText(backup), "old|http://old/\n");
}

TEST(Upload, SendsTheArchiveStreamAndNamesTheServerWhenItFails) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, text::gbk("资料"), ""}, {1, "a", "http://a/"}});
    PeerListener listener(kCustomTree, kQuick);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    PeerReceipt got;
    std::thread receiver([&] { listener.receiveOne(got, 5000); });
    std::vector<std::string> steps;
    PeerSendResult sent =
        uploadTree(tree, "127.0.0.1", listener.port(), kQuick,
                   [&](const std::string& s) { steps.push_back(text::toUtf8(s)); });
    receiver.join();
    EXPECT_TRUE(sent.ok) << text::toUtf8(sent.statusText);
    std::string expected;
    StringSink sink(expected);
    {
        ArchiveWriter writer(sink);
        SerializeTree(tree, writer);
    }
    std::string received;
    StringSink receivedSink(received);
    {
        ArchiveWriter writer(receivedSink);
        got.entries.write(writer, 0);
    }
    EXPECT_EQ(received, expected);
    EXPECT_EQ(steps, (std::vector<std::string>{"正在准备数据...", "正在创建SOCKET...",
                                               "正在连接127.0.0.1", "正在上传数据..."}));

    const int port = listener.port();
    listener.close();
    struct {
        std::string host;
        bool upload;
    } failing[] = {{"127.0.0.1", true}, {"", true}, {"127.0.0.1", false}};
    for (const auto& f : failing) {
        PeerSendResult r =
            f.upload ? uploadTree(tree, f.host, port, kQuick) : verifyServer(f.host, port, kQuick);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(text::toUtf8(r.statusText),
                  "连接服务器（地址:" + f.host + " 端口:" + std::to_string(port) + "）时失败！");
    }
}

TEST(Upload, TheServerCheckConnectsAndSendsNothing) {
    std::string seen = "unset";
    ScriptedServer server([&](ScriptedPeer& p) {
        seen = p.readLine();  // "" once the client closed without a byte
    });
    std::vector<std::string> steps;
    PeerSendResult r = verifyServer("127.0.0.1", server.port(), kQuick, [&](const std::string& s) {
        steps.push_back(text::toUtf8(s));
    });
    server.join();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(seen, "");
    EXPECT_EQ(steps.back(), "正在验证用户名与密码");
}

struct FieldCase {
    const char* text;
    SecurityMode mode;
    bool valid;
    const char* host;
    int port;
};

TEST(MailServerField, HostWithOrWithoutPort) {
    const FieldCase cases[] = {
        {"smtp.example.cn", SecurityMode::none, true, "smtp.example.cn", 25},
        {"smtp.example.cn", SecurityMode::startTls, true, "smtp.example.cn", 587},
        {"smtp.example.cn", SecurityMode::tls, true, "smtp.example.cn", 465},
        {"smtp.example.cn:2525", SecurityMode::tls, true, "smtp.example.cn", 2525},
        {"[::1]:2525", SecurityMode::none, true, "::1", 2525},
        {"smtp.example.cn:", SecurityMode::none, false, "", 0},
        {"smtp.example.cn:70000", SecurityMode::none, false, "", 0},
        {":25", SecurityMode::none, false, "", 0},
        {"", SecurityMode::none, false, "", 0},
    };
    for (const FieldCase& c : cases) {
        std::string host;
        int port = 0;
        ASSERT_EQ(parseServerField(c.text, c.mode, defaultSmtpPort, host, port), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(host, c.host) << c.text;
            EXPECT_EQ(port, c.port) << c.text;
        }
    }
    EXPECT_EQ(typedPort("pop.example.cn:995"), 995);
    EXPECT_EQ(typedPort("pop.example.cn"), 0);
    EXPECT_EQ(userNameOfAddress("zhang.san@example.cn"), "zhang.san");
    EXPECT_EQ(userNameOfAddress("a@b@c"), "a");
    EXPECT_EQ(userNameOfAddress("no-at-sign"), "");
    EXPECT_EQ(userNameOfAddress("@example.cn"), "");
}

}  // namespace
}  // namespace brivanta::net
