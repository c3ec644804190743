// A user name read from a hand-edited "Users.ini" that the new-user rules refuse never
// becomes a path: not for loading, saving or locking the user's files, and not at login.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "TempDir.h"
#include "core/accounts/AccountChecks.h"
#include "core/accounts/AccountTable.h"
#include "core/app/Storage.h"
#include "core/app/UserSessionLock.h"
#include "core/formats/FileLock.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

// Every path below `root`, directories included.
std::set<std::string> everything(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.insert(entry.path().string());
    return paths;
}

class UnusableUserName : public ::testing::TestWithParam<const char*> {};

TEST_P(UnusableUserName, NamesNoFileAndCannotLogIn) {
    const std::string name = GetParam();
    testing::TempDir dir;
    // Deep enough that "../../x" from "Data" would still land inside `dir`.
    const std::string root = dir.file("a/b/home");
    fs::create_directories(root + "/Data");
    const Storage storage(root);
    const std::set<std::string> before = everything(dir.path());

    EXPECT_EQ(storage.customTree(name), "");
    EXPECT_EQ(storage.addressBook(name), "");
    EXPECT_EQ(storage.treeFile(kCustomTree, name), "");

    BookmarkTree tree;
    tree.InsertNode({"entry", "http://e/", ""});
    FileError saved = saveArchiveFile(tree, storage.customTree(name));
    EXPECT_EQ(saved.errorNumber, ENOENT);
    BookmarkTree loaded;
    EXPECT_FALSE(loadArchiveFile(loaded, storage.addressBook(name)));
    UserSessionLock session;
    EXPECT_EQ(session.acquire(storage, name), UserSessionLock::Outcome::Unlockable);
    EXPECT_FALSE(session.isHeld());
    EXPECT_EQ(everything(dir.path()), before);

    AccountTable table;
    UserAccount stored;
    stored.name = name;
    stored.passwordSum = passwordSum("pw");
    table.set(stored);
    UserAccount account;
    EXPECT_EQ(checkLogin(table, name, "pw", account), LoginOutcome::UnusableName);
    EXPECT_TRUE(account.name.empty());
}

INSTANTIATE_TEST_SUITE_P(Names, UnusableUserName,
                         ::testing::Values("../../x", "/", "..", ".", "a/b", "a\\b", "/etc/passwd",
                                           "\x1b[31mred", "tab\there", "line\nbreak", "cr\r",
                                           "del\x7f", "\xFF\xFF"));

TEST(UserNamePaths, AUsableNameStillNamesItsFiles) {
    testing::TempDir dir;
    const Storage storage(dir.path());
    const std::string root = storage.dataRoot();
    EXPECT_EQ(storage.customTree("alice"), root + "/Data/alice.bvk");
    EXPECT_EQ(storage.addressBook("alice"), root + "/Data/alice.ads");
    AccountTable table;
    UserAccount stored;
    stored.name = "alice";
    stored.passwordSum = passwordSum("pw");
    table.set(stored);
    UserAccount account;
    EXPECT_EQ(checkLogin(table, "alice", "pw", account), LoginOutcome::Accepted);
    // Names that make safe paths but that the new-user rules refuse do not log in either.
    for (const std::string& refused : {std::string("Users.ini"), std::string(300, 'a')}) {
        stored.name = refused;
        table.set(stored);
        EXPECT_EQ(checkLogin(table, refused, "pw", account), LoginOutcome::UnusableName);
    }
}

// The hidden entries of the working directory, where lock and temporary files would go.
std::set<std::string> hiddenHere() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator("."))
        if (entry.path().filename().string().starts_with("."))
            names.insert(entry.path().filename().string());
    return names;
}

TEST(UserNamePaths, TheEmptyPathIsNoFileForSavesAndLocks) {
    // A refused place must not fall back on the working directory.
    const std::set<std::string> before = hiddenHere();
    BookmarkTree tree;
    tree.InsertNode({"entry", "http://e/", ""});
    EXPECT_EQ(saveArchiveFile(tree, "").errorNumber, ENOENT);
    FileLock lock;
    EXPECT_EQ(lock.lock("", 0).errorNumber, ENOENT);
    EXPECT_EQ(hiddenHere(), before);
}

}  // namespace
}  // namespace brivanta
