#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "CliRunner.h"
#include "FailingSink.h"
#include "TempDir.h"
#include "TreeBuilders.h"
#include "core/accounts/AccountTable.h"
#include "core/formats/FileLock.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TreeArchive.h"

namespace brivanta {
namespace {

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

std::string contentOf(const std::string& path) {
    std::string bytes;
    EXPECT_FALSE(readWholeFile(path, bytes).failed()) << path;
    return bytes;
}

void fill(BookmarkTree& tree, int entries, const std::string& word) {
    for (int i = 0; i < entries; ++i)
        tree.InsertNode({word + std::to_string(i), "http://example.com/" + word, ""});
}

// A save failing after so many bytes: the old file stays byte for byte, the error names
// the file, and nothing else is left in the directory.
class FailedSave : public ::testing::TestWithParam<size_t> {};

TEST_P(FailedSave, LeavesTheOldTreeFileWhole) {
    testing::TempDir dir;
    const std::string path = dir.file("t.bvk");
    BookmarkTree old;
    fill(old, 100, "old");
    ASSERT_FALSE(saveArchiveFile(old, path).failed());
    const std::string before = contentOf(path);

    BookmarkTree bigger;
    fill(bigger, 5000, "new");
    FileError e = saveArchiveFile(bigger, path, kNoItem, testing::failAfter(GetParam()));
    ASSERT_TRUE(e.failed());
    EXPECT_NE(e.writeMessage().find(path), std::string::npos);
    EXPECT_EQ(contentOf(path), before);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"t.bvk"});
}

TEST_P(FailedSave, LeavesTheOldAccountFileWhole) {
    testing::TempDir dir;  // a relative path this time
    AccountTable table;
    UserAccount a;
    a.name = "first";
    table.set(a);
    ASSERT_FALSE(table.saveFile(dir.relative("Users.ini")).failed());
    const std::string before = contentOf(dir.relative("Users.ini"));
    for (int i = 0; i < 1000; ++i) {
        a.name = "user" + std::to_string(i);
        a.email = a.name + "@example.com";
        table.set(a);
    }
    FileError e = table.saveFile(dir.relative("Users.ini"), testing::failAfter(GetParam()));
    ASSERT_TRUE(e.failed());
    EXPECT_NE(e.writeMessage().find(dir.relative("Users.ini")), std::string::npos);
    EXPECT_EQ(contentOf(dir.relative("Users.ini")), before);
    EXPECT_EQ(namesIn(dir.relative(".")), std::set<std::string>{"Users.ini"});
}

INSTANTIATE_TEST_SUITE_P(AfterBytes, FailedSave, ::testing::Values(0, 1, 4095, 4096, 10000));

TEST(KilledSave, LeavesNothingTheNextSaveDoesNotRemove) {
    testing::TempDir dir;
    const std::string path = dir.file("t.bvk");
    BookmarkTree old;
    fill(old, 100, "old");
    ASSERT_FALSE(saveArchiveFile(old, path).failed());
    const std::string before = contentOf(path);

    // A save killed while writing: no destructor, no clean-up of any kind.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* sink = new AtomicFileSink;
        if (sink->open(path).failed())
            ::_exit(2);
        std::string block(1 << 20, 'x');
        sink->write(block.data(), block.size());
        ::kill(::getpid(), SIGKILL);
        ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(contentOf(path), before);

    BookmarkTree next;
    fill(next, 10, "next");
    ASSERT_FALSE(saveArchiveFile(next, path).failed());
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"t.bvk"});
}

