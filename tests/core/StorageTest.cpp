#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "ChildDirectory.h"
#include "TempDir.h"
#include "core/accounts/AccountTable.h"
#include "core/accounts/NewAccount.h"
#include "core/app/Storage.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

namespace fs = std::filesystem;

TEST(AbsolutePath, CleansAndAnchorsPaths) {
    EXPECT_EQ(absolutePath("/a/b/../c/./d//"), "/a/c/d");
    EXPECT_EQ(absolutePath("/.."), "/");
    testing::TempDir dir;
    EXPECT_TRUE(testing::inChildDirectory(dir.path(), [] {
        std::string cwd = fs::current_path().string();
        EXPECT_EQ(absolutePath("home"), cwd + "/home");
        EXPECT_EQ(absolutePath("./home/"), cwd + "/home");
        EXPECT_EQ(absolutePath("../x"), fs::path(cwd).parent_path().string() + "/x");
    }));
}

// A relative program directory is resolved once, when the storage is made; changing the
// working directory afterwards does not move any location.
TEST(Storage, ARelativeRootIsResolvedOnceAtStart) {
    testing::TempDir dir;
    fs::create_directories(dir.file("home/Data"));
    // A process of its own whose working directory moves: the test's own stays put.
    EXPECT_TRUE(testing::inChildDirectory(dir.path(), [&] {
        Storage storage("home");
        std::string root = fs::canonical(dir.file("home")).string();
        EXPECT_EQ(storage.dataRoot(), root);
        EXPECT_EQ(storage.recommendedTree(), root + "/System.bvk");
        EXPECT_EQ(storage.recommendedBackup(), root + "/System.bak");
        EXPECT_EQ(storage.tipsFile(), root + "/tips.txt");
        EXPECT_EQ(storage.helpFile(), root + "/Help/index.htm");
        EXPECT_EQ(storage.accountFile(), root + "/Data/Users.ini");

        // From anywhere else, saving and loading still reach the same files.
        ASSERT_EQ(::chdir("/"), 0);
        BookmarkTree tree(kRecommendedTree);
        tree.InsertNode({"推荐", "http://r.example/", ""});
        ASSERT_FALSE(saveArchiveFile(tree, storage.recommendedTree()).failed());
        EXPECT_TRUE(fs::exists(dir.file("home/System.bvk")));
        BookmarkTree back(kRecommendedTree);
        EXPECT_TRUE(loadArchiveFile(back, storage.recommendedTree()));
        EXPECT_EQ(back.size(), 1u);
    }));
}

TEST(Storage, UserFilesByTreeKindWithUtf8Names) {
    Storage storage("/srv/b", "/usr/share/b");
    std::string user = text::gbk("张三");
    EXPECT_EQ(storage.treeFile(kCustomTree, user), "/srv/b/Data/张三.bvk");
    EXPECT_EQ(storage.treeFile(kAddressBookTree, user), "/srv/b/Data/张三.ads");
    EXPECT_EQ(storage.treeFile(kRecommendedTree, user), "/srv/b/System.bvk");
    EXPECT_EQ(storage.tipsFile(), "/usr/share/b/tips.txt");
}

TEST(Storage, EnsuresTheDataDirectoryAndNamesItWhenItCannot) {
    testing::TempDir dir;
    Storage fresh(dir.file("new-root"));
    EXPECT_FALSE(fresh.ensureDataDirectory().failed());
    EXPECT_TRUE(fs::is_directory(dir.file("new-root/Data")));
    EXPECT_FALSE(fresh.ensureDataDirectory().failed());  // already there

    if (::geteuid() != 0) {  // root writes anywhere
        fs::create_directory(dir.file("locked"));
        ::chmod(dir.file("locked").c_str(), 0555);
        FileError e = Storage(dir.file("locked")).ensureDataDirectory();
        EXPECT_TRUE(e.failed());
        EXPECT_NE(e.writeMessage().find("locked/Data"), std::string::npos);
        ::chmod(dir.file("locked").c_str(), 0755);
    }
}

