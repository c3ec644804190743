// The memory budget all connections of one listener share.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/MemoryBudget.h"
#include "core/net/PeerTransfer.h"

namespace brivanta::net {
namespace {

using Clock = std::chrono::steady_clock;

TEST(MemoryBudget, TakesUpToItsLimitAndChargesGiveBackWhenLetGo) {
    auto shared = std::make_shared<MemoryBudget>(100);
    const MemoryBudget& budget = *shared;
    {
        MemoryCharge a(shared);
        EXPECT_TRUE(a.add(60));
        MemoryCharge b(shared);
        EXPECT_FALSE(b.add(41));  // would pass the limit: nothing taken
        EXPECT_TRUE(b.add(40));
        EXPECT_FALSE(b.add(1));
        EXPECT_EQ(budget.used(), 100u);
        MemoryCharge moved = std::move(a);
        EXPECT_EQ(moved.bytes(), 60u);
        EXPECT_EQ(budget.used(), 100u);  // a move takes nothing twice nor gives anything back
    }
    EXPECT_EQ(budget.used(), 0u);
    MemoryCharge unbudgeted;
    EXPECT_TRUE(unbudgeted.add(UINT64_MAX / 2));
    EXPECT_FALSE(MemoryCharge(shared).add(UINT64_MAX));
    // A charge outlives its listener's hold on the budget, and still gives back.
    MemoryCharge late(shared);
    EXPECT_TRUE(late.add(10));
    std::weak_ptr<MemoryBudget> watch = shared;
    shared.reset();
    EXPECT_FALSE(watch.expired());
    late.clear();
}

std::string archiveOf(int records, size_t addressBytes) {
    BookmarkTree tree;
    for (int i = 0; i < records; ++i)
        tree.InsertNode({"n" + std::to_string(i), std::string(addressBytes, 'a'), ""});
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer, kNoItem);
    writer.flush();
    return bytes;
}

// Several peers send at once, each well within what one connection may bring, but together
// more than the listener's shared budget: the connection that would pass it is refused, the
// others arrive whole, and the budget is given back once the
// transfers are let go.
TEST(SharedMemoryBudget, ConcurrentPeersTogetherStayWithinIt) {
    constexpr int kPeers = 4;
    constexpr int kRecords = 1000;
    const std::string bytes = archiveOf(kRecords, 100);
    // About 3.5 transfers' worth: every byte received, and again the entry it becomes.
    const std::uint64_t perTransfer =
        bytes.size() * 2 + std::uint64_t(kRecords) * TransferLimits::kEntryOverhead;
    const std::uint64_t budget = perTransfer * 7 / 2;

    PeerListener listener(kCustomTree, NetTimeouts{5000, 20000});
    listener.setSharedMemoryLimit(budget);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));

    std::mutex mutex;
    std::vector<PeerReceipt> receipts;
    std::uint64_t mostInUse = 0;
    std::thread worker([&] {
        listener.run(
            [&](PeerReceipt& r) {
                std::lock_guard<std::mutex> guard(mutex);
                mostInUse = std::max(mostInUse, listener.sharedMemoryInUse());
                receipts.push_back(std::move(r));
                return true;
            },
            kPeers);
    });
    // Every peer sends all it has and stays connected until one transfer was cut, so all
    // of them are in memory at once.
    std::atomic<bool> release{false};
    std::vector<std::thread> peers;
    for (int p = 0; p < kPeers; ++p) {
        peers.emplace_back([&] {
            TcpConnection c;
            if (c.connect("127.0.0.1", listener.port()) != NetStatus::ok)
                return;
            c.sendAll(bytes);
            const auto until = Clock::now() + std::chrono::seconds(15);
            while (!release && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            c.shutdownWrite();
            char b;
            size_t got = 0;
            c.receive(&b, 1, got);  // the listener's close
        });
    }
    const auto until = Clock::now() + std::chrono::seconds(15);
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (!receipts.empty() || Clock::now() > until)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    release = true;
    for (std::thread& t : peers)
        t.join();
    worker.join();

    ASSERT_EQ(receipts.size(), size_t(kPeers));
    int cut = 0;
    std::uint64_t charged = 0;
    for (const PeerReceipt& r : receipts) {
        charged += r.charge.bytes();
        BookmarkTree target(kCustomTree);
        EXPECT_EQ(applyReceipt(target, r).count, r.records);
        if (r.status == NetStatus::overBudget) {
            // Refused whole: nothing of it is kept.
            ++cut;
            EXPECT_LT(r.recordsSeen, size_t(kRecords));
            EXPECT_EQ(r.records, 0u);
        } else {
            EXPECT_TRUE(r.ended()) << describe(r.status);
            EXPECT_EQ(r.records, size_t(kRecords));
        }
    }
    EXPECT_GE(cut, 1);
    EXPECT_LE(charged, budget);
    EXPECT_LE(mostInUse, budget);
    receipts.clear();
    EXPECT_EQ(listener.sharedMemoryInUse(), 0u);
}

}  // namespace
}  // namespace brivanta::net
