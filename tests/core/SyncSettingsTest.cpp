// What the desktop keeps of a user's sync: the settings in the profile, the folder by path,
// and the places of the sync's files.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "core/app/Profile.h"
#include "core/app/Storage.h"
#include "core/app/SyncPlaces.h"
#include "core/app/SyncSettings.h"
#include "core/formats/FileStreams.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

using testing::TempDir;

struct PathCase {
    const char* what;
    std::vector<std::string> labels;
    std::string line;
};

class FolderPathLine : public ::testing::TestWithParam<PathCase> {};

TEST_P(FolderPathLine, JoinsAndSplitsBack) {
    const PathCase& c = GetParam();
    EXPECT_EQ(joinFolderPath(c.labels), c.line);
    EXPECT_EQ(splitFolderPath(c.line), c.labels);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderPathLine,
    ::testing::Values(PathCase{"whole_tree", {}, ""}, PathCase{"one", {"工作"}, "/工作"},
                      PathCase{"nested", {"工作", "项目"}, "/工作/项目"},
                      // A folder named "" is still a folder, not the whole tree.
                      PathCase{"empty_label", {""}, "/"},
                      PathCase{"empty_inside", {"a", "", "b"}, "/a//b"},
                      PathCase{"slash_in_label", {"A/B", "c"}, "/A\\/B/c"},
                      PathCase{"backslash_in_label", {"C:\\", "d"}, "/C:\\\\/d"}),
    [](const ::testing::TestParamInfo<PathCase>& row) { return std::string(row.param.what); });

TEST(FolderPathLine, ALineNotStartingWithSlashIsTheWholeTree) {
    EXPECT_TRUE(splitFolderPath("工作").empty());
    // A lone escape at the end stays a character.
    EXPECT_EQ(splitFolderPath("/a\\"), std::vector<std::string>{"a\\"});
}

TEST(SyncProfile, RoundTripsPerUserWithoutAPassword) {
    MemorySettingsStore store;
    Profile profile(store);
    const std::string zhang = text::gbk("张三");
    SyncSettings settings;
    settings.serverUrl = "https://dav.example.cn/remote.php/dav/files/张三/";
    settings.fileName = "书签.xbel";
    settings.user = "张三";
    settings.caFile = "/etc/ssl/我的.pem";
    settings.treeKind = kRecommendedTree;
    // "乗" has 0x5C ("\\") as its second GBK byte, "/" lives inside a label.
    settings.folder = {text::gbk("乗车"), text::gbk("A/B")};
    settings.intervalMinutes = 15;
    profile.setSyncSettings(zhang, settings);
    EXPECT_EQ(profile.syncSettings(zhang), settings);
    // Another user has none of it.
    EXPECT_EQ(profile.syncSettings("a"), SyncSettings{});
    // Stored as UTF-8 text people can read.
    EXPECT_EQ(store.value("Sync/d5c5c8fd/Folder"), "/乗车/A\\/B");
    for (const auto& [key, value] : store.values())
        EXPECT_EQ(key.find("Password"), std::string::npos) << key;
    // Cleared fields go; the file name falls back to its default.
    profile.setSyncSettings(zhang, SyncSettings{});
    EXPECT_EQ(profile.syncSettings(zhang), SyncSettings{});
    EXPECT_FALSE(store.value("Sync/d5c5c8fd/Server"));
}

TEST(SyncProfile, ValuesOutOfRangeReadAsDefaults) {
    MemorySettingsStore store;
    Profile profile(store);
    for (const char* interval : {"-5", "100000", "ten", ""}) {
        store.setValue("Sync/61/Interval", interval);
        EXPECT_EQ(profile.syncSettings("a").intervalMinutes, 0) << interval;
    }
    store.setValue("Sync/61/Interval", " 45 ");
    EXPECT_EQ(profile.syncSettings("a").intervalMinutes, 45);
    store.setValue("Sync/61/Tree", "addressbook");
    EXPECT_EQ(profile.syncSettings("a").treeKind, kCustomTree);
    store.setValue("Sync/61/File", "   ");
    EXPECT_EQ(profile.syncSettings("a").fileName, "bookmarks.xbel");
}

class SyncFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        work_ = tree_.InsertNode({text::gbk("工作"), "", ""});
        project_ = tree_.InsertNode({text::gbk("项目"), "", ""}, work_);
        tree_.InsertNode({"site", "https://example.com/", ""}, project_);
        // A link of the same name as a folder comes first: it is no folder to sync.
        tree_.InsertNode({"dup", "https://example.com/dup", ""});
        dup_ = tree_.InsertNode({"dup", "", ""});
    }
    BookmarkTree tree_{kCustomTree};
    ItemId work_ = kNoItem, project_ = kNoItem, dup_ = kNoItem;
};

TEST_F(SyncFolders, FoundByTheirLabelsFromTheTop) {
    EXPECT_EQ(findSyncFolder(tree_, {}), kNoItem);
    EXPECT_EQ(findSyncFolder(tree_, {text::gbk("工作")}), work_);
    EXPECT_EQ(findSyncFolder(tree_, {text::gbk("工作"), text::gbk("项目")}), project_);
    EXPECT_EQ(findSyncFolder(tree_, {"dup"}), dup_);
    EXPECT_FALSE(findSyncFolder(tree_, {text::gbk("项目")}));
    EXPECT_FALSE(findSyncFolder(tree_, {text::gbk("工作"), text::gbk("项目"), "site"}));
}

TEST_F(SyncFolders, ListedInOrderUpToTheLimit) {
    const std::vector<std::vector<std::string>> all = {
        {text::gbk("工作")}, {text::gbk("工作"), text::gbk("项目")}, {"dup"}};
    EXPECT_EQ(folderPaths(tree_, 100), all);
    EXPECT_EQ(folderPaths(tree_, 2), std::vector(all.begin(), all.begin() + 2));
    // Every path listed leads back to its folder.
    for (const auto& path : all)
        EXPECT_TRUE(findSyncFolder(tree_, path));
}

TEST(SyncPlaces, EachUserSyncsTheSharedTreeApart) {
    TempDir dir;
    Storage storage(dir.path());
    const std::string custom = syncTreeFile(storage, "alice", kCustomTree);
    EXPECT_EQ(custom, storage.customTree("alice"));
    const std::string alice = syncTreeFile(storage, "alice", kRecommendedTree);
    const std::string bob = syncTreeFile(storage, "bob", kRecommendedTree);
    EXPECT_NE(alice, bob);
    EXPECT_NE(alice, storage.recommendedTree());
    EXPECT_EQ(directoryOf(alice), storage.dataDirectory());
    // A name that gives no file gives no place either, not one beside the working directory.
    EXPECT_EQ(syncTreeFile(storage, "", kRecommendedTree), "");
    EXPECT_EQ(syncTreeFile(storage, "", kCustomTree), "");
}

}  // namespace
}  // namespace brivanta
