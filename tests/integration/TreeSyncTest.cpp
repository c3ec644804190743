// Two-way sync against a real WebDAV server (rclone's, on loopback) holding a file in
// Floccus's layout: each side's changes, conflicts, the lock, a file changed during the sync,
// a damaged file, and two installations kept in step through one server.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "IntegrationSupport.h"
#include "LocalWebDavServer.h"
#include "core/formats/TreeArchive.h"
#include "core/net/WebDavClient.h"
#include "core/sync/TreeSync.h"
#include "core/sync/XbelSyncModel.h"
#include "core/text/Encoding.h"

namespace brivanta::integration {
namespace {

using sync::SyncResult;
using sync::SyncTarget;
using testing::LocalWebDavServer;

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string gbk(const char* utf8) {
    return text::fromUtf8(utf8);
}

// One installation of the program: a tree file and the state beside it, synced in the order
// a caller keeps (snapshot, sync, backup, apply, save, state).
struct Installation {
    std::string treeFile;

    SyncResult sync(const SyncTarget& target, const sync::BeforeUploadHook& hook = {}) const {
        BookmarkTree tree;
        loadArchiveFile(tree, treeFile);
        SyncResult r = sync::syncSnapshot(target, sync::captureChildren(tree, kNoItem),
                                          sync::syncStatePath(treeFile), nullptr, hook);
        if (!r.ok)
            return r;
        std::string error;
        if (r.localChanged) {
            EXPECT_TRUE(sync::backupBeforeSync(treeFile, &error)) << error;
            bool refused = false;
            if (sync::makeSyncCommand(tree, kNoItem, r.merged, &refused)) {
                EXPECT_FALSE(saveArchiveFile(tree, treeFile).failed());
            }
            EXPECT_FALSE(refused);
        }
        EXPECT_TRUE(sync::commitSyncState(sync::syncStatePath(treeFile), r.newState, &error))
            << error;
        return r;
    }
    std::string text() const { return fileTreeText(treeFile, kCustomTree); }
    void change(const std::function<void(BookmarkTree&)>& edit) const {
        BookmarkTree tree;
        loadArchiveFile(tree, treeFile);
        edit(tree);
        ASSERT_FALSE(saveArchiveFile(tree, treeFile).failed());
    }
};

// Gives `item` a new record and shows its new name, as an edit in the window does.
void edit(BookmarkTree& tree, ItemId item, const NodeRecord& record) {
    tree.SetRecord(item, record);
    tree.setLabel(item, record.name);
}

// The entry named `name` (GBK) anywhere in the tree.
ItemId find(const BookmarkTree& tree, const std::string& name) {
    ItemId found = kNoItem;
    std::vector<ItemId> stack;
    for (int r = tree.childCount(kNoItem) - 1; r >= 0; --r)
        stack.push_back(tree.child(kNoItem, r));
    while (!stack.empty() && found == kNoItem) {
        ItemId item = stack.back();
        stack.pop_back();
        if (tree.LookupRecord(item)->name == name)
            found = item;
        for (int r = tree.childCount(item) - 1; r >= 0; --r)
            stack.push_back(tree.child(item, r));
    }
    return found;
}

sync::SyncModel modelWithOneLink() {
    sync::SyncModel m;
    m.entries.push_back({1, sync::kSyncRoot, false, "one", "https://one.example"});
    m.highestId = 1;
    return m;
}

class TreeSyncTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = new LocalWebDavServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        if (!server_->ok() && server_->problem().find("not installed") != std::string::npos)
            GTEST_SKIP() << server_->problem();
        ASSERT_TRUE(server_->ok()) << server_->problem();
        // Each test its own file on the shared server.
        name_ =
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".xbel";
        std::replace(name_.begin(), name_.end(), '/', '-');
        target_.serverUrl = server_->url("/");
        target_.fileName = name_;
        target_.webdav.user = LocalWebDavServer::kUser;
        target_.webdav.password = LocalWebDavServer::kPassword;
        target_.webdav.connectTimeoutMs = 5000;
        target_.webdav.timeoutMs = 20000;
    }
    std::string onServer() const { return readAll(serverPath()); }
    std::string serverPath() const { return server_->share() + "/" + name_; }
    sync::SyncModel serverModel() const {
        sync::XbelModelRead read = sync::readXbelModel(onServer());
        EXPECT_EQ(read.failure, "");
        return read.model;
    }
    void putFixture() const {
        std::filesystem::copy_file(BRIVANTA_TEST_DATA "/sync/floccus-bookmarks.xbel", serverPath(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    // Changes the server's file as another client would, through the server.
    void serverChange(const std::function<void(sync::SyncModel&)>& edit) const {
        net::WebDavClient client(target_.serverUrl, target_.webdav);
        net::WebDavReply got = client.get(name_);
        ASSERT_EQ(got.result, net::WebDavResult::ok) << got.error;
        sync::SyncModel model = sync::readXbelModel(got.body).model;
        edit(model);
        net::WebDavReply put = client.put(name_, sync::writeXbelModel(model), got.etag);
        ASSERT_EQ(put.result, net::WebDavResult::ok) << put.error;
    }
    Installation installation(const std::string& name) const { return {dir_.path(name)}; }

    static LocalWebDavServer* server_;
    TempDir dir_;
    std::string name_;
    SyncTarget target_;
};
LocalWebDavServer* TreeSyncTest::server_ = nullptr;

sync::SyncEntry* entryTitled(sync::SyncModel& model, const char* utf8) {
    for (sync::SyncEntry& e : model.entries) {
        if (e.title == gbk(utf8))
            return &e;
    }
    return nullptr;
}

TEST_F(TreeSyncTest, FirstSyncBringsTheServerFileIntoAnEmptyTreeAndLeavesItAsItWas) {
    putFixture();
    const std::string before = onServer();
    Installation home = installation("home.bvk");
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(sync::syncSummary(r.counts), "上传 0，下载 8，冲突 0");
    EXPECT_EQ(onServer(), before);  // nothing to upload: Floccus's own file untouched
    const std::string tree = home.text();
    for (const char* title : {"工作", "团队维基", "工单 <未关闭>", "RFC 索引", "天气", "新闻"})
        EXPECT_NE(tree.find(gbk(title)), std::string::npos) << title;
    EXPECT_NE(tree.find("https://example.com/tickets?q=open&sort=new"), std::string::npos);
    // The lock is gone once the sync is done.
    EXPECT_FALSE(std::filesystem::exists(serverPath() + ".lock"));
}

TEST_F(TreeSyncTest, FirstSyncUnitesBothSidesKeepingFloccusIds) {
    putFixture();
    Installation home = installation("home.bvk");
    home.change([](BookmarkTree& tree) {
        tree.InsertNode({gbk("新闻"), "https://example.com/news", ""});  // also on the server
        tree.InsertNode({gbk("本机的"), "https://example.com/local", ""});
    });
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.uploaded, 1u);
    EXPECT_EQ(r.counts.downloaded, 7u);
    sync::SyncModel model = serverModel();
    ASSERT_EQ(model.entries.size(), 10u);  // with the separator
    EXPECT_EQ(entryTitled(model, "团队维基")->id, 17u);
    EXPECT_EQ(entryTitled(model, "新闻")->id, 40u);
    EXPECT_EQ(entryTitled(model, "本机的")->id, 41u);  // above the highestId of 40
    EXPECT_NE(onServer().find("<!--- highestId :41:"), std::string::npos);
}

TEST_F(TreeSyncTest, ChangesOfEachSideReachTheOther) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) {
        edit(tree, find(tree, gbk("天气")), {gbk("天气预报"), "https://example.net/weather", ""});
        tree.InsertNode({gbk("地图"), "https://example.net/map", ""}, find(tree, gbk("家")));
    });
    serverChange([](sync::SyncModel& m) {
        std::erase_if(m.entries, [](const sync::SyncEntry& e) { return e.id == 40; });
        auto rfc = std::find_if(m.entries.begin(), m.entries.end(),
                                [](const sync::SyncEntry& e) { return e.id == 22; });
        m.entries.insert(rfc + 1, {50, 21, false, gbk("草案"), "https://example.org/draft"});
    });
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(sync::syncSummary(r.counts), "上传 2，下载 2，冲突 0");
    const std::string tree = home.text();
    EXPECT_EQ(tree.find(gbk("新闻")), std::string::npos);
    EXPECT_NE(tree.find(gbk("草案")), std::string::npos);
    sync::SyncModel model = serverModel();
    ASSERT_NE(entryTitled(model, "天气预报"), nullptr);
    EXPECT_EQ(entryTitled(model, "天气预报")->id, 31u);
    ASSERT_NE(entryTitled(model, "地图"), nullptr);
    EXPECT_EQ(entryTitled(model, "地图")->parent, 30u);
    // What the tree has no place for stays on the server.
    EXPECT_NE(onServer().find("<separator/>"), std::string::npos);
    EXPECT_EQ(entryTitled(model, "团队维基")->desc, "团队的说明页");
    // A sync with nothing new changes nothing.
    const std::string settled = onServer();
    SyncResult again = home.sync(target_);
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(sync::syncSummary(again.counts), "上传 0，下载 0，冲突 0");
    EXPECT_FALSE(again.localChanged);
    EXPECT_EQ(onServer(), settled);
}

