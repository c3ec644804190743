// Slow senders cannot keep an honest one out: a deadline for the whole transfer scaled to
// the bytes announced, a limit of connections per address, and the idlest connection pushed
// out when a newcomer finds no room. The listener runs with its default time-outs (30 s a
// read, 10 minutes a transfer); the honest sender gives up after 10 s.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "core/net/PeerTransfer.h"

namespace brivanta::net {
namespace {

using testing::connectFrom;
using testing::countNamed;
using testing::keptByListener;
using testing::linksArchive;

struct SlowCase {
    const char* name;
    bool trickle;   // a byte every 200 ms of a long label, or silence
    int addresses;  // the 64 slow senders come from this many addresses
};

class SlowSenders : public ::testing::TestWithParam<SlowCase> {};

TEST_P(SlowSenders, AnHonestSenderStillGetsThroughWithinTenSeconds) {
    const SlowCase& c = GetParam();
    constexpr int kSlow = PeerListener::kMaxConnections;
    PeerListener listener(kCustomTree);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    BookmarkTree saved(kCustomTree);
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                applyReceipt(saved, r);
                return true;
            },
            0, &stop);
    });
    std::atomic<bool> done{false};
    std::atomic<int> connected{0};
    std::vector<std::thread> slow;
    for (int i = 0; i < kSlow; ++i) {
        slow.emplace_back([&, i] {
            // 127.0.0.2 onwards; the honest sender comes from 127.0.0.1.
            TcpConnection s =
                connectFrom("127.0.0." + std::to_string(2 + i % c.addresses), listener.port());
            ++connected;
            if (!s.isOpen())
                return;
            s.sendAll(std::string("\xC8", 1));  // a label of 200 bytes, never finished
            while (!done) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (c.trickle && s.sendAll("x") != NetStatus::ok)
                    return;
            }
        });
    }
    while (connected < kSlow)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // Every slow sender has had time to be taken.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    BookmarkTree honest(kCustomTree);
    honest.InsertNode({"honest", "http://honest/", ""});
    const PeerSendResult sent =
        sendToPeer(honest, kNoItem, "127.0.0.1", listener.port(), NetTimeouts{10000, 10000});
    done = true;
    for (std::thread& t : slow)
        t.join();
    stop = true;
    receiver.join();
    EXPECT_TRUE(sent.ok) << c.name;
    EXPECT_EQ(countNamed(saved, "honest"), 1u);
    EXPECT_EQ(saved.size(), 1u);  // nothing of the slow ones
}

INSTANTIATE_TEST_SUITE_P(Shapes, SlowSenders,
                         ::testing::Values(SlowCase{"silentFromOneAddress", false, 1},
                                           SlowCase{"tricklingFromOneAddress", true, 1},
                                           SlowCase{"silentFromSixtyFourAddresses", false, 64},
                                           SlowCase{"tricklingFromSixtyFourAddresses", true, 64}),
                         [](const ::testing::TestParamInfo<SlowCase>& row) {
                             return row.param.name;
                         });

// A sender cut off as too slow is refused whole: when it tries again, its records are there
// once.
TEST(SlowSendersRetry, ARefusedTransferIsNeverKeptLater) {
    PeerListener listener(kCustomTree, NetTimeouts{5000, 300});
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    BookmarkTree saved(kCustomTree);
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                applyReceipt(saved, r);
                return true;
            },
            2);
    });
    const std::string archive = linksArchive("r", 3);
    TcpConnection first = connectFrom("127.0.0.1", listener.port());
    ASSERT_EQ(first.sendAll(archive), NetStatus::ok);
    // Stalls instead of closing: the listener's read time-out ends it, with a reset.
    char b;
    size_t got = 0;
    EXPECT_EQ(first.receive(&b, 1, got), NetStatus::closed);
    EXPECT_EQ(first.lastError(), ECONNRESET);
    TcpConnection second = connectFrom("127.0.0.1", listener.port());
    ASSERT_EQ(second.sendAll(archive), NetStatus::ok);
    EXPECT_TRUE(keptByListener(second));
    receiver.join();
    EXPECT_EQ(saved.size(), 3u);
    EXPECT_EQ(countNamed(saved, "r"), 3u);
}

}  // namespace
}  // namespace brivanta::net