TEST(KilledSave, NamedLeftoversOfThatFileGoWithItsNextSave) {
    // Where a file system has no unnamed files, a killed save leaves a named temporary file;
    // the next save of that file removes it, and leaves other files' temporaries alone.
    testing::TempDir dir;
    std::filesystem::create_directory(dir.relative("real"));
    std::filesystem::create_directory_symlink("real", dir.relative("link"));
    for (const std::string& name : {dir.relative("real/.t.bvk.brivanta-save-Ab12Cd"),
                                    dir.relative("real/.t.bvk.brivanta-save-zzzzzz"),
                                    dir.relative("real/.u.bvk.brivanta-save-Ab12Cd"),
                                    dir.relative("real/.brivanta-save-Ab12Cd")}) {
        std::FILE* f = std::fopen(name.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("leftover", f);
        std::fclose(f);
    }
    BookmarkTree tree;
    fill(tree, 3, "t");
    ASSERT_FALSE(saveArchiveFile(tree, dir.relative("link/t.bvk")).failed());
    // The unnamed leftover of an older version is too recent to be known as stale.
    EXPECT_EQ(
        namesIn(dir.relative("real")),
        (std::set<std::string>{"t.bvk", ".u.bvk.brivanta-save-Ab12Cd", ".brivanta-save-Ab12Cd"}));
}

// What stands where a save is asked to write; each is made by the test in its own directory
// (never the real /dev).
struct Occupant {
    const char* what;
    std::function<void(const std::string& dir)> make;  // makes dir/"target"
    int error;                                         // what the save reports
};

void PrintTo(const Occupant& occupant, std::ostream* out) {
    *out << occupant.what;
}

void makeNode(const std::string& path, mode_t mode, dev_t device = 0) {
    ASSERT_EQ(::mknod(path.c_str(), mode, device), 0) << path << ": " << std::strerror(errno);
}

// A bound UNIX socket at `path` (closed again: the name stays).
void makeSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd);
}

const Occupant kOccupants[] = {
    {"CharacterDevice",
     [](const std::string& d) { makeNode(d + "/target", S_IFCHR | 0666, makedev(1, 3)); },
     kNotRegularFile},
    {"Fifo", [](const std::string& d) { makeNode(d + "/target", S_IFIFO | 0666); },
     kNotRegularFile},
    {"Socket", [](const std::string& d) { makeSocket(d + "/target"); }, kNotRegularFile},
    {"Directory", [](const std::string& d) { std::filesystem::create_directory(d + "/target"); },
     EISDIR},
    {"DanglingLink",
     [](const std::string& d) { std::filesystem::create_symlink("missing/file", d + "/target"); },
     kNotRegularFile},
    {"LinkToDirectory",
     [](const std::string& d) {
         std::filesystem::create_directory(d + "/real");
         std::filesystem::create_directory_symlink("real", d + "/target");
     },
     EISDIR},
    {"LinkToDevice",
     [](const std::string& d) {
         makeNode(d + "/null", S_IFCHR | 0666, makedev(1, 3));
         std::filesystem::create_symlink("null", d + "/target");
     },
     kNotRegularFile},
    {"LinkChainToFifo",
     [](const std::string& d) {
         makeNode(d + "/pipe", S_IFIFO | 0666);
         std::filesystem::create_symlink("pipe", d + "/one");
         std::filesystem::create_symlink("one", d + "/target");
     },
     kNotRegularFile},
    // Like /dev/stdout redirected to a file: an open file shown through /proc.
    {"LinkIntoProc",
     [](const std::string& d) {
         int fd = ::open((d + "/redirected").c_str(), O_WRONLY | O_CREAT, 0644);
         ASSERT_GE(fd, 0);
         std::filesystem::create_symlink("/proc/self/fd/" + std::to_string(fd), d + "/target");
         // Left open on purpose while the test runs; the directory goes with the test.
     },
     kNotRegularFile},
};

// Everything a directory holds, with what identifies each entry.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        struct stat st;
        ::lstat(entry.path().c_str(), &st);
        entries[entry.path().filename().string()] =
            std::to_string(st.st_ino) + "/" + std::to_string(st.st_mode) + "/" +
            std::to_string(st.st_rdev) + "/" + std::to_string(st.st_size);
    }
    return entries;
}

// The temporary directory as seen from the working directory: tests use relative paths too.
std::string relativeTo(const testing::TempDir& dir) {
    return std::filesystem::relative(dir.path()).string();
}

class SaveTarget : public ::testing::TestWithParam<Occupant> {};

