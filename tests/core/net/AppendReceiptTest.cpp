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

}  // namespace
}  // namespace brivanta::net
