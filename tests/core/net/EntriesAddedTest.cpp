// Received transfers and mail say which entries they added, so that an undo step is made from
// exactly those, whatever the tree held before.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TreeText.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
#include "core/formats/TreeArchive.h"
#include "core/net/PeerTransfer.h"
#include "core/net/TransferEnvelope.h"

namespace brivanta::net {
namespace {

using testing::addEntries;
using testing::Entry;

using Adder = std::function<EntriesAdded(BookmarkTree& target, BookmarkTree& sent)>;

EntriesAdded byReceipt(BookmarkTree& target, BookmarkTree& sent) {
    std::string bytes;
    {
        StringSink sink(bytes);
        ArchiveWriter writer(sink);
        SerializeTree(sent, writer, kNoItem);
        writer.flush();
    }
    PeerReceipt receipt;
    receipt.entries = readEntries(bytes, 2);
    receipt.records = receipt.entries.size();
    return applyReceipt(target, receipt);
}

EntriesAdded byMail(BookmarkTree& target, BookmarkTree& sent) {
    std::optional<Envelope> envelope = readEnvelope(buildEnvelope(sent));
    return envelope ? addEnvelope(target, *envelope) : EntriesAdded{};
}

struct AddCase {
    const char* name;
    Adder add;
    std::vector<Entry> before;  // the target tree
    std::vector<Entry> sent;
    std::vector<std::string> roots;
    size_t count;
};

void PrintTo(const AddCase& c, std::ostream* out) {
    *out << c.name;
}

class AddedBy : public ::testing::TestWithParam<AddCase> {};

TEST_P(AddedBy, TheNewSubtreesOnly) {
    const AddCase& c = GetParam();
    BookmarkTree target(kCustomTree);
    addEntries(target, c.before);
    // Item data given out and freed before: the new entries may reuse none of it wrongly.
    target.DeleteNode(target.InsertNode({"gone", "", ""}));
    BookmarkTree sent(kCustomTree);
    addEntries(sent, c.sent);
    const size_t sizeBefore = target.size();
    EntriesAdded added = c.add(target, sent);
    EXPECT_EQ(added.count, c.count);
    EXPECT_EQ(target.size(), sizeBefore + c.count);
    std::vector<std::string> roots;
    for (ItemId root : added.roots) {
        ASSERT_TRUE(target.contains(root));
        EXPECT_EQ(target.parent(root), kNoItem);
        roots.push_back(target.label(root));
    }
    EXPECT_EQ(roots, c.roots);
}

const std::vector<Entry> kOld = {{0, "old", "o"}, {1, "inside", "i"}};
const std::vector<Entry> kSent = {{0, "F", ""}, {1, "a", "http://a"}, {0, "L", "http://l"}};

INSTANTIATE_TEST_SUITE_P(
    Table, AddedBy,
    ::testing::Values(AddCase{"receipt_into_empty", byReceipt, {}, kSent, {"F", "L"}, 3},
                      AddCase{"receipt_after_entries", byReceipt, kOld, kSent, {"F", "L"}, 3},
                      AddCase{"receipt_of_nothing", byReceipt, kOld, {}, {}, 0},
                      AddCase{"mail_into_empty", byMail, {}, kSent, {"F", "L"}, 3},
                      AddCase{"mail_after_entries", byMail, kOld, kSent, {"F", "L"}, 3}),
    [](const ::testing::TestParamInfo<AddCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace brivanta::net