TEST_F(TreeSyncTest, AnEntryBothSidesChangedIsKeptTwice) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) {
        edit(tree, find(tree, gbk("团队维基")), {gbk("团队维基"), "https://example.com/wiki2", ""});
    });
    serverChange(
        [](sync::SyncModel& m) { entryTitled(m, "团队维基")->url = "https://wiki.example"; });
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.conflicts, 1u);
    sync::SyncModel model = serverModel();
    ASSERT_NE(entryTitled(model, "团队维基"), nullptr);
    EXPECT_EQ(entryTitled(model, "团队维基")->url, "https://wiki.example");
    ASSERT_NE(entryTitled(model, "团队维基（本机）"), nullptr);
    EXPECT_EQ(entryTitled(model, "团队维基（本机）")->url, "https://example.com/wiki2");
    const std::string tree = home.text();
    EXPECT_NE(tree.find(gbk("团队维基（本机）") + "|https://example.com/wiki2"), std::string::npos);
    EXPECT_NE(tree.find(gbk("团队维基") + "|https://wiki.example"), std::string::npos);
    // The tree as it was before is kept beside it.
    EXPECT_EQ(
        fileTreeText(sync::syncBackupPath(home.treeFile), kCustomTree).find("https://wiki.example"),
        std::string::npos);
}

