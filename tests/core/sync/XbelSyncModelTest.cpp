// XBEL files as the sync reads and writes them: Floccus's ids and highestId kept, hostile
// ids made harmless, damaged files refused.

#include <gtest/gtest.h>

#include <set>

#include "SyncOutline.h"
#include "core/sync/SnapshotMerge.h"
#include "core/sync/XbelSyncModel.h"

namespace brivanta::sync {
namespace {

using testing::modelOf;
using testing::outlineOf;

TEST(XbelSyncModel, KeepsIdsTitlesAndAddressesThroughAWriteAndARead) {
    SyncModel model = modelOf(
        "+工作 <&>#12\n  维基=https://w.example/?a=1&b=\"2\"#17\n  +空#19\n"
        "-#41\n新闻=https://n.example#40\n");
    model.entries[1].desc = "团队的 <维基> & 说明";
    model.highestId = 55;
    const std::string bytes = writeXbelModel(model, "https://dav.example/u/bookmarks.xbel");
    EXPECT_NE(bytes.find("<!--- highestId :55: for Floccus"), std::string::npos);
    XbelModelRead read = readXbelModel(bytes);
    ASSERT_EQ(read.failure, "");
    EXPECT_EQ(read.note, "https://dav.example/u/bookmarks.xbel");
    EXPECT_EQ(read.model.highestId, 55u);
    ASSERT_EQ(read.model.entries.size(), model.entries.size());
    read.model.entries[3].id = 41;  // a separator has no id in the file
    EXPECT_TRUE(read.model.sameTree(model)) << outlineOf(read.model);
    EXPECT_EQ(read.model.entries[1].desc, "团队的 <维基> & 说明");
}

struct IdCase {
    const char* name;
    const char* body;  // inside <xbel>
    const char* outline;
    SyncId highest;
};

class XbelSyncIds : public ::testing::TestWithParam<IdCase> {};

TEST_P(XbelSyncIds, StayUniqueAndBelowHighest) {
    const IdCase& c = GetParam();
    XbelModelRead read = readXbelModel(
        std::string("<?xml version=\"1.0\"?><xbel version=\"1.0\">") + c.body + "</xbel>");
    ASSERT_EQ(read.failure, "");
    EXPECT_EQ(outlineOf(read.model), c.outline);
    EXPECT_EQ(read.model.highestId, c.highest);
    std::set<SyncId> ids;
    for (const SyncEntry& e : read.model.entries) {
        EXPECT_TRUE(ids.insert(e.id).second) << e.id;
        EXPECT_TRUE(e.separator || e.id <= read.model.highestId) << e.id;
        EXPECT_NE(e.id, kSyncRoot);
    }
    // Children name their folder by its final id.
    auto index = read.model.indexById();
    for (const SyncEntry& e : read.model.entries) {
        if (e.parent != kSyncRoot) {
            ASSERT_TRUE(index.count(e.parent)) << e.parent;
            EXPECT_TRUE(read.model.entries[index[e.parent]].folder);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, XbelSyncIds,
    ::testing::Values(
        IdCase{"HighestIdComment",
               "<!--- highestId :90: for Floccus -->"
               "<bookmark href=\"h\" id=\"3\"><title>a</title></bookmark>",
               "a=h\n", 90},
        IdCase{"WithoutIdsAsKdeWritesThem",
               "<folder><title>f</title><bookmark href=\"h\"><title>a</title></bookmark></folder>",
               "+f\n  a=h\n", 2},
        IdCase{"DuplicateIdsGetNewOnes",
               "<folder id=\"5\"><title>f</title><bookmark href=\"h\" id=\"5\"><title>a</title>"
               "</bookmark><folder id=\"5\"><title>g</title><bookmark href=\"i\" id=\"6\">"
               "<title>b</title></bookmark></folder></folder>",
               "+f\n  a=h\n  +g\n    b=i\n", 8},
        IdCase{"NonsenseIds",
               "<bookmark href=\"h\" id=\"-1\"><title>a</title></bookmark>"
               "<bookmark href=\"i\" id=\"0\"><title>b</title></bookmark>"
               "<bookmark href=\"j\" id=\"7x\"><title>c</title></bookmark>",
               "a=h\nb=i\nc=j\n", 3},
        IdCase{"HugeIdsAndHighestIdDoNotWrap",
               "<!--- highestId :18446744073709551615: x -->"
               "<bookmark href=\"h\" id=\"18446744073709551614\"><title>a</title></bookmark>"
               "<bookmark href=\"i\" id=\"4\"><title>b</title></bookmark>",
               "a=h\nb=i\n", 5},
        IdCase{"SeparatorsGetIdsOfTheirOwn",
               "<folder id=\"1\"><title>f</title><desc>d</desc><separator/><info/>"
               "<bookmark href=\"h\" id=\"2\"><title>a</title><desc>x</desc></bookmark></folder>",
               "+f\n  -\n  a=h\n", 2}),
    [](const ::testing::TestParamInfo<IdCase>& row) { return std::string(row.param.name); });

struct DamagedCase {
    const char* name;
    std::string bytes;
    const char* said;
};

class XbelSyncDamaged : public ::testing::TestWithParam<DamagedCase> {};

TEST_P(XbelSyncDamaged, IsRefusedWithAReason) {
    XbelModelRead read = readXbelModel(GetParam().bytes);
    EXPECT_NE(read.failure.find(GetParam().said), std::string::npos) << read.failure;
    EXPECT_TRUE(read.model.entries.empty());
}

std::string deepFolders(int depth) {
    std::string s = "<xbel>";
    for (int i = 0; i < depth; ++i)
        s += "<folder><title>f</title>";
    for (int i = 0; i < depth; ++i)
        s += "</folder>";
    return s + "</xbel>";
}

INSTANTIATE_TEST_SUITE_P(
    Files, XbelSyncDamaged,
    ::testing::Values(DamagedCase{"Empty", "", "没有 XML 元素"},
                      DamagedCase{"Cut", "<xbel><folder id=\"1\"><title>a", "不是完整的 XML"},
                      DamagedCase{"NotXbel", "<html><body/></html>", "根元素是 <html>"},
                      DamagedCase{"TooDeep", deepFolders(kMaxSyncDepth + 2), "嵌套太深"}),
    [](const ::testing::TestParamInfo<DamagedCase>& row) { return std::string(row.param.name); });

TEST(XbelSyncModel, NestingUpToTheLimitIsRead) {
    XbelModelRead read = readXbelModel(deepFolders(kMaxSyncDepth));
    EXPECT_EQ(read.failure, "");
    EXPECT_EQ(read.model.entries.size(), static_cast<size_t>(kMaxSyncDepth));
}

}  // namespace
}  // namespace brivanta::sync

namespace brivanta::sync {
namespace {

// A bookmark without an address would be a folder in the tree; it stays the server's alone.
TEST(XbelSyncModel, ABookmarkWithoutAddressPassesThroughASync) {
    const std::string file =
        "<xbel><folder id=\"1\"><title>f</title>"
        "<bookmark id=\"2\"><title>no address</title></bookmark>"
        "<bookmark href=\"http://a\" id=\"3\"><title>a</title></bookmark>"
        "</folder></xbel>";
    XbelModelRead read = readXbelModel(file);
    ASSERT_EQ(read.failure, "");
    ASSERT_EQ(read.model.entries.size(), 3u);
    EXPECT_TRUE(read.model.entries[1].serverOnly);
    // The tree has the folder and the link only, and renamed the link.
    SnapshotMerge merge =
        mergeSnapshot(testing::snapshotOf("+f\n  A=http://a\n"), &read.model, read.model);
    EXPECT_EQ(outlineOf(merge.outcome.merged), "+f\n  no address=\n  A=http://a\n");
    EXPECT_FALSE(merge.localChanged);  // nothing new for the tree
    EXPECT_EQ(merge.outcome.counts.toRemote, 1u);
    EXPECT_EQ(merge.outcome.counts.toLocal, 0u);
    EXPECT_NE(writeXbelModel(merge.outcome.merged).find("<title>no address</title>"),
              std::string::npos);
}

}  // namespace
}  // namespace brivanta::sync
