#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "TempDir.h"
#include "core/formats/FileLock.h"

namespace brivanta {
namespace {

TEST(FileLock, OneHolderAtATimeWhateverTheFileIsCalled) {
    testing::TempDir dir;
    std::filesystem::create_directory(dir.relative("Data"));
    std::filesystem::create_directory_symlink("Data", dir.relative("alias"));
    FileLock held;
    ASSERT_FALSE(held.lock(dir.relative("Data/alice.bvk"), 0).failed());
    EXPECT_TRUE(held.isLocked());

    // The same file by an absolute name, through a link, and from a second holder in this
    // process: all wait, and give up when told not to wait.
    for (const std::string& name : {dir.relative("Data/alice.bvk"), dir.file("Data/alice.bvk"),
                                    dir.relative("alias/alice.bvk")}) {
        FileLock second;
        FileError e = second.lock(name, 0);
        EXPECT_EQ(e.errorNumber, EWOULDBLOCK) << name;
        EXPECT_FALSE(second.isLocked());
        EXPECT_EQ(e.path, name);
    }
    FileLock other;
    EXPECT_FALSE(
        other.lock(dir.relative("Data/bob.bvk"), 0).failed());  // another file: its own lock

    auto start = std::chrono::steady_clock::now();
    FileLock waiting;
    EXPECT_EQ(waiting.lock(dir.relative("alias/alice.bvk"), 150).errorNumber, EWOULDBLOCK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));

    // A waiting holder gets the lock as soon as it is let go.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        held.unlock();
    });
    EXPECT_FALSE(waiting.lock(dir.relative("Data/alice.bvk"), 5000).failed());
    release.join();
    EXPECT_FALSE(held.isLocked());

    FileLock moved = std::move(waiting);
    EXPECT_TRUE(moved.isLocked());
    EXPECT_EQ(FileLock().lock(dir.relative("Data/alice.bvk"), 0).errorNumber, EWOULDBLOCK);
}

TEST(FileLock, ReportsAFolderItCannotUse) {
    testing::TempDir dir;
    FileLock lock;
    FileError e = lock.lock(dir.file("missing/x.bvk"), 0);
    EXPECT_TRUE(e.failed());
    EXPECT_NE(e.writeMessage().find("missing/x.bvk"), std::string::npos);
}

}  // namespace
}  // namespace brivanta
