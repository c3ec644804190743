// What a connection must survive: a peer that closes while we write, signals arriving
// while we wait, failures that must not leave descriptors behind, no socket to be had, and
// a peer that connects and says nothing while others queue up or the listener is stopped.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>
#include <vector>

#include "ScriptedServer.h"
#include "TreeText.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/CSMTP.h"
#include "core/net/PeerTransfer.h"
#include "core/net/Pop3Receiver.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::ScriptedPeer;
using testing::ScriptedServer;
using Clock = std::chrono::steady_clock;

constexpr NetTimeouts kQuick{5000, 5000};

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

int closedPort() {
    TcpListener l;
    l.listen(0, "127.0.0.1");
    return l.port();  // closed again when `l` goes
}

TEST(ConnectionSafety, WritingToAClosedConnectionDoesNotKillTheProcess) {
    std::signal(SIGPIPE, SIG_DFL);  // as a program that never touched it
    TcpListener listener;
    ASSERT_EQ(listener.listen(0, "127.0.0.1"), NetStatus::ok);
    TcpConnection client;
    client.setTimeouts(kQuick);
    ASSERT_EQ(client.connect("127.0.0.1", listener.port()), NetStatus::ok);
    TcpConnection accepted;
    ASSERT_EQ(listener.accept(accepted, 2000), NetStatus::ok);
    accepted.close();

    const std::string block(1 << 20, 'x');
    NetStatus s = NetStatus::ok;
    for (int i = 0; i < 64 && s == NetStatus::ok; ++i)
        s = client.sendAll(block);
    EXPECT_EQ(s, NetStatus::closed);

    // The SMTP client writes its commands without looking first: a server that greets and
    // hangs up must give a text, not a dead process.
    ScriptedServer server([](ScriptedPeer& p) {
        p.send("220 hi\r\n");
        p.close();
    });
    CSMTP smtp("127.0.0.1", server.port(), kQuick);
    EXPECT_FALSE(smtp.connect());
    server.join();
    EXPECT_FALSE(smtp.sendMessage(MailMessage()));
}

std::atomic<int> alarms{0};
void onAlarm(int) {
    ++alarms;
}

TEST(ConnectionSafety, SignalsNeitherCutWaitsShortNorStretchThem) {
    // A handler without SA_RESTART: every blocking call in this thread sees EINTR often.
    struct sigaction action {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);

    TcpListener listener;
    ASSERT_EQ(listener.listen(0, "127.0.0.1"), NetStatus::ok);
    // Only this thread takes the signals: the helper starts with them blocked.
    sigset_t alarmSet;
    sigemptyset(&alarmSet);
    sigaddset(&alarmSet, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarmSet, nullptr);
    size_t received = 0;
    std::thread peer([&] {
        TcpConnection c;
        if (listener.accept(c, 5000, kQuick) != NetStatus::ok)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        c.sendAll("late");
        char buffer[65536];
        size_t got = 0;
        while (received < (8u << 20) && c.receive(buffer, sizeof buffer, got) == NetStatus::ok)
            received += got;
        // Stays silent and open; the signals stop after a while, so that a wait which
        // starts over at every signal ends late instead of hanging the test.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        itimerval off{};
        setitimer(ITIMER_REAL, &off, nullptr);
        std::this_thread::sleep_for(std::chrono::seconds(2));
    });
    pthread_sigmask(SIG_UNBLOCK, &alarmSet, nullptr);
    itimerval every{{0, 2000}, {0, 2000}};
    setitimer(ITIMER_REAL, &every, nullptr);

    TcpConnection client;
    client.setTimeouts(kQuick);
    ASSERT_EQ(client.connect("127.0.0.1", listener.port()), NetStatus::ok);
    char buffer[16];
    size_t got = 0;
    EXPECT_EQ(client.receive(buffer, sizeof buffer, got), NetStatus::ok);
    EXPECT_EQ(std::string(buffer, got), "late");
    EXPECT_EQ(client.sendAll(std::string(8u << 20, 'y')), NetStatus::ok);

    client.setTimeouts({5000, 400});
    auto start = Clock::now();
    EXPECT_EQ(client.receive(buffer, sizeof buffer, got), NetStatus::timedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    // Waiting for a connection that does not come ends the same way.
    TcpListener idle;
    ASSERT_EQ(idle.listen(0, "127.0.0.1"), NetStatus::ok);
    TcpConnection none;
    start = Clock::now();
    EXPECT_EQ(idle.accept(none, 400), NetStatus::timedOut);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2500));
    EXPECT_GT(alarms.load(), 0);

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    peer.join();
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(received, 8u << 20);
}

