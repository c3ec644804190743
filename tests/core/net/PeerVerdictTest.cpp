// What a sender is told: a normal close only once the listener's handler kept its records,
// a reset for everything else; and what the listener's tree and transfers may take together.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "LoopbackPeer.h"
#include "core/formats/ArchiveReader.h"
#include "core/net/PeerTransfer.h"

namespace brivanta::net {
namespace {

using testing::connectFrom;
using testing::countNamed;
using testing::keptByListener;
using testing::linksArchive;

constexpr NetTimeouts kQuick{5000, 5000};

struct VerdictCase {
    const char* name;
    bool handlerKeeps;       // the save (or the tree) took the records
    std::size_t maxEntries;  // of one transfer
    bool senderToldSuccess;
};

class PeerVerdict : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(PeerVerdict, ASenderIsToldSuccessOnlyWhenItsRecordsWereKept) {
    const VerdictCase& c = GetParam();
    PeerListener listener(kCustomTree, kQuick);
    TransferLimits limits;
    limits.maxEntries = c.maxEntries;
    listener.setLimits(limits);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    BookmarkTree saved(kCustomTree);
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                if (c.handlerKeeps)
                    applyReceipt(saved, r);
                return c.handlerKeeps;
            },
            1);
    });
    BookmarkTree tree(kCustomTree);
    tree.InsertNode({"a", "http://a/", ""});
    tree.InsertNode({"b", "http://b/", ""});
    const PeerSendResult sent = sendToPeer(tree, kNoItem, "127.0.0.1", listener.port(), kQuick);
    receiver.join();
    EXPECT_EQ(sent.ok, c.senderToldSuccess);
    EXPECT_EQ(saved.size(), c.senderToldSuccess ? 2u : 0u);
    if (!sent.ok) {
        EXPECT_NE(sent.statusText.find(std::to_string(listener.port())), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Outcomes, PeerVerdict,
                         ::testing::Values(VerdictCase{"saved", true, 100, true},
                                           VerdictCase{"saveFailed", false, 100, false},
                                           VerdictCase{"overTheEntryLimit", true, 1, false}),
                         [](const ::testing::TestParamInfo<VerdictCase>& row) {
                             return row.param.name;
                         });

// 64 peers from eight addresses fill the shared budget and hold on; honest senders come
// while it is full and after. Whoever is told success finds all its records kept, whoever
// is refused finds none.
TEST(PeerVerdictUnderLoad, ASenderToldSuccessAlwaysFindsItsEntries) {
    constexpr int kHogs = 64;
    constexpr int kHonest = 8;
    PeerListener listener(kCustomTree, NetTimeouts{5000, 20000});
    listener.setSharedMemoryLimit(8u << 20);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::mutex mutex;
    BookmarkTree saved(kCustomTree);
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                std::lock_guard<std::mutex> guard(mutex);
                applyReceipt(saved, r);
                return true;
            },
            0, &stop);
    });

    // Each hog sends about 400 KiB of records and holds its connection until released.
    std::atomic<bool> release{false};
    std::vector<int> hogKept(kHogs, -1);
    std::vector<std::thread> hogs;
    for (int h = 0; h < kHogs; ++h) {
        hogs.emplace_back([&, h] {
            TcpConnection c = connectFrom("127.0.0." + std::to_string(2 + h % 8), listener.port(),
                                          NetTimeouts{5000, 20000});
            if (!c.isOpen())
                return;
            const bool sent = c.sendAll(linksArchive("hog" + std::to_string(h) + "-", 100, 4000)) ==
                              NetStatus::ok;
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (sent && !release && std::chrono::steady_clock::now() < until && !c.hasInput())
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            hogKept[h] = sent && keptByListener(c) ? 1 : 0;
        });
    }
    BookmarkTree honest(kCustomTree);
    for (int i = 0; i < 20; ++i)
        honest.InsertNode({"honest-" + std::to_string(i), "http://h/", ""});
    auto sendHonest = [&] {
        std::vector<bool> told(kHonest);
        std::vector<std::thread> senders;
        for (int i = 0; i < kHonest; ++i) {
            senders.emplace_back([&, i] {
                told[i] = sendToPeer(honest, kNoItem, "127.0.0.1", listener.port(), kQuick).ok;
            });
        }
        for (std::thread& t : senders)
            t.join();
        return told;
    };
    // While the budget is held.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::vector<bool> during = sendHonest();
    release = true;
    for (std::thread& t : hogs)
        t.join();
    std::vector<bool> after = sendHonest();
    stop = true;
    receiver.join();

    int refusedHogs = 0;
    for (int h = 0; h < kHogs; ++h) {
        const size_t found = countNamed(saved, "hog" + std::to_string(h) + "-");
        EXPECT_EQ(found, hogKept[h] == 1 ? 100u : 0u) << "hog " << h;
        refusedHogs += hogKept[h] == 0;
    }
    EXPECT_GT(refusedHogs, 0);  // the budget was full
    size_t toldSuccess = 0;
    for (bool ok : during)
        toldSuccess += ok;
    for (bool ok : after) {
        EXPECT_TRUE(ok);  // with the budget free again, honest senders get through
        toldSuccess += ok;
    }
    EXPECT_EQ(countNamed(saved, "honest-"), toldSuccess * 20);
    EXPECT_LE(listener.sharedBudget().peak(), 8u << 20);
}

