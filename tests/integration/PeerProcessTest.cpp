// Two processes of brivanta-cli exchanging trees over loopback: `listen` and `send-peer`.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "IntegrationSupport.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/FileLock.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/net/TcpConnection.h"
#include "core/text/Encoding.h"

namespace brivanta::integration {
namespace {

// A `listen` process; its first output line names the port it took.
class Listener {
  public:
    explicit Listener(const std::vector<std::string>& args, const std::string& environment = {}) {
        std::string command =
            environment + " timeout 60 " + shellQuote(BRIVANTA_CLI_PATH) + " listen --port 0";
        for (const std::string& a : args)
            command += " " + shellQuote(a);
        command += " 2>&1";
        pipe_ = popen(command.c_str(), "r");
        // Warnings may come before the line that names the port; they are kept with it.
        char line[1024];
        while (pipe_ && std::fgets(line, sizeof line, pipe_)) {
            firstLine_ += line;
            const std::string_view text(line);
            if (text.find("正在监听") == std::string_view::npos)
                continue;
            size_t digits = text.find_first_of("0123456789");
            if (digits != std::string_view::npos)
                port_ = std::atoi(line + digits);
            break;
        }
    }
    ~Listener() { finish(); }
    int port() const { return port_; }
    // Waits for the process to end; its exit code, and the rest of its output.
    int finish() {
        if (!pipe_)
            return exitCode_;
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe_)) > 0)
            rest_.append(buffer, n);
        int status = pclose(pipe_);
        pipe_ = nullptr;
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exitCode_;
    }
    const std::string& output() const { return rest_; }
    const std::string& firstLine() const { return firstLine_; }

  private:
    FILE* pipe_ = nullptr;
    int port_ = 0;
    int exitCode_ = -1;
    std::string firstLine_, rest_;
};

TEST(PeerProcesses, ExchangeWholeTreesOverLoopback) {
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    ItemId folder = tree.InsertNode({text::gbk("收藏"), "", ""});
    tree.InsertNode({"a", "http://a/", ""}, folder);
    ItemId sub = tree.InsertNode({"sub", "", ""}, folder);
    tree.InsertNode({"deep", "http://deep/", ""}, sub);
    tree.InsertNode({std::string(70000, 'n'), "http://long/", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.path("send.bvk")).failed());

    BookmarkTree existing(kCustomTree);
    existing.InsertNode({"old", "http://old/", ""});
    ASSERT_FALSE(saveArchiveFile(existing, dir.path("recv.bvk")).failed());

    Listener listener({"--count", "2", dir.path("recv.bvk")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    std::string to = "127.0.0.1:" + std::to_string(listener.port());
    CliResult first = runCli({"send-peer", to, dir.path("send.bvk")});
    EXPECT_EQ(first.exitCode, 0) << first.output;
    CliResult second =
        runCli({"send-peer", "localhost:" + std::to_string(listener.port()), dir.path("send.bvk")});
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(listener.finish(), 0) << listener.output();
    EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree),
              "old|http://old/\n" + treeText(tree) + treeText(tree));
}

