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

TEST_P(RecommendedUpdate, RebuildsFromSystemEnvelopesOrLeavesTheFile) {
    const UpdateCase& c = GetParam();
    TempFolder dir;
    BookmarkTree current(kRecommendedTree);
    addEntries(current, {{0, "old", ""}, {1, "kept", "http://kept/"}});
    const std::string treePath = dir.path("System.bvk");
    ASSERT_FALSE(saveArchiveFile(current, treePath).failed());
    const std::string before = readFile(treePath);

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
    // The backup is written first, whatever comes after.
    EXPECT_EQ(readFile(dir.path("System.bak")), before);
    // The tree that was to be replaced is never touched.
    EXPECT_EQ(treeText(current), "old|\n  kept|http://kept/\n");
    BookmarkTree written(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(written, treePath));
    if (c.ok) {
        EXPECT_EQ(treeText(written), c.tree);
        BookmarkTree shown(kRecommendedTree);
        shown.InsertNode({"to be replaced", "", ""});
        EXPECT_EQ(replaceTreeContent(shown, r.archive), r.entries);
        EXPECT_EQ(treeText(shown), c.tree);
    } else {
        EXPECT_EQ(readFile(treePath), before);
    }
    ASSERT_GE(steps.size(), 4u);
    EXPECT_EQ(
        std::vector<std::string>(steps.begin(), steps.begin() + 4),
        (std::vector<std::string>{"正在备份...", "正在删除...", "正在连接...", "正在检查..."}));
    EXPECT_EQ(steps.back(), "正在退出...");
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
    EXPECT_EQ(::access(dir.path("System.bvk").c_str(), F_OK), -1);

    // The backup cannot be written: the update stops before it asks the mailbox.
    int asked = 0;
    r = updateRecommendedTree(current, dir.path("missing/System.bak"), dir.path("System.bvk"), box,
                              kQuick, [&](const std::string&) { ++asked; });
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.statusText.empty());
    EXPECT_TRUE(r.error.failed());
    EXPECT_NE(r.error.writeMessage().find("missing/System.bak"), std::string::npos);
    EXPECT_EQ(asked, 1);  // "正在备份..." only
}

TEST(RecommendedUpdateFailures, RelativePathsAndALinkedTreeFile) {
    TempFolder dir;
    ASSERT_EQ(::mkdir(dir.path("shared").c_str(), 0755), 0);
    BookmarkTree current(kRecommendedTree);
    current.InsertNode({"old", "http://old/", ""});
    ASSERT_FALSE(saveArchiveFile(current, dir.path("shared/System.bvk")).failed());
    ASSERT_EQ(::symlink("shared/System.bvk", dir.path("System.bvk").c_str()), 0);
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir(dir.path("").c_str()), 0);
    ScriptedServer server(mailbox({"<BRIVANTA>\r\n<SYSTEM>\r\nnew\r\nhttp://new/\r\n"}));
    RecommendedMailbox box;
    box.host = "127.0.0.1";
    box.port = server.port();
    RecommendedUpdateResult r =
        updateRecommendedTree(current, "System.bak", "System.bvk", box, kQuick);
    server.join();
    ASSERT_EQ(::chdir(previous), 0);
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
    EXPECT_EQ(got.archive, expected);
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
