#include "cli/SharedTreeFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/CliSupport.h"
#include "cli/NetOptions.h"
#include "core/formats/FileLock.h"
#include "core/formats/TreeArchive.h"
#include "core/net/TransferLimits.h"

namespace brivanta::cli {

SharedTreeFile::SharedTreeFile(int treeKind, std::string path)
    : tree_(treeKind), path_(std::move(path)) {}

bool SharedTreeFile::Identity::operator==(const Identity& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
}

SharedTreeFile::Identity SharedTreeFile::identity() const {
    Identity id;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    return id;
}

bool SharedTreeFile::read() {
    Identity now = identity();
    tree_.DeleteNode();
    bool damaged = false;
    if (!loadTreeFile(tree_, path_, &damaged))
        return false;
    seen_ = now;
    damaged_ = damaged_ || damaged;
    return true;
}

bool SharedTreeFile::load() {
    return read();
}

bool SharedTreeFile::update(const std::function<size_t(BookmarkTree&)>& change, size_t& added) {
    added = 0;
    FileLock lock;
    if (!lockTreeFile(lock, path_, lockWaitMs_))
        return false;
    // Another writer saves by renaming a new file into place: a new inode, a new time.
    if (!(identity() == seen_) && !read())
        return false;
    added = change(tree_);
    if (added == 0)
        return true;
    if (damaged_) {
        // The save would drop the damaged rest for good: keep the original beside it first.
        std::string copy = keepDamagedCopy(path_);
        if (copy.empty()) {
            fail("文件 “" + path_ + "” 已损坏，又无法保留它的副本，所以没有保存");
            return false;
        }
        std::fprintf(stderr, "brivanta-cli: 损坏的原文件保留为 “%s”\n", copy.c_str());
        damaged_ = false;
    }
    if (FileError e = saveArchiveFile(tree_, path_)) {
        fail(e.writeMessage());
        return false;
    }
    seen_ = identity();
    return true;
}

int lockWaitMs() {
    const char* value = std::getenv("BRIVANTA_LOCK_WAIT_MS");
    if (!value || !*value)
        return SharedTreeFile::kLockWaitMs;
    char* end = nullptr;
    long ms = std::strtol(value, &end, 10);
    if (*end != '\0' || ms < 0 || ms > SharedTreeFile::kLockWaitMs)
        return SharedTreeFile::kLockWaitMs;
    return static_cast<int>(ms);
}

std::uint64_t SharedTreeFile::estimatedCost() const {
    return static_cast<std::uint64_t>(std::max<off_t>(seen_.size, 0)) +
           tree_.size() * net::TransferLimits::kEntryOverhead;
}

bool lockTreeFile(FileLock& lock, const std::string& path, int waitMs) {
    if (FileError e = lock.lock(path, waitMs < 0 ? lockWaitMs() : waitMs)) {
        fail(e.errorNumber == EWOULDBLOCK ? FileLock::busyMessage(path) : e.writeMessage());
        return false;
    }
    return true;
}

}  // namespace brivanta::cli