TEST(ConnectionSafety, FailuresLeaveNoDescriptorsBehind) {
    const int port = closedPort();
    TcpConnection lookup;
    // Once before counting: a name service may keep a connection of its own open.
    EXPECT_EQ(lookup.connect("no-such-host.invalid", port), NetStatus::resolveFailed);
    const int before = openDescriptors();
    EXPECT_EQ(lookup.connect("no-such-host.invalid", port), NetStatus::resolveFailed);
    for (int i = 0; i < 10; ++i) {
        TcpConnection c;
        EXPECT_EQ(c.connect("127.0.0.1", port), NetStatus::refused);
        CSMTP smtp("127.0.0.1", port, kQuick);
        EXPECT_FALSE(smtp.connect());
        Pop3Receiver pop("127.0.0.1", port, "u", "p", kQuick);
        EXPECT_FALSE(pop.connect());
        BookmarkTree tree(kCustomTree);
        EXPECT_FALSE(sendToPeer(tree, kNoItem, "127.0.0.1", port, kQuick).ok);
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("554 no\r\n");
            p.waitForClose();
        });
        CSMTP smtp("127.0.0.1", server.port(), kQuick);
        EXPECT_FALSE(smtp.connect());
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("+OK\r\n");
            p.readLine();
            p.send("-ERR\r\n");
            p.waitForClose();
        });
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
        EXPECT_FALSE(pop.connect());
    }
    {
        ScriptedServer server([](ScriptedPeer& p) {
            p.send("+OK\r\n");
            p.readLine();
            p.send("+OK\r\n");
            p.readLine();
            p.send("+OK\r\n");
            p.readLine();
            p.send("+OK\r\nSubject: cut\r\n\r\nshort");
        });
        Pop3Receiver pop("127.0.0.1", server.port(), "u", "p", kQuick);
        ASSERT_TRUE(pop.connect());
        MailMessage m;
        EXPECT_FALSE(pop.retrieve(1, m));
        EXPECT_FALSE(pop.disconnect());
    }
    {
        PeerListener first(kCustomTree);
        ASSERT_TRUE(first.open(0, "127.0.0.1"));
        PeerListener second(kCustomTree);
        EXPECT_FALSE(second.open(first.port(), "127.0.0.1"));
        EXPECT_FALSE(second.open(first.port()));
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(ConnectionSafety, NoSocketToBeHadIsReportedAsSuch) {
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers' runtime opens pipes of its own to check memory; with every descriptor
    // taken it reports false errors.
    GTEST_SKIP() << "needs every file descriptor, which the sanitizer runtime cannot spare";
#endif
    TcpListener listener;
    ASSERT_EQ(listener.listen(0, "127.0.0.1"), NetStatus::ok);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // Every descriptor the lowered limit allows is taken.
    rlimit low = saved;
    low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 8);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(fd);

    TcpConnection c;
    const NetStatus status = c.connect("127.0.0.1", listener.port());
    CSMTP smtp("127.0.0.1", listener.port(), kQuick);
    const bool smtpConnected = smtp.connect();
    Pop3Receiver pop("127.0.0.1", listener.port(), "u", "p", kQuick);
    const bool popConnected = pop.connect();
    BookmarkTree tree(kCustomTree);
    PeerSendResult peer = sendToPeer(tree, kNoItem, "127.0.0.1", listener.port(), kQuick);

    for (int fd : taken)
        ::close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_FALSE(taken.empty());
    EXPECT_EQ(status, NetStatus::noSocket);
    EXPECT_FALSE(smtpConnected);
    EXPECT_EQ(smtp.statusText(), text::gbk("创建SOCKET失败！"));
    EXPECT_FALSE(popConnected);
    EXPECT_EQ(pop.statusText(), text::gbk("创建SOCKET失败！"));
    EXPECT_FALSE(peer.ok);
    EXPECT_EQ(peer.statusText, text::gbk("创建SOCKET失败!"));
}