TEST(PeerProcesses, ExchangeAnAddressBook) {
    TempDir dir;
    BookmarkTree book(kAddressBookTree);
    ItemId ann = book.InsertNode({text::gbk("安娜"), "", "woman"});
    book.InsertNode({"tel", "555", "phone"}, ann);
    book.InsertNode({"mail", "ann@x", "email"}, ann);
    book.InsertNode({"Bob", "", ""});
    ASSERT_FALSE(saveArchiveFile(book, dir.path("book.ads")).failed());

    Listener listener({"--count", "1", "--address-book", dir.path("recv.ads")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    CliResult sent = runCli({"send-peer", "--address-book",
                             "127.0.0.1:" + std::to_string(listener.port()), dir.path("book.ads")});
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_EQ(listener.finish(), 0) << listener.output();
    EXPECT_EQ(fileTreeText(dir.path("recv.ads"), kAddressBookTree), treeText(book));
}

TEST(PeerProcesses, ASenderThatClosesMidRecordLeavesItsCompleteRecordsAStalledOneNothing) {
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"one", "http://1/", ""});
    tree.InsertNode({"two", "http://2/", ""});
    tree.InsertNode({"three", "http://3/", ""});
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer);
    writer.flush();
    const std::string cut = bytes.substr(0, bytes.find("\x05three") + 4);

    for (bool stall : {false, true}) {
        TempDir dir;
        Listener listener({"--count", "1", "--timeout", "0.5", dir.path("recv.bvk")});
        ASSERT_GT(listener.port(), 0) << listener.firstLine();
        net::TcpConnection sender;
        ASSERT_EQ(sender.connect("127.0.0.1", listener.port()), net::NetStatus::ok);
        sender.sendAll(cut);
        // A stalled sender keeps the connection open until the listener has ended: only the
        // listener's time-out can end it.
        if (!stall)
            sender.close();
        EXPECT_EQ(listener.finish(), 0) << listener.output();
        sender.close();
        if (stall) {
            // Cut off by the listener: refused whole, nothing saved.
            EXPECT_NE(listener.output().find("拒收"), std::string::npos) << listener.output();
            EXPECT_FALSE(std::filesystem::exists(dir.path("recv.bvk")));
            continue;
        }
        EXPECT_NE(listener.output().find("收到 2 条记录"), std::string::npos) << listener.output();
        EXPECT_NE(listener.output().find("连接提前结束"), std::string::npos) << listener.output();
        EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree),
                  "one|http://1/\ntwo|http://2/\n");
    }
}

TEST(PeerProcesses, ASilentConnectionDoesNotKeepTheNextSenderOut) {
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"one", "http://1/", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.path("send.bvk")).failed());
    Listener listener({"--count", "2", "--timeout", "0.5", dir.path("recv.bvk")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    // Connects first and says nothing; stays open until the listener is done.
    net::TcpConnection silent;
    ASSERT_EQ(silent.connect("127.0.0.1", listener.port()), net::NetStatus::ok);
    CliResult sent =
        runCli({"send-peer", "127.0.0.1:" + std::to_string(listener.port()), dir.path("send.bvk")});
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_EQ(listener.finish(), 0) << listener.output();
    EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree), "one|http://1/\n");
}