// Many transfers, each well within one transfer's limits: the entries they leave in the
// tree stay charged, so together they stop at the budget instead of growing the tree
// without end (scaled down: 38 MiB of empty records against 1 GiB, here 608 KiB against
// 16 MiB).
TEST(PeerVerdictUnderLoad, TheTreeGrowsOnlyToTheBudget) {
    constexpr std::uint64_t kBudget = 16u << 20;
    PeerListener listener(kCustomTree, kQuick);
    listener.setSharedMemoryLimit(kBudget);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    BookmarkTree tree(kCustomTree);
    std::atomic<bool> stop{false};
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                applyReceipt(tree, r);
                listener.keepInTree(r);
                return true;
            },
            0, &stop);
    });
    const std::string records(16 * 1024, '\0');  // 8,192 empty records a transfer
    int kept = 0, refused = 0;
    for (int i = 0; i < 38; ++i) {
        TcpConnection c = connectFrom("127.0.0.1", listener.port());
        ASSERT_TRUE(c.isOpen());
        c.sendAll(records);
        (keptByListener(c) ? kept : refused) += 1;
    }
    stop = true;
    receiver.join();
    EXPECT_GT(kept, 0);
    EXPECT_GT(refused, 0);
    EXPECT_EQ(tree.size(), static_cast<size_t>(kept) * 8192);
    EXPECT_LE(estimatedTreeCost(tree), kBudget);
    EXPECT_LE(listener.treeCost(), kBudget);
    EXPECT_LE(listener.sharedBudget().peak(), kBudget);
}

// A tree that already fills the budget takes nothing more.
TEST(PeerVerdictUnderLoad, ATreeThatFillsTheBudgetTakesNoMore) {
    PeerListener listener(kCustomTree, kQuick);
    listener.setSharedMemoryLimit(1u << 20);
    listener.setTreeCost(1u << 20);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    PeerReceipt receipt;
    std::thread sender([&] {
        TcpConnection c = connectFrom("127.0.0.1", listener.port());
        c.sendAll(linksArchive("x", 1));
        c.shutdownWrite();
    });
    ASSERT_TRUE(listener.receiveOne(receipt, 5000));
    sender.join();
    EXPECT_EQ(receipt.status, NetStatus::overBudget);
    EXPECT_EQ(receipt.records, 0u);
}

struct LongStringCase {
    const char* name;
    std::string prefix;    // the length prefix of one string
    std::uint64_t budget;  // the listener's shared budget
    NetStatus expected;
    std::uint64_t mostCharged;  // the budget's peak stays at or below this (the first block)
};

class PeerLongString : public ::testing::TestWithParam<LongStringCase> {};

