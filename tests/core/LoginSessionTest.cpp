#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "FailingSink.h"
#include "TempDir.h"
#include "core/app/LoginSession.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/ByteStream.h"
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

// Changes kept by the caller, as the desktop's undo histories keep them.
class KeptChanges : public TreeChanges {
  public:
    bool isModified(int kind) const override { return modified.count(kind) != 0; }
    void markSaved(int kind) override {
        modified.erase(kind);
        ++saves[kind];
    }
    std::set<int> modified;
    std::map<int, int> saves;
};

TEST(LoginSession, ChangesKeptByTheCallerDecideWhatIsWritten) {
    LoginFiles files;
    KeptChanges changes;
    LoginSession login(files.storage);
    login.setTreeChanges(&changes);
    ASSERT_EQ(login.logIn(alice()), UserSessionLock::Outcome::Held);
    EXPECT_TRUE(login.openTrees().empty());
    // What was read is what the files hold.
    for (int kind : {kCustomTree, kAddressBookTree, kRecommendedTree})
        EXPECT_EQ(changes.saves[kind], 1) << kind;
    const FileMark custom = markOf(login.treeFile(kCustomTree));
    const FileMark shared = markOf(login.treeFile(kRecommendedTree));

    // A change the caller knows of is written, and the caller hears it was.
    login.recommendedTree().InsertNode({"r3", "http://r3/", ""});
    changes.modified.insert(kRecommendedTree);
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].treeKind, kRecommendedTree);
    EXPECT_TRUE(saved[0].written);
    EXPECT_EQ(changes.saves[kRecommendedTree], 2);
    EXPECT_FALSE(markOf(login.treeFile(kRecommendedTree)) == shared);
    // The caller's word counts, not the archive: a tree it calls unchanged stays unwritten.
    login.customTree().InsertNode({"c3", "", ""});
    EXPECT_FALSE(login.hasChanged(kCustomTree));
    EXPECT_TRUE(login.saveChanged().empty());
    EXPECT_EQ(markOf(login.treeFile(kCustomTree)), custom);
    login.noteWritten(kAddressBookTree);
    EXPECT_EQ(changes.saves[kAddressBookTree], 2);
}

// How another program changes the shared file while the login runs.
enum class Elsewhere { rewritten, appendedInPlace, createdWhereNoneWas };

class SharedFileChangedElsewhere : public ::testing::TestWithParam<Elsewhere> {};

TEST_P(SharedFileChangedElsewhere, IsNeitherOverwrittenNorLost) {
    LoginFiles files;
    const std::string shared = files.storage.recommendedTree();
    if (GetParam() == Elsewhere::createdWhereNoneWas)
        std::filesystem::remove(shared);
    LoginSession login(files.storage);
    ASSERT_EQ(login.logIn(alice()), UserSessionLock::Outcome::Held);
    login.openTrees();
    BookmarkTree& tree = login.recommendedTree();
    tree.InsertNode({"mine", "http://mine/", ""});
    EXPECT_FALSE(login.changedOnDisk(kRecommendedTree));

    // Another program (a listener run from the command line) adds "theirs".
    BookmarkTree other(kRecommendedTree);
    loadArchiveFile(other, shared);
    const ItemId theirs = other.InsertNode({"theirs", "", ""});
    // Written whole, their entry is a folder: what follows it must not end up inside it.
    if (GetParam() != Elsewhere::appendedInPlace)
        other.InsertNode({"inner", "http://inner/", ""}, theirs);
    if (GetParam() == Elsewhere::appendedInPlace) {
        std::string record;
        StringSink sink(record);
        ArchiveWriter writer(sink);
        SerializeTree(other, writer, theirs);
        writer.flush();
        std::FILE* file = std::fopen(shared.c_str(), "ab");
        ASSERT_TRUE(file);
        std::fwrite(record.data(), 1, record.size(), file);
        std::fclose(file);
    } else {
        ASSERT_FALSE(saveArchiveFile(other, shared).failed());
    }
    const FileMark theirFile = markOf(shared);
    EXPECT_TRUE(login.changedOnDisk(kRecommendedTree));

    // Closing does not write over it, and says which file.
    std::vector<TreeSave> saved = login.saveChanged();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(saved[0].changedElsewhere);
    EXPECT_TRUE(saved[0].failed());
    EXPECT_NE(saved[0].message().find(shared), std::string::npos);
    EXPECT_EQ(markOf(shared), theirFile);

    // Merged, the tree holds both sides, theirs first, and then it is written.
    ASSERT_FALSE(login.mergeWithFile(kRecommendedTree).failed());
    std::vector<std::string> names;
    for (ItemId i = tree.firstChild(kNoItem); i != kNoItem; i = tree.nextSibling(i))
        names.push_back(tree.LookupRecord(i)->name);
    std::vector<std::string> expected;
    if (GetParam() != Elsewhere::createdWhereNoneWas)
        expected = {"r1", "r2"};
    expected.push_back("theirs");
    expected.push_back("mine");
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(login.changedOnDisk(kRecommendedTree));
    TreeSave again = login.save(kRecommendedTree);
    EXPECT_TRUE(again.written) << again.message();
    BookmarkTree reread(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(reread, shared));
    EXPECT_EQ(reread.size(), tree.size());
    EXPECT_EQ(reread.childCount(kNoItem), static_cast<int>(expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Ways, SharedFileChangedElsewhere,
                         ::testing::Values(Elsewhere::rewritten, Elsewhere::appendedInPlace,
                                           Elsewhere::createdWhereNoneWas));

TEST(LoginSession, AFileChangedElsewhereIsOverwrittenOnlyOnPurpose) {
    LoginFiles files;
    LoginSession login(files.storage);
    ASSERT_EQ(login.logIn(alice()), UserSessionLock::Outcome::Held);
    login.openTrees();
    login.recommendedTree().InsertNode({"mine", "", ""});
    writeTree(files.storage.recommendedTree(), kRecommendedTree, {{"theirs", "", ""}});
    EXPECT_TRUE(login.save(kRecommendedTree).changedElsewhere);
    TreeSave forced = login.save(kRecommendedTree, true);
    EXPECT_TRUE(forced.written);
    BookmarkTree reread(kRecommendedTree);
    ASSERT_TRUE(loadArchiveFile(reread, files.storage.recommendedTree()));
    EXPECT_EQ(reread.size(), 3u);
    // Written here, the file is ours again: the next change saves without a question.
    login.recommendedTree().InsertNode({"more", "", ""});
    EXPECT_TRUE(login.save(kRecommendedTree).written);
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