TEST_P(SaveTarget, IsRefusedNamingItAndLeftAlone) {
    testing::TempDir dir;
    GetParam().make(dir.path());
    const std::string path = relativeTo(dir) + "/target";
    const auto before = snapshot(dir.path());
    BookmarkTree tree;
    fill(tree, 3, "x");
    FileError e = saveArchiveFile(tree, path);
    EXPECT_EQ(e.errorNumber, GetParam().error) << e.writeMessage();
    EXPECT_EQ(e.path, path);
    EXPECT_NE(e.writeMessage().find("“" + path + "”"), std::string::npos);
    EXPECT_EQ(snapshot(dir.path()), before);

    // The lock a writer takes first is refused too, before a lock file appears beside it.
    FileLock lock;
    EXPECT_TRUE(lock.lock(path, 0).failed());
    EXPECT_EQ(snapshot(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Occupants, SaveTarget, ::testing::ValuesIn(kOccupants),
                         [](const auto& row) { return std::string(row.param.what); });

TEST(SaveTarget, ALinkToARegularFileWritesThatFileAndKeepsTheLink) {
    testing::TempDir dir;
    const std::string base = relativeTo(dir);
    std::filesystem::create_directory(dir.file("real"));
    BookmarkTree tree;
    fill(tree, 3, "x");
    ASSERT_FALSE(saveArchiveFile(tree, base + "/real/t.bvk").failed());
    std::filesystem::create_symlink("real/t.bvk", dir.file("link.bvk"));
    fill(tree, 2, "y");
    ASSERT_FALSE(saveArchiveFile(tree, base + "/link.bvk").failed());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.bvk")));
    BookmarkTree back;
    ASSERT_TRUE(loadArchiveFile(back, dir.file("real/t.bvk")));
    EXPECT_EQ(back.size(), 5u);
}

TEST(SaveTarget, WhatTookTheFilesPlaceDuringTheSaveIsNotReplaced) {
    testing::TempDir dir;
    const std::string path = relativeTo(dir) + "/t.bvk";
    BookmarkTree tree;
    fill(tree, 3, "x");
    for (bool existed : {true, false}) {
        if (existed) {
            ASSERT_FALSE(saveArchiveFile(tree, path).failed());
        }
        AtomicFileSink sink;
        ASSERT_FALSE(sink.open(path).failed());
        sink.write("new", 3);
        std::filesystem::remove(path);
        makeNode(dir.file("t.bvk"), S_IFIFO | 0600);
        FileError e = sink.commit();
        EXPECT_EQ(e.errorNumber, kNotRegularFile) << existed << " " << e.writeMessage();
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"t.bvk"});
        struct stat st;
        ASSERT_EQ(::lstat(dir.file("t.bvk").c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
        std::filesystem::remove(dir.file("t.bvk"));
    }
}

TEST(SaveTarget, APlantedLockFileLinkIsNotFollowed) {
    testing::TempDir dir;
    const std::string base = relativeTo(dir);
    std::filesystem::create_symlink("elsewhere", dir.file(".t.bvk.lock"));
    FileLock lock;
    FileError e = lock.lock(base + "/t.bvk", 0);
    EXPECT_EQ(e.errorNumber, kNotRegularFile);
    EXPECT_FALSE(std::filesystem::exists(dir.file("elsewhere")));
}

// The command line as root: `build` onto a device node or a pipe replaces nothing.
TEST(SaveTarget, BuildOntoADeviceNodeFailsAndKeepsIt) {
    testing::TempDir dir;
    makeNode(dir.file("null"), S_IFCHR | 0666, makedev(1, 3));
    makeNode(dir.file("pipe"), S_IFIFO | 0666);
    std::filesystem::create_symlink("null", dir.file("stdout"));
    const auto before = snapshot(dir.path());
    for (const char* target : {"null", "pipe", "stdout"}) {
        std::string command = "cd " + dir.path() + " && echo 'a\thttp://a/' | " +
                              BRIVANTA_CLI_PATH + " build " + target + " >out 2>err";
        testing::CliRun run = testing::runShell(dir, command, "out", "err");
        std::filesystem::remove(dir.file("out"));
        std::filesystem::remove(dir.file("err"));
        EXPECT_NE(run.status, 0) << target;
        EXPECT_NE(run.err.find(std::string("“") + target + "”"), std::string::npos) << run.err;
        EXPECT_EQ(snapshot(dir.path()), before) << target;
    }
}

}  // namespace
}  // namespace brivanta