// One string that claims more than a transfer may bring ends at once, when its prefix is
// read, whatever the peer goes on to send: its bytes are neither kept nor copied.
TEST_P(PeerLongString, EndsAtTheCapWithoutHoldingTheClaim) {
    const LongStringCase& c = GetParam();
    PeerListener listener(kCustomTree, kQuick);
    listener.setSharedMemoryLimit(c.budget);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::thread sender([&] {
        TcpConnection c2 = connectFrom("127.0.0.1", listener.port());
        c2.sendAll(c.prefix);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 32 && c2.sendAll(block) == NetStatus::ok; ++i) {
        }
        c2.shutdownWrite();
    });
    PeerReceipt receipt;
    ASSERT_TRUE(listener.receiveOne(receipt, 5000));
    sender.join();
    EXPECT_EQ(receipt.status, c.expected) << describe(receipt.status);
    EXPECT_EQ(receipt.records, 0u);
    EXPECT_LE(listener.sharedBudget().peak(), c.mostCharged);
    EXPECT_EQ(listener.sharedMemoryInUse(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Claims, PeerLongString,
    ::testing::Values(
        // 1.1 GiB, past the 1 GiB a transfer may bring.
        LongStringCase{"pastTheWireCap", std::string("\xFF\xFF\xFF\x9A\x99\x99\x46", 7), 1ull << 30,
                       NetStatus::tooLarge, ReceivedBytes::kFirstBlock},
        // 600 MiB: within the wire cap, past the 512 MiB its entry may take.
        LongStringCase{"pastTheEntryMemory", std::string("\xFF\xFF\xFF\x00\x00\x80\x25", 7),
                       1ull << 30, NetStatus::tooLarge, ReceivedBytes::kFirstBlock},
        // 100 MiB that would fit one transfer, against a budget of 4 MiB: it stops at the
        // budget, holding no more than it.
        LongStringCase{"pastTheSharedBudget", std::string("\xFF\xFF\xFF\x00\x00\x40\x06", 7),
                       4u << 20, NetStatus::overBudget, 4u << 20}),
    [](const ::testing::TestParamInfo<LongStringCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brivanta::net

namespace brivanta::net {
namespace {

struct CompleteCase {
    const char* name;
    std::string bytes;
    int width;
    std::uint64_t complete;
    size_t records;
};

class CompleteRecords : public ::testing::TestWithParam<CompleteCase> {};

// What send-peer takes of a file: exactly what a reader of the tree would keep.
TEST_P(CompleteRecords, EndAtTheLastWholeRecord) {
    const CompleteCase& c = GetParam();
    size_t records = 99;
    EXPECT_EQ(completeRecordBytes(c.bytes, c.width, records), c.complete);
    EXPECT_EQ(records, c.records);
    BookmarkTree tree(c.width == 3 ? kAddressBookTree : kCustomTree);
    FileError error;
    MemorySource source(c.bytes);
    ArchiveReader reader(source);
    EXPECT_EQ(SerializeTree(tree, reader, kNoItem), c.records);
}

const std::string kTwo = std::string(
    "\x01"
    "a\x01"
    "b\x02"
    "cd\x01"
    "e",
    9);
const std::string kLong = std::string("\xFF\x2C\x01", 3) + std::string(300, 'n') +
                          "\x01"
                          "x";

INSTANTIATE_TEST_SUITE_P(
    Streams, CompleteRecords,
    ::testing::Values(CompleteCase{"empty", "", 2, 0, 0}, CompleteCase{"two", kTwo, 2, 9, 2},
                      CompleteCase{"cutInsideAString", kTwo.substr(0, 8), 2, 4, 1},
                      CompleteCase{"cutAfterALabel", kTwo.substr(0, 7), 2, 4, 1},
                      CompleteCase{"threeStrings", kTwo, 3, 7, 1},
                      CompleteCase{"longPrefix", kLong, 2, kLong.size(), 1},
                      CompleteCase{"cutInsideAPrefix", kLong.substr(0, 2), 2, 0, 0},
                      CompleteCase{"wideLabel",
                                   std::string("\xFF\xFE\xFF\x01"
                                               "a\x00\x01"
                                               "b",
                                               8),
                                   2, 8, 1},
                      CompleteCase{"claimPastTheEnd",
                                   std::string("\x01"
                                               "a\x01"
                                               "b\xFF\xFF\xFF\xFF\xFF\xFF\x7F",
                                               11),
                                   2, 4, 1}),
    [](const ::testing::TestParamInfo<CompleteCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brivanta::net