TEST(PeerProcesses, ListenTimeoutAlsoShortensTheWholeTransfer) {
    TempDir dir;
    // 0.2 s a wait: a whole transfer at most 4 s, where the default would allow 10 minutes.
    Listener listener({"--count", "1", "--timeout", "0.2", dir.path("recv.bvk")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    const auto start = std::chrono::steady_clock::now();
    std::atomic<bool> done{false};
    std::thread sender([&] {
        net::TcpConnection c;
        c.connect("127.0.0.1", listener.port());
        c.sendAll(
            std::string("\x01"
                        "a\x01"
                        "b",
                        4));  // one complete record
        // Then a label of 127 bytes, a byte every 100 ms: never silent for as long as one
        // wait, and far from complete when the transfer's time is up.
        c.sendAll("\x7f");
        while (!done && c.sendAll("a") == net::NetStatus::ok)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    EXPECT_EQ(listener.finish(), 0) << listener.output();
    const auto took = std::chrono::steady_clock::now() - start;
    done = true;
    sender.join();
    EXPECT_LT(took, std::chrono::seconds(8));
    EXPECT_NE(listener.output().find("timed out"), std::string::npos) << listener.output();
    EXPECT_FALSE(std::filesystem::exists(dir.path("recv.bvk")));
}

TEST(PeerProcesses, WritersOfOneFileKeepEachOthersChanges) {
    TempDir dir;
    BookmarkTree x(kCustomTree), y(kCustomTree);
    x.InsertNode({"x", "http://x/", ""});
    y.InsertNode({"y", "http://y/", ""});
    ASSERT_FALSE(saveArchiveFile(x, dir.path("x.bvk")).failed());
    ASSERT_FALSE(saveArchiveFile(y, dir.path("y.bvk")).failed());

    // Two listeners on one file, both started before either receives anything.
    Listener first({"--count", "1", dir.path("recv.bvk")});
    Listener second({"--count", "1", dir.path("recv.bvk")});
    ASSERT_GT(first.port(), 0) << first.firstLine();
    ASSERT_GT(second.port(), 0) << second.firstLine();
    EXPECT_EQ(runCli({"send-peer", "127.0.0.1:" + std::to_string(first.port()), dir.path("x.bvk")})
                  .exitCode,
              0);
    EXPECT_EQ(first.finish(), 0) << first.output();
    // `build` replaces the file while the second listener still runs: the listener adds to
    // the replaced file rather than to what it read at its start.
    std::string command = shellQuote(BRIVANTA_CLI_PATH) + " build " +
                          shellQuote(dir.path("recv.bvk")) + " <<'EOF'\nz\thttp://z/\nEOF\n";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(runCli({"send-peer", "127.0.0.1:" + std::to_string(second.port()), dir.path("y.bvk")})
                  .exitCode,
              0);
    EXPECT_EQ(second.finish(), 0) << second.output();
    EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree), "z|http://z/\ny|http://y/\n");

    // Without the build in between, both transfers stay.
    TempDir again;
    Listener a({"--count", "1", again.path("recv.bvk")});
    Listener b({"--count", "1", again.path("recv.bvk")});
    ASSERT_GT(a.port(), 0);
    ASSERT_GT(b.port(), 0);
    EXPECT_EQ(
        runCli({"send-peer", "127.0.0.1:" + std::to_string(a.port()), dir.path("x.bvk")}).exitCode,
        0);
    EXPECT_EQ(a.finish(), 0) << a.output();
    EXPECT_EQ(
        runCli({"send-peer", "127.0.0.1:" + std::to_string(b.port()), dir.path("y.bvk")}).exitCode,
        0);
    EXPECT_EQ(b.finish(), 0) << b.output();
    EXPECT_EQ(fileTreeText(again.path("recv.bvk"), kCustomTree), "x|http://x/\ny|http://y/\n");
}

TEST(PeerProcesses, ADamagedFileIsKeptBesideItBeforeAnySave) {
    TempDir dir;
    BookmarkTree old(kCustomTree);
    old.InsertNode({"old", "http://old/", ""});
    old.InsertNode({"lost", "http://lost/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.path("recv.bvk")).failed());
    std::string bytes;
    ASSERT_FALSE(readWholeFile(dir.path("recv.bvk"), bytes).failed());
    bytes.resize(bytes.size() - 3);  // the second record is cut short
    std::ofstream(dir.path("recv.bvk"), std::ios::binary | std::ios::trunc) << bytes;
    BookmarkTree sent(kCustomTree);
    sent.InsertNode({"x", "http://x/", ""});
    ASSERT_FALSE(saveArchiveFile(sent, dir.path("x.bvk")).failed());

    Listener listener({"--count", "1", dir.path("recv.bvk")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    EXPECT_NE(listener.firstLine().find("已损坏"), std::string::npos) << listener.firstLine();
    EXPECT_EQ(
        runCli({"send-peer", "127.0.0.1:" + std::to_string(listener.port()), dir.path("x.bvk")})
            .exitCode,
        0);
    EXPECT_EQ(listener.finish(), 0) << listener.output();
    // Kept as soon as the damage is found, before anything could be saved over it.
    EXPECT_NE(listener.firstLine().find(dir.path("recv.bvk.damaged")), std::string::npos)
        << listener.firstLine();
    std::string kept;
    ASSERT_FALSE(readWholeFile(dir.path("recv.bvk.damaged"), kept).failed());
    EXPECT_EQ(kept, bytes);
    EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree), "old|http://old/\nx|http://x/\n");
}

// The listener cannot save (another program holds the file's lock): the sender is told it
// failed and exits non-zero, the file stays as it was, and sending again once the file is
// free leaves the entries there once.
TEST(PeerProcesses, ASenderIsToldWhenTheListenerCouldNotSave) {
    TempDir dir;
    BookmarkTree old(kCustomTree);
    old.InsertNode({"old", "http://old/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.path("recv.bvk")).failed());
    std::string before;
    ASSERT_FALSE(readWholeFile(dir.path("recv.bvk"), before).failed());
    BookmarkTree sent(kCustomTree);
    sent.InsertNode({"x", "http://x/", ""});
    ASSERT_FALSE(saveArchiveFile(sent, dir.path("x.bvk")).failed());
    {
        FileLock held;
        ASSERT_FALSE(held.lock(dir.path("recv.bvk"), 0).failed());
        Listener listener({"--count", "1", dir.path("recv.bvk")}, "BRIVANTA_LOCK_WAIT_MS=200");
        ASSERT_GT(listener.port(), 0) << listener.firstLine();
        CliResult r = runCli(
            {"send-peer", "127.0.0.1:" + std::to_string(listener.port()), dir.path("x.bvk")});
        EXPECT_NE(r.exitCode, 0) << r.output;
        EXPECT_NE(r.output.find(std::to_string(listener.port())), std::string::npos) << r.output;
        EXPECT_EQ(listener.finish(), 1) << listener.output();
        EXPECT_NE(listener.output().find("没有保存"), std::string::npos) << listener.output();
    }
    std::string after;
    ASSERT_FALSE(readWholeFile(dir.path("recv.bvk"), after).failed());
    EXPECT_EQ(after, before);

    Listener again({"--count", "1", dir.path("recv.bvk")});
    ASSERT_GT(again.port(), 0) << again.firstLine();
    EXPECT_EQ(runCli({"send-peer", "127.0.0.1:" + std::to_string(again.port()), dir.path("x.bvk")})
                  .exitCode,
              0);
    EXPECT_EQ(again.finish(), 0) << again.output();
    EXPECT_EQ(fileTreeText(dir.path("recv.bvk"), kCustomTree), "old|http://old/\nx|http://x/\n");
}

TEST(PeerProcesses, AFileThatCannotBeReadStopsTheListenerAtOnce) {
    // Only a missing file is an empty tree; a path through a plain file is an error before
    // anything is received, not a failed save after a transfer.
    TempDir dir;
    std::ofstream(dir.path("plain")) << "x";
    CliResult r = runCli({"listen", "--port", "0", "--count", "1", dir.path("plain") + "/t.bvk"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find(dir.path("plain") + "/t.bvk"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("正在监听"), std::string::npos) << r.output;
}

TEST(PeerProcesses, SendingToNobodyNamesHostAndPort) {
    TempDir dir;
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"x", "y", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.path("t.bvk")).failed());
    CliResult r = runCli({"send-peer", "127.0.0.1:1", dir.path("t.bvk")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("连接主机（地址:127.0.0.1 端口:1）时失败！"), std::string::npos)
        << r.output;
}

// A transfer deeper than the depth limit is saved with its deepest entries at the limit,
// whether the file could take it by appending bytes or not, and the listener says how many.
struct DeepCase {
    const char* name;
    int levels;
    bool existingFile;
    size_t flattened;  // 0: nothing to tell
};

class DeepTransfer : public ::testing::TestWithParam<DeepCase> {};

TEST_P(DeepTransfer, IsSavedNoDeeperThanTheLimit) {
    const DeepCase& c = GetParam();
    TempDir dir;
    ASSERT_TRUE(saveChain(dir.path("send.bvk"), c.levels));
    if (c.existingFile) {
        ASSERT_TRUE(saveChain(dir.path("recv.bvk"), 3));
    }

    Listener listener({"--count", "1", dir.path("recv.bvk")});
    ASSERT_GT(listener.port(), 0) << listener.firstLine();
    CliResult sent =
        runCli({"send-peer", "127.0.0.1:" + std::to_string(listener.port()), dir.path("send.bvk")});
    EXPECT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_EQ(listener.finish(), 0) << listener.output();

    size_t entries = 0;
    EXPECT_EQ(fileDepth(dir.path("recv.bvk"), kCustomTree, entries), std::min(c.levels, 1000));
    EXPECT_EQ(entries, static_cast<size_t>(c.levels) + (c.existingFile ? 3 : 0));
    const std::string told = std::to_string(c.flattened) + " 个条目深于 1000 层，放在了第 1000 层";
    if (c.flattened > 0) {
        EXPECT_NE(listener.output().find(told), std::string::npos) << listener.output();
    } else {
        EXPECT_EQ(listener.output().find("深于"), std::string::npos) << listener.output();
    }
}

INSTANTIATE_TEST_SUITE_P(Chains, DeepTransfer,
                         ::testing::Values(DeepCase{"pastTheLimitIntoANewFile", 1200, false, 200},
                                           DeepCase{"pastTheLimitAfterEntries", 1200, true, 200},
                                           DeepCase{"justAtTheLimit", 1000, true, 0}),
                         [](const ::testing::TestParamInfo<DeepCase>& row) {
                             return row.param.name;
                         });

}  // namespace
}  // namespace brivanta::integration
