// The desktop session's hold on a user's files, and the command-line writers meeting it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "core/app/UserSessionLock.h"
#include "core/formats/TreeArchive.h"
#include "core/text/Encoding.h"

namespace brivanta {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(UserSessionLock, OneSessionPerUser) {
    testing::TempDir home;
    std::filesystem::create_directory(home.file("Data"));
    Storage storage(home.path());
    const std::string alice = text::gbk("张三");

    UserSessionLock first;
    EXPECT_EQ(first.acquire(storage, alice), UserSessionLock::Outcome::Held);
    EXPECT_TRUE(first.isHeld());
    EXPECT_EQ(first.user(), alice);

    // A second login of the same user, by this or another program, is refused and holds
    // nothing; another user is not in the way.
    UserSessionLock second;
    EXPECT_EQ(second.acquire(storage, alice), UserSessionLock::Outcome::InUse);
    EXPECT_FALSE(second.isHeld());
    EXPECT_EQ(second.acquire(storage, "bob"), UserSessionLock::Outcome::Held);
    // Both files are held, not only the first.
    FileLock book;
    EXPECT_EQ(book.lock(storage.addressBook(alice), 0).errorNumber, EWOULDBLOCK);

    first.release();
    EXPECT_FALSE(first.isHeld());
    EXPECT_EQ(second.acquire(storage, alice), UserSessionLock::Outcome::Held);
    EXPECT_EQ(UserSessionLock::inUseMessage(alice),
              "用户 “张三” 已在另一个程序中登录，不能再次登录。");
}

TEST(UserSessionLock, AFolderWithoutRoomForLocksDoesNotStopTheSession) {
    testing::TempDir home;  // no Data folder: no lock file can be made there
    UserSessionLock lock;
    EXPECT_EQ(lock.acquire(Storage(home.path()), "alice"), UserSessionLock::Outcome::Unlockable);
    EXPECT_EQ(lock.user(), "alice");
}

struct WriterCase {
    const char* what;
    std::string args;  // "FILE" stands for the user's tree file as the writer names it
    std::string input;
    bool throughLink;  // names the file relatively, through a symbolic link to the home
};

class WriterAgainstSession : public ::testing::TestWithParam<WriterCase> {};

// While a desktop session holds the user's files, a command-line writer gives up after its
// wait with a message naming the file and leaves the file as the session saved it; once the
// session has ended the same command goes through.
TEST_P(WriterAgainstSession, FailsWithoutTouchingTheFileThenSucceeds) {
    const WriterCase& c = GetParam();
    testing::TempDir dir;
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home + "/Data");
    std::filesystem::create_directory_symlink("home", dir.file("link"));
    Storage storage(home);
    const std::string tree = storage.customTree("alice");
    {
        BookmarkTree original;
        original.InsertNode({"kept", "http://kept/", ""});
        ASSERT_FALSE(saveArchiveFile(original, tree).failed());
    }
    const std::string before = slurp(tree);
    {
        BookmarkTree source;
        source.InsertNode({"new", "http://new/", ""});
        ASSERT_FALSE(saveArchiveFile(source, dir.file("source.bvk")).failed());
        std::ofstream(dir.file("page.html"))
            << "<DL><p><DT><A HREF=\"http://page/\">page</A></DL>\n";
        std::ofstream(dir.file("stdin"), std::ios::binary) << c.input;
    }
    const std::string named = c.throughLink ? "link/Data/alice.bvk" : tree;
    std::string args = c.args;
    args.replace(args.find("FILE"), 4, named);
    const std::string command = "cd " + dir.path() + " && BRIVANTA_LOCK_WAIT_MS=100 " +
                                BRIVANTA_CLI_PATH + " " + args + " <stdin >stdout 2>stderr";
    auto run = [&] {
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };

    UserSessionLock session;
    ASSERT_EQ(session.acquire(storage, "alice"), UserSessionLock::Outcome::Held);
    EXPECT_EQ(run(), 1);
    std::string err = slurp(dir.file("stderr"));
    EXPECT_NE(err.find("“" + named + "”"), std::string::npos) << err;
    EXPECT_NE(err.find("正被另一个程序使用"), std::string::npos) << err;
    EXPECT_EQ(slurp(tree), before);

    session.release();
    EXPECT_EQ(run(), 0) << slurp(dir.file("stderr"));
    EXPECT_NE(slurp(tree), before);
}

INSTANTIATE_TEST_SUITE_P(
    SessionLock, WriterAgainstSession,
    ::testing::Values(WriterCase{"build", "build FILE", "new\thttp://new/\n", false},
                      WriterCase{"build_through_link", "build FILE", "new\thttp://new/\n", true},
                      WriterCase{"import_tree", "import bvk source.bvk FILE", "", false},
                      WriterCase{"import_netscape_through_link", "import netscape page.html FILE",
                                 "", true},
                      WriterCase{"import_netscape", "import netscape page.html FILE", "", false}),
    [](const ::testing::TestParamInfo<WriterCase>& row) { return std::string(row.param.what); });

}  // namespace
}  // namespace brivanta