TEST(ConnectionSafety, ASilentSenderDoesNotKeepTheNextOneOut) {
    BookmarkTree tree(kCustomTree);
    testing::addEntries(tree, {{0, "a", "1"}, {0, "b", "2"}});
    PeerListener listener(kCustomTree, NetTimeouts{5000, 300});
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));

    std::atomic<bool> done{false};
    bool sent = false;
    std::thread senders([&] {
        TcpConnection silent;
        silent.connect("127.0.0.1", listener.port());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        sent = sendToPeer(tree, kNoItem, "127.0.0.1", listener.port(), kQuick).ok;
        // The silent one stays connected until the listener is through with both.
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (!done && Clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    std::vector<PeerReceipt> receipts;
    listener.run(
        [&](PeerReceipt& r) {
            receipts.push_back(std::move(r));
            return true;
        },
        2);
    done = true;
    senders.join();

    EXPECT_TRUE(sent);
    ASSERT_EQ(receipts.size(), 2u);
    // Each connection is read on its own: the sender that finished comes first, without
    // waiting for the silent one's time-out.
    EXPECT_TRUE(receipts[0].ended());
    EXPECT_EQ(receipts[1].status, NetStatus::timedOut);
    EXPECT_TRUE(receipts[1].refused());
    EXPECT_EQ(receipts[1].records, 0u);
    BookmarkTree target(kCustomTree);
    EXPECT_EQ(applyReceipt(target, receipts[0]).count, 2u);
    EXPECT_EQ(testing::treeText(target), "a|1\nb|2\n");
}

TEST(ConnectionSafety, StoppingTheListenerEndsAConnectionThatWaits) {
    // The desktop switches listening off while a sender has stalled: the listener must not
    // sit out the whole read time-out, and the cut transfer is refused whole.
    BookmarkTree tree(kCustomTree);
    testing::addEntries(tree, {{0, "kept", "1"}, {0, "cut", "2"}});
    std::string bytes;
    {
        StringSink sink(bytes);
        ArchiveWriter writer(sink);
        SerializeTree(tree, writer, kNoItem);
        writer.flush();
    }
    PeerListener listener(kCustomTree, NetTimeouts{5000, 60000});
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::atomic<bool> stop{false};
    std::vector<PeerReceipt> receipts;
    std::thread worker([&] {
        listener.run(
            [&](PeerReceipt& r) {
                receipts.push_back(std::move(r));
                return true;
            },
            0, &stop);
    });
    TcpConnection sender;
    ASSERT_EQ(sender.connect("127.0.0.1", listener.port()), NetStatus::ok);
    const std::string sent = bytes.substr(0, bytes.size() - 2);
    ASSERT_EQ(sender.sendAll(sent), NetStatus::ok);
    // Stops once the listener holds what was sent (each byte is charged to its budget as it
    // arrives), however late it gets to read it.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (listener.sharedMemoryInUse() < sent.size() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto start = Clock::now();
    stop = true;
    worker.join();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(receipts.size(), 1u);
    EXPECT_EQ(receipts[0].status, NetStatus::cancelled);
    EXPECT_EQ(receipts[0].recordsSeen, 1u);
    BookmarkTree target(kCustomTree);
    EXPECT_EQ(applyReceipt(target, receipts[0]).count, 0u);
    // The sender is told by a reset.
    char b;
    size_t got = 0;
    EXPECT_EQ(sender.receive(&b, 1, got), NetStatus::closed);
    EXPECT_EQ(sender.lastError(), ECONNRESET);
}

}  // namespace
}  // namespace brivanta::net
