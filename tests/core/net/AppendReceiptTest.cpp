// A listener adds a transfer to its file by appending bytes: the file must then read as the
// tree that applying the transfer gives.
#include <gtest/gtest.h>

#include <cstring>

#include "TreeText.h"
#include "core/formats/ArchiveReader.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
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

PeerReceipt receiptOf(const std::string& bytes) {
    PeerReceipt r;
    MemoryCharge charge;
    for (size_t done = 0, room = 0; done < bytes.size(); done += room) {
        char* into = r.archive.room(bytes.size() - done, room, charge);
        std::memcpy(into, bytes.data() + done, room);
        r.archive.commit(room);
    }
    completeRecordBytes(bytes, 2, r.records);
    return r;
}

std::string raw(std::initializer_list<std::string> strings) {
    std::string out;
    for (const std::string& s : strings) {
        out += static_cast<char>(s.size());
        out += s;
    }
    return out;
}

struct AppendCase {
    const char* name;
    std::vector<Entry> existing;
    std::string received;  // archive bytes
    bool byBytes;          // false: the caller must apply and save instead
};

class AppendReceipt : public ::testing::TestWithParam<AppendCase> {};

TEST_P(AppendReceipt, ReadsAsTheAppliedTree) {
    const AppendCase& c = GetParam();
    BookmarkTree existing(kCustomTree);
    addEntries(existing, c.existing);
    std::string file = archiveOf(existing);
    const PeerReceipt receipt = receiptOf(c.received);
    int depth = 0;
    for (ItemId last = existing.childCount(kNoItem) > 0
                           ? existing.child(kNoItem, existing.childCount(kNoItem) - 1)
                           : kNoItem;
         last != kNoItem && existing.childCount(last) > 0; ++depth)
        last = existing.child(last, existing.childCount(last) - 1);
    StringSink sink(file);
    const size_t before = file.size();
    ASSERT_EQ(writeReceiptForAppend(receipt, depth, sink), c.byBytes);
    if (!c.byBytes) {
        EXPECT_EQ(file.size(), before);  // nothing written
        return;
    }
    BookmarkTree fromFile(kCustomTree);
    MemorySource source(file);
    ArchiveReader reader(source);
    SerializeTree(fromFile, reader, kNoItem);
    applyReceipt(existing, receipt);
    EXPECT_EQ(treeText(fromFile), treeText(existing));
}

const std::vector<Entry> kDeep = {{0, "top", ""}, {1, "mid", ""}, {2, "leaf", "http://l/"}};
const std::vector<Entry> kFlat = {{0, "a", "1"}, {0, "b", "2"}};

INSTANTIATE_TEST_SUITE_P(
    Shapes, AppendReceipt,
    ::testing::Values(
        AppendCase{"intoAnEmptyFile", {}, raw({"x", "1", "->y", "2", "z", "3"}), true},
        AppendCase{"afterATopLevelEntry", kFlat, raw({"x", "1", "->y", "2", "|z", "3"}), true},
        AppendCase{"afterADeepEntry", kDeep, raw({"x", "1", "->y", "2", "->w", "4", "||z", "3"}),
                   true},
        AppendCase{"firstLabelGoingDown", kDeep, raw({"->x", "1", "y", "2"}), true},
        AppendCase{"firstLabelGoingUp", kDeep, raw({"|||x", "1", "->y", "2"}), true},
        AppendCase{"firstLabelWithSpaceBeforeItsPrefix", kFlat, raw({"  ->x", "1"}), true},
        AppendCase{"aNameStartingWithSpace", kFlat, raw({"-> x", "1"}), false},
        AppendCase{"aNameStartingWithAPrefix", kDeep, raw({"->->x", "1"}), false},
        AppendCase{"aUtf16FirstLabel", kFlat,
                   std::string("\xFF\xFE\xFF\x01x\x00\x01"
                               "1",
                               8),
                   false}),
    [](const ::testing::TestParamInfo<AppendCase>& row) { return row.param.name; });