TEST_F(TreeSyncTest, AHeldLockLeavesTreeStateAndServerAsTheyWere) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) { tree.InsertNode({"x", "https://x.example", ""}); });
    writeAll(serverPath() + ".lock", "another client");
    const std::string server = onServer();
    const std::string tree = home.text();
    const std::string state = readAll(sync::syncStatePath(home.treeFile));
    SyncResult r = home.sync(target_);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("127.0.0.1:" + std::to_string(server_->port())), std::string::npos)
        << r.error;
    EXPECT_NE(r.error.find(name_ + ".lock"), std::string::npos) << r.error;
    EXPECT_EQ(onServer(), server);
    EXPECT_EQ(home.text(), tree);
    EXPECT_EQ(readAll(sync::syncStatePath(home.treeFile)), state);
    EXPECT_EQ(readAll(serverPath() + ".lock"), "another client");  // not ours to remove
}

TEST_F(TreeSyncTest, AStaleLockIsTakenOver) {
    putFixture();
    writeAll(serverPath() + ".lock", "a client that died");
    std::filesystem::last_write_time(
        serverPath() + ".lock",
        std::filesystem::file_time_type::clock::now() - std::chrono::minutes(20));
    Installation home = installation("home.bvk");
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.downloaded, 8u);
    EXPECT_FALSE(std::filesystem::exists(serverPath() + ".lock"));
}

