#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TreeText.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/text/Encoding.h"

namespace brivanta::net {
namespace {

using testing::addEntries;
using testing::treeText;

constexpr NetTimeouts kQuick{5000, 5000};

std::string archiveOf(BookmarkTree& tree, ItemId start = kNoItem) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer, start);
    writer.flush();
    return bytes;
}

// The records a receipt's entries stand for, written as a save writes them.
std::string archiveOf(const ReceivedEntries& entries) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    entries.write(writer, 0);
    writer.flush();
    return bytes;
}

TEST(PeerTransfer, SendsATreeOrABranchToTheListener) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, text::gbk("新闻"), ""},
                      {1, "a", "http://a"},
                      {1, "b", "http://b"},
                      {0, "", std::string(300, 'z')}});
    PeerListener listener(kCustomTree, kQuick);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));

    PeerReceipt whole, branch;
    std::thread receiver([&] {
        listener.receiveOne(whole, 5000);
        listener.receiveOne(branch, 5000);
    });
    EXPECT_TRUE(sendToPeer(tree, kNoItem, "127.0.0.1", listener.port(), kQuick).ok);
    EXPECT_TRUE(
        sendToPeer(tree, tree.firstChild(kNoItem), "localhost", listener.port(), kQuick).ok);
    receiver.join();

    EXPECT_TRUE(whole.ended());
    EXPECT_EQ(whole.records, 4u);
    EXPECT_EQ(archiveOf(whole.entries), archiveOf(tree));  // record for record the stream
    BookmarkTree target(kCustomTree);
    target.InsertNode({"old", "o", ""});
    EXPECT_EQ(applyReceipt(target, whole).count, 4u);
    EXPECT_EQ(applyReceipt(target, branch).count, 3u);
    EXPECT_EQ(treeText(target),
              "old|o\n" + treeText(tree) + text::gbk("新闻") + "|\n  a|http://a\n  b|http://b\n");
}

TEST(PeerTransfer, AnAddressBookListenerReadsThreeStringsARecord) {
    BookmarkTree book(kAddressBookTree);
    addEntries(book, {{0, "Ann", "", "woman"}, {1, "tel", "123", "phone"}});
    PeerListener listener(kAddressBookTree, kQuick);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    PeerReceipt receipt;
    std::thread receiver([&] { listener.receiveOne(receipt, 5000); });
    EXPECT_TRUE(sendToPeer(book, kNoItem, "127.0.0.1", listener.port(), kQuick).ok);
    receiver.join();
    BookmarkTree target(kAddressBookTree);
    EXPECT_EQ(applyReceipt(target, receipt).count, 2u);
    EXPECT_EQ(treeText(target), treeText(book));
}

// Plays a sender that writes `bytes` and then either closes or stalls.
PeerReceipt receiveFrom(const std::string& bytes, bool stall, std::uint64_t limit = 1ull << 30,
                        const TransferLimits& limits = {}) {
    PeerListener listener(kCustomTree, NetTimeouts{5000, 300});
    listener.setMaxTransferSize(limit);
    listener.setLimits(limits);
    EXPECT_TRUE(listener.open(0, "127.0.0.1"));
    std::atomic<bool> received{false};
    std::thread sender([&] {
        TcpConnection c;
        c.connect("127.0.0.1", listener.port());
        c.sendAll(bytes);
        // A stalled sender stays silent and open until the listener has given up on it,
        // however late the listener gets to its wait.
        while (stall && !received)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    PeerReceipt receipt;
    EXPECT_TRUE(listener.receiveOne(receipt, 5000));
    received = true;
    sender.join();
    return receipt;
}

TEST(PeerTransfer, ASenderThatEndsEarlyKeepsItsCompleteRecordsAStalledOneNothing) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, "one", "1"}, {0, "two", "2"}, {0, "three", "3"}});
    const std::string full = archiveOf(tree);
    const std::string twoRecords = full.substr(0, full.find("\x05three"));

    for (bool stall : {false, true}) {
        // Cut inside the third record's label, then after its label.
        for (size_t cut : {twoRecords.size() + 3, twoRecords.size() + 6}) {
            PeerReceipt r = receiveFrom(full.substr(0, cut), stall);
            EXPECT_FALSE(r.ended());
            EXPECT_EQ(r.recordsSeen, 2u);
            BookmarkTree target(kCustomTree);
            if (stall) {
                // The listener ended it: refused whole, so a second try adds nothing twice.
                EXPECT_EQ(r.status, NetStatus::timedOut);
                EXPECT_TRUE(r.refused());
                EXPECT_EQ(applyReceipt(target, r).count, 0u);
                continue;
            }
            EXPECT_EQ(r.status, NetStatus::closed);
            EXPECT_EQ(archiveOf(r.entries), twoRecords);
            EXPECT_EQ(applyReceipt(target, r).count, 2u);
            EXPECT_EQ(treeText(target), "one|1\ntwo|2\n");
        }
    }
    // Nothing sent: nothing added, and that is a normal end.
    PeerReceipt empty = receiveFrom("", false);
    EXPECT_TRUE(empty.ended());
    EXPECT_EQ(empty.records, 0u);

    // A length prefix that claims 4 GiB: refused as soon as the prefix is read, long before
    // the bytes it claims could pass the limit.
    std::string hostile =
        twoRecords + std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 7) + std::string(200000, 'x');
    PeerReceipt limited = receiveFrom(hostile, false, 100000);
    EXPECT_EQ(limited.status, NetStatus::tooLarge);
    EXPECT_EQ(limited.recordsSeen, 2u);
    EXPECT_EQ(limited.records, 0u);
    EXPECT_TRUE(limited.entries.empty());
}