// Labels of a chain `levels` deep: each one level below the one before.
std::string chain(int levels) {
    std::string out;
    for (int i = 0; i < levels; ++i)
        out += raw({"->c" + std::to_string(i), "a"});
    return out;
}

struct DepthCase {
    const char* name;
    std::string received;  // archive bytes
};

class ReceiptDepth : public ::testing::TestWithParam<DepthCase> {};

// The scan of the prefixes must agree with the reader, or a deep transfer could be appended
// at a depth the tree would not have given it.
TEST_P(ReceiptDepth, IsTheDepthTheReaderGives) {
    const PeerReceipt receipt = receiptOf(GetParam().received);
    BookmarkTree tree(kCustomTree);
    ImportBudget unlimited = ImportBudget::unlimited();
    applyReceipt(tree, receipt, &unlimited);
    int deepest = 0;
    // The walk counts the top level as 0.
    forEachPreOrder(tree, kNoItem,
                    [&](ItemId, int depth) { deepest = std::max(deepest, depth + 1); });
    EXPECT_EQ(receiptDepth(receipt, 1'000'000), deepest);
    // Counting stops just past the limit.
    EXPECT_EQ(receiptDepth(receipt, deepest - 1), deepest);
    EXPECT_EQ(receiptDepth(receipt, deepest), deepest);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ReceiptDepth,
    ::testing::Values(
        DepthCase{"flat", raw({"a", "1", "b", "2"})},
        DepthCase{"downAndBack", raw({"a", "1", "->b", "2", "->c", "3", "||d", "4", "->e", "5"})},
        DepthCase{"barsClimbingAboveTheTop",
                  raw({"a", "1", "->b", "2", "|||||c", "3", "->d", "4"})},
        DepthCase{"firstLabelGoingDown", raw({"->a", "1", "->b", "2"})},
        DepthCase{"blanksBeforeThePrefix", raw({"a", "1", " \t->b", "2", "  ->c", "3"})},
        DepthCase{"notAPrefix", raw({"a", "1", "-b", "2", "-", "3", "- >c", "4", "", "5"})},
        DepthCase{"prefixesInAddressesDoNotCount", raw({"a", "->", "->b", "->", "c", "->->"})},
        DepthCase{"aLongLabelWithA3ByteLength", raw({"a", "1"}) + std::string("\xFF\x2C\x01->", 5) +
                                                    std::string(298, 'x') + raw({"1", "->c", "2"})},
        DepthCase{"aLabelWithA7ByteLength",
                  raw({"a", "1"}) + std::string("\xFF\xFF\xFF\x05\x00\x00\x00->abc", 12) +
                      raw({"1", "->c", "2"})},
        DepthCase{"aChainPastTheLimit", chain(1200)}),
    [](const ::testing::TestParamInfo<DepthCase>& row) { return row.param.name; });

// A receipt is kept in blocks of 64 KiB and more: wherever a block ends (inside a length,
// a prefix or a name), the depth is the same.
TEST(ReceiptDepth, IsTheSameWhereverABlockEnds) {
    for (size_t pad = 0; pad < 12; ++pad) {
        SCOPED_TRACE(pad);
        const PeerReceipt receipt = receiptOf(raw({std::string(pad, 'p'), "a"}) + chain(8000) +
                                              raw({"||||x", "1", "->y", "2"}));
        ASSERT_GT(receipt.archive.size(), ReceivedBytes::kFirstBlock);
        EXPECT_EQ(receiptDepth(receipt, 1'000'000), 8001);
        EXPECT_EQ(receiptDepth(receipt, 1000), 1001);
    }
}

TEST(ReceiptDepth, AUtf16LabelCountsAsPastTheLimit) {
    const PeerReceipt receipt = receiptOf(raw({"a", "1"}) + std::string("\xFF\xFE\xFF\x01x\x00\x01"
                                                                        "1",
                                                                        8));
    EXPECT_EQ(receiptDepth(receipt, 5), 6);
}

}  // namespace
}  // namespace brivanta::net