// Saving through a symbolic link writes the file it points to and keeps the link.
TEST(SavingThroughLinks, WritesTheTargetAndKeepsTheLink) {
    testing::TempDir dir;
    fs::create_directories(dir.file("real"));
    fs::create_directories(dir.file("Data"));
    BookmarkTree old;
    old.InsertNode({"old", "http://old.example/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.file("real/x.bvk")).failed());
    fs::create_symlink("../real/x.bvk", dir.file("Data/x.bvk"));  // relative, as users make them
    fs::create_symlink(dir.file("Data/x.bvk"), dir.file("chain.bvk"));  // a link to a link

    BookmarkTree tree;
    tree.InsertNode({"new", "http://new.example/", ""});
    ASSERT_FALSE(saveArchiveFile(tree, dir.file("chain.bvk")).failed());
    EXPECT_TRUE(fs::is_symlink(dir.file("chain.bvk")));
    EXPECT_TRUE(fs::is_symlink(dir.file("Data/x.bvk")));
    BookmarkTree back;
    ASSERT_TRUE(loadArchiveFile(back, dir.file("real/x.bvk")));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back.LookupRecord(back.child(kNoItem, 0))->name, "new");

    // Nothing is left beside the link or the target.
    for (const char* sub : {"", "/real", "/Data"}) {
        for (auto& e : fs::directory_iterator(dir.path() + sub))
            EXPECT_NE(e.path().filename().string().rfind(".brivanta-save", 0), 0u) << e.path();
    }
}

TEST(SavingThroughLinks, ADanglingLinkIsRefusedNotFollowed) {
    // A link to nothing could make a file wherever it points: it is left as it is.
    testing::TempDir dir;
    fs::create_symlink("target.bvk", dir.file("link.bvk"));
    BookmarkTree tree;
    tree.InsertNode({"a", "b", ""});
    EXPECT_EQ(saveArchiveFile(tree, dir.file("link.bvk")).errorNumber, kNotRegularFile);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.bvk")));
    EXPECT_FALSE(fs::exists(dir.file("target.bvk")));
}

UserAccount account(const std::string& name, const std::string& password) {
    UserAccount a;
    a.name = name;
    a.password = password;
    a.email = name + "@example.cn";
    return a;
}

TEST(NewAccount, CreatesTheFileAndItsDirectory) {
    testing::TempDir dir;
    Storage storage(dir.path());
    UserAccount a = account(" alice ", "pw");
    NewAccountResult r = createAccount(storage.accountFile(), a, "pw");
    ASSERT_TRUE(r.created());
    EXPECT_EQ(a.name, "alice");  // trimmed
    AccountTable table;
    ASSERT_TRUE(table.loadFile(storage.accountFile()));
    ASSERT_NE(table.lookup("alice"), nullptr);
    EXPECT_EQ(table.lookup("alice")->passwordSum, a.passwordSum);
}

TEST(NewAccount, KeepsAccountsAddedByAnotherCopyMeanwhile) {
    testing::TempDir dir;
    Storage storage(dir.path());
    UserAccount a = account("alice", "pw");
    ASSERT_TRUE(createAccount(storage.accountFile(), a, "pw").created());
    // Another copy of the program adds bob after this one read the file.
    AccountTable other;
    ASSERT_TRUE(other.loadFile(storage.accountFile()));
    other.set(account("bob", "x"));
    ASSERT_FALSE(other.saveFile(storage.accountFile()).failed());

    UserAccount c = account("carol", "pw");
    ASSERT_TRUE(createAccount(storage.accountFile(), c, "pw").created());
    AccountTable table;
    ASSERT_TRUE(table.loadFile(storage.accountFile()));
    EXPECT_EQ(table.size(), 3u);
}

TEST(NewAccount, RefusesWithoutTouchingTheFile) {
    testing::TempDir dir;
    Storage storage(dir.path());
    UserAccount a = account("alice", "pw");
    ASSERT_TRUE(createAccount(storage.accountFile(), a, "pw").created());
    std::string before;
    readWholeFile(storage.accountFile(), before);

    UserAccount again = account("alice", "pw");
    EXPECT_EQ(createAccount(storage.accountFile(), again, "pw").outcome,
              NewUserOutcome::NameExists);
    UserAccount collide = account("bob.bvk", "pw");
    EXPECT_EQ(createAccount(storage.accountFile(), collide, "pw").outcome,
              NewUserOutcome::NameTakesFile);
    UserAccount mismatch = account("bob", "pw");
    EXPECT_EQ(createAccount(storage.accountFile(), mismatch, "other").outcome,
              NewUserOutcome::PasswordMismatch);
    std::string after;
    readWholeFile(storage.accountFile(), after);
    EXPECT_EQ(after, before);
}

TEST(NewAccount, AnUnreadableAccountFileIsNeverReplaced) {
    testing::TempDir dir;
    Storage storage(dir.path());
    // A directory where the file should be cannot be read as one.
    fs::create_directories(storage.accountFile());
    UserAccount a = account("alice", "pw");
    NewAccountResult r = createAccount(storage.accountFile(), a, "pw");
    EXPECT_FALSE(r.created());
    EXPECT_TRUE(r.readError.failed());
    EXPECT_NE(r.readError.readMessage().find("Users.ini"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(storage.accountFile()));
}

// Runs `body` in a child process without root's right to write anywhere (as "nobody" when
// the tests run as root) and returns its exit status; 77 when that cannot be arranged.
int withoutRoot(const std::function<int()>& body) {
    pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(77);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST(NewAccount, AReadOnlyDataDirectoryReportsTheFile) {
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    Storage storage(dir.path());
    fs::create_directories(storage.dataDirectory());
    ::chmod(storage.dataDirectory().c_str(), 0555);
    int status = withoutRoot([&] {
        UserAccount a = account("alice", "pw");
        NewAccountResult r = createAccount(storage.accountFile(), a, "pw");
        if (!r.writeError.failed())
            return 1;
        return r.writeError.writeMessage().find("Data/Users.ini") != std::string::npos ? 0 : 2;
    });
    ::chmod(storage.dataDirectory().c_str(), 0755);
    if (status == 77)
        GTEST_SKIP() << "cannot drop root here";
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(fs::exists(storage.accountFile()));
}

TEST(SavingThroughLinks, AReadOnlyDirectoryKeepsTheOldTreeAndNamesTheFile) {
    testing::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);
    fs::create_directories(dir.file("Data"));
    BookmarkTree old;
    old.InsertNode({"old", "http://old.example/", ""});
    ASSERT_FALSE(saveArchiveFile(old, dir.file("Data/u.bvk")).failed());
    std::string before;
    readWholeFile(dir.file("Data/u.bvk"), before);
    ::chmod(dir.file("Data").c_str(), 0555);
    int status = withoutRoot([&] {
        BookmarkTree tree;
        tree.InsertNode({"new", "http://new.example/", ""});
        FileError e = saveArchiveFile(tree, dir.file("Data/u.bvk"));
        if (!e.failed())
            return 1;
        return e.writeMessage().find("Data/u.bvk") != std::string::npos ? 0 : 2;
    });
    ::chmod(dir.file("Data").c_str(), 0755);
    if (status == 77)
        GTEST_SKIP() << "cannot drop root here";
    EXPECT_EQ(status, 0);
    std::string after;
    readWholeFile(dir.file("Data/u.bvk"), after);
    EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace brivanta