TEST(PeerTransfer, WhatATransferBecomesIsBoundedAsItsRecordsArrive) {
    // Millions of empty records: two bytes on the wire each, a whole entry in the tree.
    // By default the memory they would take ends it first, well before 1 GiB.
    const TransferLimits defaults;
    PeerReceipt flood = receiveFrom(std::string((defaults.maxEntries + 100) * 2, '\0'), false);
    EXPECT_EQ(flood.status, NetStatus::tooLarge);
    EXPECT_GT(flood.recordsSeen, 1000000u);
    EXPECT_LE(flood.recordsSeen * TransferLimits::entryCost(2), defaults.maxMemory);
    EXPECT_GT((flood.recordsSeen + 1) * TransferLimits::entryCost(2), defaults.maxMemory);
    EXPECT_EQ(flood.records, 0u);  // refused whole
    EXPECT_TRUE(flood.entries.empty());
    // With memory to spare, the number of entries ends it.
    TransferLimits roomy;
    roomy.maxMemory = 1ull << 40;
    flood =
        receiveFrom(std::string((defaults.maxEntries + 100) * 2, '\0'), false, 1ull << 30, roomy);
    EXPECT_EQ(flood.status, NetStatus::tooManyEntries);
    EXPECT_EQ(flood.recordsSeen, defaults.maxEntries);

    // Past a limit nothing is kept: a sender told of the failure may try again (with less)
    // without finding the first part twice.
    TransferLimits few;
    few.maxEntries = 1000;
    PeerReceipt r = receiveFrom(std::string(200000, '\0'), false, 1ull << 30, few);
    EXPECT_EQ(r.status, NetStatus::tooManyEntries);
    EXPECT_FALSE(r.ended());
    BookmarkTree target(kCustomTree);
    EXPECT_EQ(applyReceipt(target, r).count, 0u);
    EXPECT_EQ(target.size(), 0u);

    // The memory the entries would take: ten records of this size fit, the eleventh not.
    const std::string record = std::string(1, '\x64') + std::string(100, 'n') + "\x01" + "a";
    TransferLimits small;
    small.maxMemory = 10 * TransferLimits::entryCost(record.size()) + 5;
    std::string many;
    for (int i = 0; i < 50; ++i)
        many += record;
    PeerReceipt big = receiveFrom(many, false, 1ull << 30, small);
    EXPECT_EQ(big.status, NetStatus::tooLarge);
    EXPECT_EQ(big.recordsSeen, 10u);

    // Exactly at the limit is no failure.
    PeerReceipt exact = receiveFrom(std::string(2000, '\0'), false, 1ull << 30, few);
    EXPECT_TRUE(exact.ended());
    EXPECT_EQ(exact.records, 1000u);
}

TEST(PeerTransfer, ASenderThatTricklesIsCutOffAtTheTransferTimeOut) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, "one", "1"}, {0, "two", "2"}});
    const std::string whole = archiveOf(tree);
    const std::string tail(
        "\x05three\x01"
        "3",
        8);
    // Every byte arrives well within the read time-out, but the whole takes too long.
    PeerListener listener(kCustomTree, NetTimeouts{5000, 500, 800});
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::atomic<bool> done{false};
    std::thread sender([&] {
        TcpConnection c;
        c.connect("127.0.0.1", listener.port());
        c.sendAll(whole);
        // Then a byte every 200 ms: never stalled long enough for the read time-out.
        for (size_t i = 0; i < tail.size() && !done; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            c.sendAll(tail.substr(i, 1));
        }
    });
    const auto start = std::chrono::steady_clock::now();
    PeerReceipt r;
    EXPECT_TRUE(listener.receiveOne(r, 5000));
    const auto took = std::chrono::steady_clock::now() - start;
    done = true;
    sender.join();
    EXPECT_EQ(r.status, NetStatus::timedOut);
    EXPECT_EQ(r.recordsSeen, 2u);
    EXPECT_EQ(r.records, 0u);
    EXPECT_LT(took, std::chrono::milliseconds(3000));
}

