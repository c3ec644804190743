// A transfer becomes entries once, as its bytes arrive: they must be what a reader of the
// same stream adds, wherever the pieces end; appended to a file they must read back as the
// tree; and a hostile stream is still refused while they are built.
#include <gtest/gtest.h>

#include <thread>

#include "LoopbackPeer.h"
#include "TreeText.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/net/ReceivedEntries.h"
#include "core/trees/TreeWalk.h"

namespace brivanta::net {
namespace {

using testing::addEntries;
using testing::Entry;
using testing::treeText;

std::string archiveOf(BookmarkTree& tree) {
    std::string bytes;
    StringSink sink(bytes);
    ArchiveWriter writer(sink);
    SerializeTree(tree, writer, kNoItem);
    writer.flush();
    return bytes;
}

// What the reader of files adds from `bytes` at the top level (with its default depth limit).
std::string readerText(const std::string& bytes, int kind) {
    BookmarkTree tree(kind);
    MemorySource source(bytes);
    ArchiveReader reader(source);
    SerializeTree(tree, reader, kNoItem);
    return treeText(tree);
}

std::string raw(std::initializer_list<std::string> strings) {
    std::string out;
    for (const std::string& s : strings) {
        out += static_cast<char>(s.size());
        out += s;
    }
    return out;
}

// Labels of a chain `levels` deep: each one level below the one before.
std::string chain(int levels) {
    std::string out;
    for (int i = 0; i < levels; ++i)
        out += raw({"->c" + std::to_string(i), "a"});
    return out;
}

// A UTF-16 string: the marker, its length in characters, and its bytes.
std::string wide(const std::string& ascii) {
    std::string out("\xFF\xFE\xFF", 3);
    out += static_cast<char>(ascii.size());
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

struct StreamCase {
    const char* name;
    std::string bytes;
    int kind = kCustomTree;
};

void PrintTo(const StreamCase& c, std::ostream* out) {
    *out << c.name;
}

class EntriesOfAStream : public ::testing::TestWithParam<StreamCase> {};

TEST_P(EntriesOfAStream, AreWhatTheReaderAddsWhereverThePiecesEnd) {
    const StreamCase& c = GetParam();
    const NodeRecord old{"old", "o", c.kind == kAddressBookTree ? "t" : ""};
    BookmarkTree byReader(c.kind);
    byReader.InsertNode(old);
    MemorySource source(c.bytes);
    ArchiveReader reader(source);
    const size_t records = SerializeTree(byReader, reader, kNoItem);
    ASSERT_GT(records, 0u);
    for (size_t piece : {size_t(1), size_t(2), size_t(3), size_t(7), SIZE_MAX}) {
        SCOPED_TRACE(piece);
        const ReceivedEntries entries = readEntries(c.bytes, recordWidth(c.kind), piece);
        BookmarkTree tree(c.kind);
        tree.InsertNode(old);
        const EntriesAdded added = entries.appendTo(tree);
        EXPECT_EQ(added.count, records);
        EXPECT_EQ(added.roots.size(), static_cast<size_t>(tree.childCount(kNoItem) - 1));
        EXPECT_EQ(treeText(tree), treeText(byReader));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EntriesOfAStream,
    ::testing::Values(
        StreamCase{"flat", raw({"a", "1", "b", "2"})},
        StreamCase{"downAndBack", raw({"a", "1", "->b", "2", "->c", "3", "||d", "4", "->e", "5"})},
        StreamCase{"barsClimbingAboveTheTop",
                   raw({"a", "1", "->b", "2", "|||||c", "3", "->d", "4"})},
        StreamCase{"firstLabelGoingDown", raw({"->a", "1", "->b", "2"})},
        StreamCase{"blanksBeforeThePrefix", raw({"a", "1", " \t->b", "2", "  ->  c", "  3"})},
        StreamCase{"notAPrefix",
                   raw({"a", "1", "-b", "2", "-", "3", "- >c", "4", "", "5", " -", ""})},
        StreamCase{"prefixesInAddressesDoNotCount", raw({"a", "->", "->b", "||", "c", "->->"})},
        StreamCase{"onlyBlanks", raw({"  ", "  ", "\t", ""})},
        StreamCase{"aLongLabelWithA3ByteLength",
                   raw({"a", "1"}) + std::string("\xFF\x2C\x01->", 5) + std::string(298, 'x') +
                       raw({"1", "->c", "2"})},
        StreamCase{"aLabelWithA7ByteLength",
                   raw({"a", "1"}) + std::string("\xFF\xFF\xFF\x05\x00\x00\x00->abc", 12) +
                       raw({"1", "->c", "2"})},
        StreamCase{"utf16LabelsAndAddresses",
                   raw({"a", "1"}) + wide("->w") + wide(" http://w/") + wide("||x") + raw({"2"})},
        StreamCase{"aChainPastTheDepthLimit", chain(1200) + raw({"|||x", "1", "->y", "2"})},
        StreamCase{"aRecordCutShortIsDropped", raw({"a", "1", "b"})},
        StreamCase{"anAddressBook",
                   raw({"Ann", "", "woman", "->tel", "123", " phone", "|Bob", "b", ""}),
                   kAddressBookTree}),
    [](const ::testing::TestParamInfo<StreamCase>& row) { return row.param.name; });

TEST(EntriesOfAStream, ADeepChainIsAttachedAtTheLimitAndCounted) {
    const ReceivedEntries entries = readEntries(chain(1200), 2, 4096);
    EXPECT_EQ(entries.size(), 1200u);
    EXPECT_EQ(entries.depthBudget().flattened(), 200u);
    BookmarkTree tree(kCustomTree);
    entries.appendTo(tree);
    int deepest = 0;
    // The walk counts the top level as 0.
    forEachPreOrder(tree, kNoItem, [&](ItemId, int depth) { deepest = std::max(deepest, depth); });
    EXPECT_EQ(deepest + 1, ImportBudget::kMaxDepth);
}

struct AppendCase {
    const char* name;
    std::vector<Entry> existing;
    std::string received;  // archive bytes
};

void PrintTo(const AppendCase& c, std::ostream* out) {
    *out << c.name;
}

class AppendedEntries : public ::testing::TestWithParam<AppendCase> {};

// A listener adds a transfer to its file by appending records: the file must then read as
// the tree that adding the entries and saving gives.
TEST_P(AppendedEntries, ReadAsTheSavedTree) {
    const AppendCase& c = GetParam();
    BookmarkTree existing(kCustomTree);
    addEntries(existing, c.existing);
    std::string file = archiveOf(existing);
    const ReceivedEntries entries = readEntries(c.received, 2);
    int depth = 0;
    for (ItemId last = existing.childCount(kNoItem) > 0
                           ? existing.child(kNoItem, existing.childCount(kNoItem) - 1)
                           : kNoItem;
         last != kNoItem && existing.childCount(last) > 0; ++depth)
        last = existing.child(last, existing.childCount(last) - 1);
    {
        StringSink sink(file);
        ArchiveWriter writer(sink);
        entries.write(writer, depth);
        ASSERT_TRUE(writer.flush());
    }
    entries.appendTo(existing);
    EXPECT_EQ(file, archiveOf(existing));
    EXPECT_EQ(readerText(file, kCustomTree), readerText(archiveOf(existing), kCustomTree));
}

const std::vector<Entry> kDeep = {{0, "top", ""}, {1, "mid", ""}, {2, "leaf", "http://l/"}};
const std::vector<Entry> kFlat = {{0, "a", "1"}, {0, "b", "2"}};

INSTANTIATE_TEST_SUITE_P(
    Shapes, AppendedEntries,
    ::testing::Values(
        AppendCase{"intoAnEmptyFile", {}, raw({"x", "1", "->y", "2", "z", "3"})},
        AppendCase{"afterATopLevelEntry", kFlat, raw({"x", "1", "->y", "2", "|z", "3"})},
        AppendCase{"afterADeepEntry", kDeep, raw({"x", "1", "->y", "2", "->w", "4", "||z", "3"})},
        AppendCase{"firstLabelGoingDown", kDeep, raw({"->x", "1", "y", "2"})},
        AppendCase{"firstLabelGoingUp", kDeep, raw({"|||x", "1", "->y", "2"})},
        AppendCase{"firstLabelWithSpaceBeforeItsPrefix", kFlat, raw({"  ->x", "1"})},
        AppendCase{"aUtf16FirstLabel", kFlat, wide("x") + raw({"1"})},
        AppendCase{"aChainPastTheDepthLimit", kDeep, chain(1100)}),
    [](const ::testing::TestParamInfo<AppendCase>& row) { return row.param.name; });

struct HostileCase {
    const char* name;
    std::string bytes;
    TransferLimits limits;
    std::uint64_t sharedBudget;
    NetStatus expected;
};

TransferLimits withEntries(size_t n) {
    TransferLimits limits;
    limits.maxEntries = n;
    return limits;
}

void PrintTo(const HostileCase& c, std::ostream* out) {
    *out << c.name;
}

class HostileStream : public ::testing::TestWithParam<HostileCase> {};

// Building the entries keeps every bound of the scan: a limit passed refuses the transfer
// whole, and the budget is given back.
TEST_P(HostileStream, IsRefusedWhole) {
    const HostileCase& c = GetParam();
    PeerListener listener(kCustomTree, NetTimeouts{5000, 5000});
    listener.setLimits(c.limits);
    listener.setSharedMemoryLimit(c.sharedBudget);
    ASSERT_TRUE(listener.open(0, "127.0.0.1"));
    std::thread sender([&] {
        TcpConnection peer = testing::connectFrom("127.0.0.1", listener.port());
        peer.sendAll(c.bytes);
        peer.shutdownWrite();
        char b;
        size_t got = 0;
        peer.receive(&b, 1, got);
    });
    PeerReceipt receipt;
    ASSERT_TRUE(listener.receiveOne(receipt, 5000));
    sender.join();
    EXPECT_EQ(receipt.status, c.expected) << describe(receipt.status);
    EXPECT_TRUE(receipt.refused());
    EXPECT_EQ(receipt.records, 0u);
    EXPECT_TRUE(receipt.entries.empty());
    EXPECT_LE(listener.sharedBudget().peak(), c.sharedBudget);
    receipt = PeerReceipt();
    EXPECT_EQ(listener.sharedMemoryInUse(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileStream,
    ::testing::Values(
        // 0x30000000 UTF-16 characters: twice that in bytes, past what a transfer may bring.
        HostileCase{
            "aUtf16LengthPastTheCap",
            std::string("\xFF\xFE\xFF\xFF\xFF\xFF\x00\x00\x00\x30", 10) + std::string(1000, 'x'),
            {},
            1ull << 30,
            NetStatus::tooLarge},
        HostileCase{"oneEntryTooMany", testing::linksArchive("e", 11), withEntries(10), 1ull << 30,
                    NetStatus::tooManyEntries},
        // Texts and their list are paid for as they are built.
        HostileCase{"entriesPastTheSharedBudget",
                    testing::linksArchive("e", 20000, 40),
                    {},
                    512u << 10,
                    NetStatus::overBudget},
        HostileCase{
            "aUtf16StringPastTheSharedBudget",
            std::string("\xFF\xFE\xFF\xFF\xFF\xFF\x00\x00\x08\x00", 10) + std::string(1 << 20, 'x'),
            {},
            256u << 10,
            NetStatus::overBudget}),
    [](const ::testing::TestParamInfo<HostileCase>& row) { return row.param.name; });

}  // namespace
}  // namespace brivanta::net
