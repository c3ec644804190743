#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "FailingSink.h"
#include "TempDir.h"
#include "core/app/LoginSession.h"
#include "core/formats/FileLock.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

UserAccount alice() {
    UserAccount account;
    account.name = "alice";
    account.password = "pw";
    return account;
}

// A file's bytes and inode: a save renames a new file in, so a rewrite shows even when the
// bytes come out the same.
struct FileMark {
    std::string bytes;
    ino_t inode = 0;
    bool operator==(const FileMark&) const = default;
};

FileMark markOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    FileMark mark;
    readWholeFile(path, mark.bytes);
    mark.inode = st.st_ino;
    return mark;
}

void writeTree(const std::string& path, int kind, std::initializer_list<NodeRecord> top) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    BookmarkTree tree(kind);
    for (const NodeRecord& record : top)
        tree.InsertNode(record);
    ASSERT_FALSE(saveArchiveFile(tree, path).failed());
}

// A program directory with the three files of alice, two entries each.
class LoginFiles {
  public:
    LoginFiles() {
        writeTree(storage.customTree("alice"), kCustomTree,
                  {{"c1", "http://c1/", ""}, {"c2", "", ""}});
        writeTree(storage.addressBook("alice"), kAddressBookTree,
                  {{"a1", "", "男"}, {"a2", "", "女"}});
        writeTree(storage.recommendedTree(), kRecommendedTree,
                  {{"r1", "http://r1/", ""}, {"r2", "", ""}});
    }
    testing::TempDir dir;
    Storage storage{dir.path()};
};

enum class Change { none, folderOpened, addedAndRemoved, added, renamed };

struct CloseCase {
    const char* what;
    int tree;
    Change change;
    bool written;
};

class SaveAtClose : public ::testing::TestWithParam<CloseCase> {};

TEST_P(SaveAtClose, WritesOnlyTheTreesThatChanged) {
    const CloseCase& c = GetParam();
    LoginFiles files;
    const int kinds[] = {kCustomTree, kAddressBookTree, kRecommendedTree};
    LoginSession login(files.storage);
    ASSERT_EQ(login.logIn(alice()), UserSessionLock::Outcome::Held);
    EXPECT_TRUE(login.openTrees().empty());
    std::vector<FileMark> before;
    for (int kind : kinds)
        before.push_back(markOf(login.treeFile(kind)));

    BookmarkTree& tree = login.tree(c.tree);
    ASSERT_EQ(tree.size(), 2u);
    const ItemId folder = tree.child(kNoItem, 1);
    switch (c.change) {
        case Change::none:
            break;
        case Change::folderOpened:
            tree.setExpanded(folder, true);
            break;
        case Change::addedAndRemoved:
            tree.DeleteNode(tree.InsertNode({"x", "http://x/", ""}, folder));
            break;
        case Change::added:
            tree.InsertNode({"x", "http://x/", ""}, folder);
            break;
        case Change::renamed:
            // The file holds the label, which a rename sets with the record.
            tree.SetRecord(folder, {"renamed", "", tree.LookupRecord(folder)->tag});
            tree.setLabel(folder, "renamed");
            break;
    }
    EXPECT_EQ(login.hasChanged(c.tree), c.written);
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), c.written ? 1u : 0u);
    if (c.written) {
        EXPECT_EQ(saved[0].treeKind, c.tree);
        EXPECT_TRUE(saved[0].written);
        EXPECT_FALSE(saved[0].failed());
        EXPECT_EQ(saved[0].message(), "");
    }
    for (size_t i = 0; i < 3; ++i) {
        bool rewritten = !(markOf(login.treeFile(kinds[i])) == before[i]);
        EXPECT_EQ(rewritten, c.written && kinds[i] == c.tree) << login.treeFile(kinds[i]);
    }
    // Once written it is unchanged again: a second close writes nothing.
    EXPECT_FALSE(login.hasChanged(c.tree));
    EXPECT_TRUE(login.saveChanged().empty());
    // What was written is what the tree holds.
    BookmarkTree reread(c.tree);
    ASSERT_TRUE(loadArchiveFile(reread, login.treeFile(c.tree)));
    EXPECT_EQ(reread.size(), tree.size());
    EXPECT_EQ(reread.LookupRecord(reread.child(kNoItem, 1))->name, tree.LookupRecord(folder)->name);
}