TEST_F(TreeSyncTest, AFileChangedDuringTheSyncIsMergedAgainNotOverwritten) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) { tree.InsertNode({"ours", "https://ours.example", ""}); });
    int hooks = 0;
    SyncResult r = home.sync(target_, [&](int attempt) {
        ++hooks;
        if (attempt == 0) {
            serverChange([](sync::SyncModel& m) {
                m.entries.push_back({60, 0, false, "theirs", "https://theirs.example"});
            });
        }
    });
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(hooks, 2);
    sync::SyncModel model = serverModel();
    EXPECT_NE(entryTitled(model, "ours"), nullptr);
    EXPECT_NE(entryTitled(model, "theirs"), nullptr);
    EXPECT_NE(home.text().find("theirs|https://theirs.example"), std::string::npos);
}

TEST_F(TreeSyncTest, AFileChangedOnEveryAttemptFailsWithoutWriting) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) { tree.InsertNode({"ours", "https://ours.example", ""}); });
    const std::string tree = home.text();
    const std::string state = readAll(sync::syncStatePath(home.treeFile));
    target_.maxAttempts = 2;
    SyncResult r = home.sync(target_, [&](int attempt) {
        serverChange([&](sync::SyncModel& m) {
            m.entries.push_back({static_cast<sync::SyncId>(70 + attempt), 0, false,
                                 "t" + std::to_string(attempt),
                                 "https://t.example/" + std::to_string(attempt)});
        });
    });
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(name_), std::string::npos) << r.error;
    EXPECT_EQ(home.text(), tree);
    EXPECT_EQ(readAll(sync::syncStatePath(home.treeFile)), state);
    EXPECT_EQ(serverModel().entries.size(), 11u);  // the other client's two, not ours
    EXPECT_FALSE(std::filesystem::exists(serverPath() + ".lock"));
}

TEST_F(TreeSyncTest, ALongSyncRefreshesItsLockAndStopsWhenItWasTakenOver) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    home.change([](BookmarkTree& tree) { tree.InsertNode({"ours", "https://ours.example", ""}); });
    target_.lockRefreshSeconds = -1;  // every sync counts as long
    SyncResult refreshed = home.sync(target_);
    ASSERT_TRUE(refreshed.ok) << refreshed.error;
    EXPECT_NE(serverModel().entries.size(), 8u);

    // Another client took the lock over while we merged: we stop before writing.
    home.change([](BookmarkTree& tree) { tree.InsertNode({"late", "https://late.example", ""}); });
    const std::string server = onServer();
    SyncResult r = home.sync(target_, [&](int) {
        net::WebDavClient client(target_.serverUrl, target_.webdav);
        net::WebDavReply lock = client.get(name_ + ".lock");
        ASSERT_EQ(lock.result, net::WebDavResult::ok) << lock.error;
        ASSERT_EQ(client.put(name_ + ".lock", "another client", lock.etag).result,
                  net::WebDavResult::ok);
    });
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(name_ + ".lock"), std::string::npos) << r.error;
    EXPECT_EQ(onServer(), server);
}

TEST_F(TreeSyncTest, ADamagedServerFileIsNeverOverwritten) {
    for (const char* damaged : {"<xbel version=\"1.0\"><folder id=\"1\"><title>cut",
                                "<html><body>not bookmarks</body></html>", ""}) {
        writeAll(serverPath(), damaged);
        Installation home = installation("home.bvk");
        home.change([](BookmarkTree& tree) { tree.InsertNode({"x", "https://x.example", ""}); });
        SyncResult r = home.sync(target_);
        EXPECT_FALSE(r.ok) << damaged;
        EXPECT_NE(r.error.find(name_), std::string::npos) << r.error;
        EXPECT_NE(r.error.find("没有覆盖"), std::string::npos) << r.error;
        EXPECT_EQ(onServer(), damaged);
        EXPECT_FALSE(std::filesystem::exists(sync::syncStatePath(home.treeFile)));
        EXPECT_FALSE(std::filesystem::exists(serverPath() + ".lock"));
    }
}

