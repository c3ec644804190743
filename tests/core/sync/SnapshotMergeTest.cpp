// The merge of a sync: the tree's snapshot (no ids) against the last synced state and the
// server's file, each change from either side.

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "SyncOutline.h"
#include "core/sync/SnapshotMerge.h"

namespace brivanta::sync {
namespace {

using testing::modelOf;
using testing::outlineOf;
using testing::snapshotOf;

// The state both sides started from.
constexpr const char* kBase =
    "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n";
constexpr const char* kSame =
    "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n";

struct MergeCase {
    const char* name;
    const char* base;  // nullptr: a first sync
    const char* local;
    const char* remote;
    const char* expected;
    size_t toRemote, toLocal, conflicts;
};

void PrintTo(const MergeCase& c, std::ostream* os) {
    *os << c.name;
}

class SnapshotMergeTest : public ::testing::TestWithParam<MergeCase> {};

std::string caseName(const ::testing::TestParamInfo<MergeCase>& row) {
    return row.param.name;
}

std::string withoutSeparators(const std::string& outline) {
    std::string out;
    std::istringstream in(outline);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(' ') == std::string::npos ||
            line.substr(line.find_first_not_of(' ')) != "-")
            out += line + "\n";
    }
    return out;
}

TEST_P(SnapshotMergeTest, CarriesEachSideOver) {
    const MergeCase& c = GetParam();
    const SyncModel base = c.base ? modelOf(c.base) : SyncModel{};
    const SyncModel remote = modelOf(c.remote);
    SnapshotMerge merge = mergeSnapshot(snapshotOf(c.local), c.base ? &base : nullptr, remote);
    EXPECT_EQ(outlineOf(merge.outcome.merged), c.expected);
    EXPECT_EQ(merge.outcome.counts.toRemote, c.toRemote);
    EXPECT_EQ(merge.outcome.counts.toLocal, c.toLocal);
    EXPECT_EQ(merge.outcome.counts.conflicts, c.conflicts);
    // What the tree gets is the merged tree itself, without the server's separators.
    const std::string shown = withoutSeparators(c.expected);
    EXPECT_EQ(merge.localChanged, shown != c.local);
    if (merge.localChanged) {
        EXPECT_EQ(outlineOf(merge.children), shown);
    }
    EXPECT_EQ(merge.remoteChanged, outlineOf(merge.outcome.merged) != outlineOf(remote));
    // Ids stay unique and the server's entries keep theirs.
    std::set<SyncId> ids;
    for (const SyncEntry& e : merge.outcome.merged.entries) {
        EXPECT_TRUE(ids.insert(e.id).second) << e.id;
        EXPECT_TRUE(e.separator || e.id <= merge.outcome.merged.highestId) << e.id;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SnapshotMergeTest,
    ::testing::Values(
        MergeCase{"NothingChanged", kBase, kSame, kBase, kSame, 0, 0, 0},
        MergeCase{
            "LocalAddsLink", kBase,
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\nd=http://d\n",
            kBase,
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\nd=http://d\n", 1,
            0, 0},
        MergeCase{
            "ServerAddsLink", kBase, kSame,
            "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\n  "
            "e=http://e#7\nd=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\nd=http://d\n", 0,
            1, 0},
        MergeCase{"LocalDeletesLink", kBase,
                  "+Work\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", kBase,
                  "+Work\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", 1, 0, 0},
        MergeCase{"ServerDeletesLink", kBase, kSame,
                  "+Work#1\n  a=http://a#2\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
                  "+Work\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"LocalRenames", kBase,
                  "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", kBase,
                  "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 1, 0, 0},
        MergeCase{
            "ServerRenames", kBase, kSame,
            "+Work#1\n  A2=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"LocalChangesAddress", kBase,
                  "+Work\n  a=http://a2\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", kBase,
                  "+Work\n  a=http://a2\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 1, 0, 0},
        MergeCase{
            "ServerChangesAddress", kBase, kSame,
            "+Work#1\n  a=http://a2#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  a=http://a2\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"LocalRenamesFolder", kBase,
                  "+Job\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", kBase,
                  "+Job\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 1, 0, 0},
        MergeCase{"ServerRenamesFolder", kBase, kSame,
                  "+Job#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
                  "+Job\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"LocalMovesLink", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  d=http://d\n", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  d=http://d\n", 1, 0,
                  0},
        MergeCase{
            "ServerMovesLink", kBase, kSame,
            "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\n  d=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  d=http://d\n", 0, 1, 0},
        MergeCase{"LocalMovesFolder", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n  +Home\n    c=http://c\nd=http://d\n", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n  +Home\n    c=http://c\nd=http://d\n", 1, 0,
                  0},
        MergeCase{
            "ServerMovesFolder", kBase, kSame,
            "+Work#1\n  a=http://a#2\n  b=http://b#3\n  +Home#4\n    c=http://c#5\nd=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n  +Home\n    c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"LocalReorders", kBase,
                  "+Work\n  b=http://b\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", kBase,
                  "+Work\n  b=http://b\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", 0, 0, 0},
        MergeCase{
            "ServerReorders", kBase, kSame,
            "+Work#1\n  b=http://b#3\n  a=http://a#2\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  b=http://b\n  a=http://a\n+Home\n  c=http://c\nd=http://d\n", 0, 0, 0},
        MergeCase{"LocalAddsNestedFolders", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n+New\n  "
                  "+Inner\n    z=http://z\n",
                  kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n+New\n  "
                  "+Inner\n    z=http://z\n",
                  3, 0, 0},
        MergeCase{"ServerAddsNestedFolders", kBase, kSame,
                  "+New#9\n  +Inner#8\n    z=http://z#7\n+Work#1\n  a=http://a#2\n  b=http://b#3\n"
                  "+Home#4\n  c=http://c#5\nd=http://d#6\n",
                  "+New\n  +Inner\n    z=http://z\n+Work\n  a=http://a\n  b=http://b\n+Home\n  "
                  "c=http://c\nd=http://d\n",
                  0, 3, 0},
        MergeCase{
            "BothMakeTheSameChange", kBase,
            "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Work#1\n  A2=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 0, 0, 0},
        MergeCase{"BothAddTheSameFolderAndLink", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n+New\n  "
                  "n=http://n\n",
                  "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n"
                  "+New#8\n  n=http://n#9\n",
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n+New\n  "
                  "n=http://n\n",
                  0, 0, 0},
        MergeCase{
            "ServerSeparatorsStayWhereTheyWere", kBase,
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\nd=http://d\n",
            "+Work#1\n  a=http://a#2\n  -#20\n  b=http://b#3\n+Home#4\n  c=http://c#5\n-#21\n"
            "d=http://d#6\n",
            "+Work\n  a=http://a\n  -\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\n-\n"
            "d=http://d\n",
            1, 0, 0},
        MergeCase{"SeparatorsOfTheStateAreNotDeletedByTheTree",
                  "+Work#1\n  a=http://a#2\n  -#20\n  b=http://b#3\n",
                  "+Work\n  a=http://a\n  B=http://b\n",
                  "+Work#1\n  a=http://a#2\n  -#20\n  b=http://b#3\n",
                  "+Work\n  a=http://a\n  -\n  B=http://b\n", 1, 0, 0},
        MergeCase{"EachSideChangesAnotherEntry", kBase,
                  "+Work\n  a=http://a\n+Home\n  c=http://c\nd=http://d2\n",
                  "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  C2=http://c#5\n  "
                  "e=http://e#7\nd=http://d#6\n",
                  "+Work\n  a=http://a\n+Home\n  C2=http://c\n  e=http://e\nd=http://d2\n", 2, 2,
                  0}),
    caseName);

// Both sides changed the same entry: the server's stays in place, ours beside it, marked.
INSTANTIATE_TEST_SUITE_P(
    Conflicts, SnapshotMergeTest,
    ::testing::Values(
        MergeCase{
            "BothRenameOursLocal", kBase,
            "+Work\n  Ours=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Work#1\n  Theirs=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  Theirs=http://a\n  Ours（本机）=http://a\n  b=http://b\n+Home\n  "
            "c=http://c\nd=http://d\n",
            1, 2, 1},
        MergeCase{
            "BothRenameTheirsLocal", kBase,
            "+Work\n  Theirs=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Work#1\n  Ours=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  Ours=http://a\n  Theirs（本机）=http://a\n  b=http://b\n+Home\n  "
            "c=http://c\nd=http://d\n",
            1, 2, 1},
        MergeCase{
            "BothChangeAddress", kBase,
            "+Work\n  a=http://ours\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Work#1\n  a=http://theirs#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  a=http://theirs\n  a（本机）=http://ours\n  b=http://b\n+Home\n  "
            "c=http://c\nd=http://d\n",
            1, 2, 1},
        MergeCase{
            "BothMoveLinkElsewhere", kBase,
            "+Work\n  a=http://a\n  b=http://b\n  d=http://d\n+Home\n  c=http://c\n",
            "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\n  d=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n  d（本机）=http://d\n+Home\n  c=http://c\n  "
            "d=http://d\n",
            1, 2, 1},
        MergeCase{
            "BothRenameFolder", kBase,
            "+Ours\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Theirs#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Theirs\n  a=http://a\n  b=http://b\n+Ours（本机）\n+Home\n  c=http://c\nd=http://d\n",
            1, 2, 1}),
    caseName);

// Deleted on one side, changed on the other: kept, nothing lost.
INSTANTIATE_TEST_SUITE_P(
    DeletedAndChanged, SnapshotMergeTest,
    ::testing::Values(
        MergeCase{
            "LocalDeletesServerRenames", kBase,
            "+Work\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
            "+Work#1\n  A2=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
            "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 0, 1, 0},
        MergeCase{"ServerDeletesLocalRenames", kBase,
                  "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n",
                  "+Work#1\n  b=http://b#3\n+Home#4\n  c=http://c#5\nd=http://d#6\n",
                  "+Work\n  A2=http://a\n  b=http://b\n+Home\n  c=http://c\nd=http://d\n", 1, 0, 0},
        MergeCase{"LocalDeletesFolderServerAddsInside", kBase,
                  "+Work\n  a=http://a\n  b=http://b\nd=http://d\n",
                  "+Work#1\n  a=http://a#2\n  b=http://b#3\n+Home#4\n  c=http://c#5\n  "
                  "e=http://e#7\nd=http://d#6\n",
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  e=http://e\nd=http://d\n", 1, 2, 0},
        MergeCase{
            "ServerDeletesFolderLocalAddsInside", kBase,
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  e=http://e\nd=http://d\n",
            "+Work#1\n  a=http://a#2\n  b=http://b#3\nd=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n+Home\n  e=http://e\nd=http://d\n", 2, 1, 0},
        MergeCase{"LocalMovesIntoFolderServerDeletes", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  c=http://c\n  d=http://d\n",
                  "+Work#1\n  a=http://a#2\n  b=http://b#3\nd=http://d#6\n",
                  "+Work\n  a=http://a\n  b=http://b\n+Home\n  d=http://d\n", 2, 1, 0}),
    caseName);

// Each side moved one folder into the other: the server's move holds, no folder is lost.
INSTANTIATE_TEST_SUITE_P(
    CrossedMoves, SnapshotMergeTest,
    ::testing::Values(
        MergeCase{"OursHomeIntoWork", kBase,
                  "+Work\n  a=http://a\n  b=http://b\n  +Home\n    c=http://c\nd=http://d\n",
                  "+Home#4\n  c=http://c#5\n  +Work#1\n    a=http://a#2\n    "
                  "b=http://b#3\nd=http://d#6\n",
                  "+Home\n  c=http://c\n  +Work\n    a=http://a\n    b=http://b\nd=http://d\n", 0,
                  2, 0},
        MergeCase{
            "OursWorkIntoHome", kBase,
            "+Home\n  c=http://c\n  +Work\n    a=http://a\n    b=http://b\nd=http://d\n",
            "+Work#1\n  a=http://a#2\n  b=http://b#3\n  +Home#4\n    c=http://c#5\nd=http://d#6\n",
            "+Work\n  a=http://a\n  b=http://b\n  +Home\n    c=http://c\nd=http://d\n", 0, 2, 0}),
    caseName);

// A first sync has no state: the union, the same entry in the same folder once.
INSTANTIATE_TEST_SUITE_P(
    FirstSync, SnapshotMergeTest,
    ::testing::Values(MergeCase{"SameOnBothSides", nullptr, kSame, kBase, kSame, 0, 0, 0},
                      MergeCase{"EachSideHasMore", nullptr,
                                "+Work\n  a=http://a\n  x=http://x\ny=http://y\n",
                                "+Work#1\n  a=http://a#2\n  b=http://b#3\n",
                                "+Work\n  a=http://a\n  x=http://x\n  b=http://b\ny=http://y\n", 2,
                                1, 0},
                      MergeCase{"ServerHasMore", nullptr, "+Work\n  a=http://a\n",
                                "+Work#1\n  a=http://a#2\n  b=http://b#3\n",
                                "+Work\n  a=http://a\n  b=http://b\n", 0, 1, 0},
                      MergeCase{"SameTitleOtherAddressIsTwo", nullptr, "+Work\n  a=http://ours\n",
                                "+Work#1\n  a=http://theirs#2\n",
                                "+Work\n  a=http://ours\n  a=http://theirs\n", 1, 1, 0},
                      MergeCase{"EmptyServerFile", nullptr, kSame, "", kSame, 6, 0, 0},
                      MergeCase{"EmptyTree", nullptr, "", kBase, kSame, 0, 6, 0}),
    caseName);

}  // namespace
}  // namespace brivanta::sync
