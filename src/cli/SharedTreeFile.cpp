#include "cli/SharedTreeFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/CliSupport.h"
#include "cli/NetOptions.h"
#include "core/formats/FileLock.h"
#include "core/formats/TargetTreeFile.h"
#include "core/formats/TreeArchive.h"

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
    // A damaged file is kept beside itself at once, before any save could replace it.
    if (!loadWriteTarget(tree_, path_))
        return false;
    seen_ = now;
    return true;
}

bool SharedTreeFile::load() {
    return read();
}

bool SharedTreeFile::update(const std::function<size_t(BookmarkTree&)>& change, size_t& added) {
    added = 0;
    FileLock lock;
    if (!lockTreeFile(lock, path_))
        return false;
    // Another writer saves by renaming a new file into place: a new inode, a new time.
    if (!(identity() == seen_) && !read())
        return false;
    added = change(tree_);
    if (added == 0)
        return true;
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

bool loadWriteTarget(BookmarkTree& tree, const std::string& path) {
    TargetTreeLoad load = loadTargetTree(tree, path);
    if (!load.mayWrite()) {
        fail(load.notice(path));
        return false;
    }
    if (load.damaged)
        std::fprintf(stderr, "brivanta-cli: 警告：%s\n", load.notice(path).c_str());
    return true;
}

bool lockTreeFile(FileLock& lock, const std::string& path) {
    if (FileError e = lock.lock(path, lockWaitMs())) {
        fail(e.errorNumber == EWOULDBLOCK ? FileLock::busyMessage(path) : e.writeMessage());
        return false;
    }
    return true;
}

}  // namespace brivanta::cli