TEST_F(TreeSyncTest, ATreeTooDeepToReadBackIsNotUploaded) {
    Installation home = installation("home.bvk");
    ASSERT_TRUE(saveChain(home.treeFile, sync::kMaxSyncDepth + 5));
    SyncResult r = home.sync(target_);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find(std::to_string(sync::kMaxSyncDepth)), std::string::npos) << r.error;
    EXPECT_FALSE(std::filesystem::exists(serverPath()));
    EXPECT_FALSE(std::filesystem::exists(serverPath() + ".lock"));
    // Up to the limit it goes up and comes back whole.
    Installation other = installation("other.bvk");
    ASSERT_TRUE(saveChain(other.treeFile, sync::kMaxSyncDepth));
    ASSERT_TRUE(other.sync(target_).ok);
    EXPECT_EQ(serverModel().depth(), sync::kMaxSyncDepth);
}

TEST_F(TreeSyncTest, AMissingServerFileIsCreatedFromTheTree) {
    Installation home = installation("home.bvk");
    home.change([](BookmarkTree& tree) {
        ItemId f = tree.InsertNode({gbk("文件夹"), "", ""});
        tree.InsertNode({gbk("链接"), "https://a.example", ""}, f);
    });
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(sync::syncSummary(r.counts), "上传 2，下载 0，冲突 0");
    sync::SyncModel model = serverModel();
    ASSERT_EQ(model.entries.size(), 2u);
    EXPECT_EQ(model.entries[1].parent, model.entries[0].id);
}

TEST_F(TreeSyncTest, TwoInstallationsStayInStepThroughOneServer) {
    Installation office = installation("office.bvk");
    Installation laptop = installation("laptop.bvk");
    office.change([](BookmarkTree& tree) {
        tree.InsertNode({"a", "https://a.example", ""});
        tree.InsertNode({"b", "https://b.example", ""});
    });
    laptop.change([](BookmarkTree& tree) { tree.InsertNode({"c", "https://c.example", ""}); });
    ASSERT_TRUE(office.sync(target_).ok);
    ASSERT_TRUE(laptop.sync(target_).ok);
    ASSERT_TRUE(office.sync(target_).ok);
    EXPECT_EQ(office.text(), laptop.text());
    EXPECT_NE(office.text().find("c|https://c.example"), std::string::npos);

    // A deletion on one and a rename on the other.
    laptop.change([](BookmarkTree& tree) { tree.DeleteNode(find(tree, "a")); });
    office.change([](BookmarkTree& tree) {
        edit(tree, find(tree, "b"), {"B", "https://b.example", ""});
    });
    ASSERT_TRUE(laptop.sync(target_).ok);
    ASSERT_TRUE(office.sync(target_).ok);
    ASSERT_TRUE(laptop.sync(target_).ok);
    EXPECT_EQ(office.text(), laptop.text());
    EXPECT_EQ(office.text().find("a|https://a.example"), std::string::npos);
    EXPECT_NE(laptop.text().find("B|https://b.example"), std::string::npos);
    EXPECT_EQ(serverModel().entries.size(), 2u);
}

TEST_F(TreeSyncTest, AWrongPasswordNamesTheServerAndItsAnswer) {
    putFixture();
    target_.webdav.password = "wrong";
    Installation home = installation("home.bvk");
    SyncResult r = home.sync(target_);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("401"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("127.0.0.1:" + std::to_string(server_->port())), std::string::npos)
        << r.error;
    EXPECT_FALSE(std::filesystem::exists(sync::syncStatePath(home.treeFile)));
}