TEST(PeerTransfer, ManySimultaneousSendersAllArriveWhenTheySaySo) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, "a", "1"}, {1, "b", "2"}, {0, "c", "3"}});
    constexpr int kSenders = 50;
    PeerListener listener(kCustomTree, kQuick);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::vector<PeerReceipt> receipts;
    std::thread receiver([&] {
        listener.run(
            [&](PeerReceipt& r) {
                // Slow to apply: senders wait for it rather than count their send as arrived.
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                receipts.push_back(std::move(r));
                return true;
            },
            kSenders);
    });
    std::atomic<int> succeeded{0};
    std::vector<std::thread> senders;
    for (int i = 0; i < kSenders; ++i) {
        senders.emplace_back([&] {
            if (sendToPeer(tree, kNoItem, "127.0.0.1", listener.port(), kQuick).ok)
                ++succeeded;
        });
    }
    for (std::thread& t : senders)
        t.join();
    receiver.join();
    EXPECT_EQ(succeeded.load(), kSenders);
    ASSERT_EQ(receipts.size(), static_cast<size_t>(kSenders));
    for (const PeerReceipt& r : receipts) {
        EXPECT_TRUE(r.ended());
        EXPECT_EQ(r.records, 3u);
    }
}

TEST(PeerTransfer, ASenderFailsUnlessTheListenerClosesAfterReadingAll) {
    BookmarkTree tree(kCustomTree);
    addEntries(tree, {{0, "a", "1"}});
    for (bool reset : {false, true}) {
        // Reads everything, then neither closes nor answers; or resets the connection.
        TcpListener raw;
        ASSERT_EQ(raw.listen(0, "127.0.0.1"), NetStatus::ok);
        std::atomic<bool> done{false};
        std::thread peer([&] {
            TcpConnection c;
            if (raw.accept(c, 5000) != NetStatus::ok)
                return;
            char buffer[256];
            size_t got = 0;
            while (c.receive(buffer, sizeof buffer, got) == NetStatus::ok) {
            }
            if (reset) {
                linger l{1, 0};
                setsockopt(c.fd(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
                c.close();
                return;
            }
            while (!done)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        });
        PeerSendResult result =
            sendToPeer(tree, kNoItem, "127.0.0.1", raw.port(), NetTimeouts{5000, 300});
        done = true;
        peer.join();
        EXPECT_FALSE(result.ok) << reset;
        EXPECT_NE(result.statusText.find(std::to_string(raw.port())), std::string::npos);
    }
}

TEST(PeerTransfer, FailuresNameTheirPort) {
    PeerListener first(kCustomTree);
    ASSERT_TRUE(first.open(0, "127.0.0.1"));
    PeerListener second(kCustomTree);
    EXPECT_FALSE(second.open(first.port(), "127.0.0.1"));
    EXPECT_NE(second.statusText().find(text::gbk("创建端口失败！")), std::string::npos);
    EXPECT_NE(second.statusText().find(std::to_string(first.port())), std::string::npos);

    int port = first.port();
    first.close();
    BookmarkTree tree(kCustomTree);
    PeerSendResult r = sendToPeer(tree, kNoItem, "127.0.0.1", port, kQuick);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.statusText, text::gbk("连接主机（地址:127.0.0.1 端口:" + std::to_string(port) +
                                      "）时失败！\r\n\r\n请确认对方是否已启动监听！"));
    EXPECT_FALSE(sendToPeer(tree, kNoItem, "", port, kQuick).ok);
}

TEST(HostPort, SplitsTheForms) {
    std::string host;
    int port = 0;
    EXPECT_TRUE(splitHostPort("mail.example", 25, host, port));
    EXPECT_EQ(host, "mail.example");
    EXPECT_EQ(port, 25);
    EXPECT_TRUE(splitHostPort("127.0.0.1:2525", 25, host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 2525);
    EXPECT_TRUE(splitHostPort("[::1]:110", 25, host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 110);
    EXPECT_TRUE(splitHostPort("::1", 110, host, port));
    EXPECT_EQ(host, "::1");
    EXPECT_EQ(port, 110);
    EXPECT_FALSE(splitHostPort("host:0", 25, host, port));
    EXPECT_FALSE(splitHostPort("host:99999", 25, host, port));
    EXPECT_FALSE(splitHostPort("host:2x", 25, host, port));
}

}  // namespace
}  // namespace brivanta::net