std::vector<CloseCase> closeCases() {
    std::vector<CloseCase> cases;
    for (int tree : {kCustomTree, kAddressBookTree, kRecommendedTree}) {
        cases.push_back({"nothing", tree, Change::none, false});
        cases.push_back({"a folder opened", tree, Change::folderOpened, false});
        cases.push_back({"added and removed", tree, Change::addedAndRemoved, false});
        cases.push_back({"an entry added", tree, Change::added, true});
        cases.push_back({"a name changed", tree, Change::renamed, true});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, SaveAtClose, ::testing::ValuesIn(closeCases()),
                         [](const ::testing::TestParamInfo<CloseCase>& row) {
                             return "case" + std::to_string(row.index);
                         });

// Cut inside the last record: the first records load, the rest is only in the file.
std::string damage(const std::string& path) {
    std::string bytes;
    readWholeFile(path, bytes);
    bytes.resize(bytes.size() - 3);
    AtomicFileSink sink;
    sink.open(path);
    sink.write(bytes.data(), bytes.size());
    sink.commit();
    return bytes;
}

TEST(LoginSession, APartlyReadFileIsKeptBeforeTheFirstSaveOverIt) {
    for (int kind : {kCustomTree, kAddressBookTree, kRecommendedTree}) {
        SCOPED_TRACE(kind);
        LoginFiles files;
        const std::string path = files.storage.treeFile(kind, "alice");
        const std::string damaged = damage(path);
        LoginSession login(files.storage);
        login.logIn(alice());
        std::vector<TreeLoad> partial = login.openTrees();
        ASSERT_EQ(partial.size(), 1u);
        EXPECT_EQ(partial[0].treeKind, kind);
        EXPECT_EQ(partial[0].entries, 1u);
        EXPECT_NE(partial[0].message().find(path + ".damaged"), std::string::npos);
        EXPECT_TRUE(login.isPartial(kind));

        // Unchanged: never written, so nothing is lost and nothing is copied.
        EXPECT_TRUE(login.saveChanged().empty());
        EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));

        login.tree(kind).InsertNode({"new", "http://new/", ""});
        std::vector<TreeSave> saved = login.saveChanged();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_TRUE(saved[0].written);
        EXPECT_EQ(saved[0].damagedCopy, path + ".damaged");
        EXPECT_NE(saved[0].message().find(path + ".damaged"), std::string::npos);
        EXPECT_EQ(markOf(path + ".damaged").bytes, damaged);
        EXPECT_FALSE(login.isPartial(kind));

        // The file is whole now: later saves keep no further copy.
        login.tree(kind).InsertNode({"more", "http://more/", ""});
        saved = login.saveChanged();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].damagedCopy, "");
        EXPECT_FALSE(std::filesystem::exists(path + ".damaged.1"));
    }
}

TEST(LoginSession, AFailedSaveLeavesTheFileAndIsTriedAgain) {
    LoginFiles files;
    LoginSession login(files.storage);
    login.logIn(alice());
    login.openTrees();
    const std::string path = login.treeFile(kCustomTree);
    const FileMark before = markOf(path);
    login.customTree().InsertNode({"new", "http://new/", ""});
    login.setSaveFilter(testing::failAfter(5));
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(saved[0].failed());
    EXPECT_NE(saved[0].message().find(path), std::string::npos);
    EXPECT_EQ(markOf(path), before);
    EXPECT_TRUE(login.hasChanged(kCustomTree));

    login.setSaveFilter({});
    saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_FALSE(saved[0].failed());
    BookmarkTree reread(kCustomTree);
    ASSERT_TRUE(loadArchiveFile(reread, path));
    EXPECT_EQ(reread.size(), 3u);
}

TEST(LoginSession, ANewUsersFilesGoIntoADataFolderMadeForThem) {
    testing::TempDir dir;
    Storage storage(dir.path());
    LoginSession login(storage);
    login.logIn(alice());
    EXPECT_TRUE(login.openTrees().empty());
    EXPECT_TRUE(login.saveChanged().empty());
    EXPECT_FALSE(std::filesystem::exists(storage.dataDirectory()));
    login.addressBookTree().InsertNode({"bob", "", "男"});
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_FALSE(saved[0].failed()) << saved[0].message();
    BookmarkTree reread(kAddressBookTree);
    ASSERT_TRUE(loadArchiveFile(reread, storage.addressBook("alice")));
    EXPECT_EQ(reread.LookupRecord(reread.firstChild(kNoItem))->tag, "男");
    EXPECT_FALSE(std::filesystem::exists(storage.customTree("alice")));
}

TEST(LoginSession, TheSharedTreeIsSavedUnderItsLock) {
    LoginFiles files;
    LoginSession login(files.storage);
    login.logIn(alice());
    login.openTrees();
    login.setSharedLockWait(0);
    login.recommendedTree().InsertNode({"r3", "http://r3/", ""});
    const FileMark before = markOf(files.storage.recommendedTree());
    {
        // Another writer (the command line's listener, another login) holds it.
        FileLock other;
        ASSERT_FALSE(other.lock(files.storage.recommendedTree(), 0).failed());
        std::vector<TreeSave> saved = login.saveChanged();
        ASSERT_EQ(saved.size(), 1u);
        EXPECT_EQ(saved[0].error.errorNumber, EWOULDBLOCK);
        EXPECT_EQ(saved[0].message(), FileLock::busyMessage(files.storage.recommendedTree()));
        EXPECT_EQ(markOf(files.storage.recommendedTree()), before);
    }
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_FALSE(saved[0].failed());
}

TEST(LoginSession, ASecondLoginOfTheSameUserIsRefusedAndLoadsNothing) {
    LoginFiles files;
    LoginSession first(files.storage);
    ASSERT_EQ(first.logIn(alice()), UserSessionLock::Outcome::Held);
    EXPECT_TRUE(first.holdsLocks());
    LoginSession second(files.storage);
    EXPECT_EQ(second.logIn(alice()), UserSessionLock::Outcome::InUse);
    EXPECT_FALSE(second.isLoggedIn());
    EXPECT_TRUE(second.openTrees().empty());
    EXPECT_TRUE(second.customTree().empty());
    second.customTree().InsertNode({"x", "http://x/", ""});
    EXPECT_TRUE(second.saveChanged().empty());
    EXPECT_TRUE(second.save(kCustomTree).failed());
}

}  // namespace
}  // namespace brivanta
