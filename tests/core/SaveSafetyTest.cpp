#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "FailingSink.h"
#include "TempDir.h"
#include "TreeBuilders.h"
#include "core/accounts/AccountTable.h"
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

}  // namespace
}  // namespace brivanta