TEST_F(TreeSyncTest, AStateOfAnotherFolderDeletesNothing) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    // The same file now synced with another folder of the tree (here: an empty one): with the
    // old state as base, every entry on the server would count as deleted here.
    target_.scope = "/其他";
    BookmarkTree empty;
    SyncResult r = sync::syncSnapshot(target_, sync::captureChildren(empty, kNoItem),
                                      sync::syncStatePath(home.treeFile));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.downloaded, 8u);
    EXPECT_EQ(r.counts.uploaded, 0u);
    EXPECT_EQ(serverModel().entries.size(), 9u);  // eight entries and the separator
}

TEST_F(TreeSyncTest, AStateOfAnotherServerFileDeletesNothing) {
    putFixture();
    Installation home = installation("home.bvk");
    ASSERT_TRUE(home.sync(target_).ok);
    // Another file that holds one entry: were the old state taken as its last sync, every
    // entry of the tree would count as deleted there.
    const std::string other = "Other" + name_;
    writeAll(server_->share() + "/" + other, sync::writeXbelModel(modelWithOneLink()));
    target_.fileName = other;
    SyncResult r = home.sync(target_);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.counts.uploaded, 8u);
    EXPECT_EQ(r.counts.downloaded, 1u);
    const std::string tree = home.text();
    EXPECT_NE(tree.find(gbk("团队维基")), std::string::npos);
    EXPECT_NE(tree.find("one|https://one.example"), std::string::npos);
}

// The command line: each outcome its exit status and a line that says what happened.
struct CliCase {
    const char* name;
    std::vector<std::string> extra;  // besides --webdav, --user, --password-file and TREE
    bool rightPassword;
    int exitCode;
    const char* said;
};

class TreeSyncCliTest : public TreeSyncTest, public ::testing::WithParamInterface<CliCase> {};

TEST_P(TreeSyncCliTest, ExitsAndSays) {
    const CliCase& c = GetParam();
    putFixture();
    const std::string passwordFile = dir_.path("password");
    writeAll(passwordFile,
             std::string(c.rightPassword ? LocalWebDavServer::kPassword : "no") + "\n");
    const std::string tree = dir_.path("tree.bvk");
    std::vector<std::string> args = {
        "sync",       "--webdav", server_->url("/"),        "--file",
        name_,        "--user",   LocalWebDavServer::kUser, "--password-file",
        passwordFile, "-q"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    args.push_back(tree);
    CliResult r = runCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    EXPECT_NE(r.output.find(c.said), std::string::npos) << r.output;
    if (c.exitCode == 0) {
        EXPECT_NE(fileTreeText(tree, kCustomTree).find(gbk("团队维基")), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(sync::syncStatePath(tree)));
        // In step: a second run has nothing to carry.
        CliResult again = runCli(args);
        EXPECT_EQ(again.exitCode, 0) << again.output;
        EXPECT_NE(again.output.find("上传 0，下载 0，冲突 0"), std::string::npos) << again.output;
    } else {
        EXPECT_FALSE(std::filesystem::exists(tree));
        EXPECT_FALSE(std::filesystem::exists(sync::syncStatePath(tree)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TreeSyncCliTest,
    ::testing::Values(
        CliCase{"InStep", {}, true, 0, "上传 0，下载 8，冲突 0"},
        CliCase{"WrongPassword", {}, false, 1, "401"},
        CliCase{"ExtraArgument", {"more"}, true, 2, "多余的参数"},
        CliCase{"FileNameWithSlash", {"--file", "a/b"}, true, 2, "--file"},
        CliCase{"FileNameUp", {"--file", ".."}, true, 2, "--file"},
        CliCase{
            "MissingCaFile", {"--ca-file", "/nonexistent/ca.pem"}, true, 1, "/nonexistent/ca.pem"}),
    [](const ::testing::TestParamInfo<CliCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivanta::integration
