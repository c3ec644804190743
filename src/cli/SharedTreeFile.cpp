#include "cli/SharedTreeFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/NetOptions.h"
#include "core/formats/ArchiveWriter.h"
#include "core/formats/FileLock.h"
#include "core/formats/FileStreams.h"
#include "core/formats/TargetTreeFile.h"
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
    // A damaged file is kept beside itself at once, before any save could replace it.
    bool damaged = false;
    if (!loadWriteTarget(tree_, path_, &damaged))
        return false;
    seen_ = now;
    // The file on disk stays cut until a whole save replaces it: nothing is appended to it.
    damaged_ = damaged_ || damaged;
    appendedEntries_ = 0;
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
    return changeLocked(change, added);
}

bool SharedTreeFile::changeLocked(const std::function<size_t(BookmarkTree&)>& change,
                                  size_t& added) {
    added = 0;
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
    damaged_ = false;
    seen_ = identity();
    return true;
}

bool SharedTreeFile::addReceived(const net::PeerReceipt& receipt, size_t& added) {
    added = 0;
    if (receipt.records == 0)
        return true;
    FileLock lock;
    if (!lockTreeFile(lock, path_, lockWaitMs_))
        return false;
    if (!(identity() == seen_) && !read())
        return false;
    if (!damaged_ && tree_.itemDataLeft() > receipt.records + appendedEntries_) {
        if (!appendReceived(receipt))
            return false;
        added = receipt.records;
        return true;
    }
    return changeLocked([&](BookmarkTree& tree) { return net::applyReceipt(tree, receipt).count; },
                        added);
}

bool SharedTreeFile::appendReceived(const net::PeerReceipt& receipt) {
    // How deep the file's last record is: the new records' first prefix climbs back from it.
    int depth = 0;
    ItemId last = kNoItem;
    while (tree_.childCount(last) > 0) {
        last = tree_.child(last, tree_.childCount(last) - 1);
        ++depth;
    }
    AtomicFileSink sink;
    if (FileError e = sink.open(path_)) {
        fail(e.writeMessage());
        return false;
    }
    if (seen_.exists) {
        FileSource old;
        if (FileError e = old.open(path_)) {
            sink.abandon();
            fail(e.readMessage());
            return false;
        }
        std::vector<char> buffer(1 << 18);
        for (size_t n; (n = old.read(buffer.data(), buffer.size())) > 0;) {
            if (!sink.write(buffer.data(), n))
                break;
        }
        if (old.failed()) {
            sink.abandon();
            fail(FileError{path_, old.error()}.readMessage());
            return false;
        }
    }
    ArchiveWriter writer(sink, 1 << 18);
    receipt.entries.write(writer, std::max(depth - 1, 0));
    if (!writer.flush()) {
        const int error = sink.error();
        sink.abandon();
        fail(FileError{path_, error != 0 ? error : EIO}.writeMessage());
        return false;
    }
    if (FileError e = sink.commit()) {
        fail(e.writeMessage());
        return false;
    }
    // The tree here no longer matches the file: it is read again before the next change.
    seen_ = Identity{};
    appendedEntries_ += receipt.records;
    return true;
}

std::uint64_t SharedTreeFile::estimatedCost() const {
    const Identity now = identity();
    return static_cast<std::uint64_t>(std::max<off_t>(now.size, 0)) +
           (tree_.size() + appendedEntries_) * net::TransferLimits::kEntryOverhead;
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

bool loadWriteTarget(BookmarkTree& tree, const std::string& path, bool* damaged) {
    TargetTreeLoad load = loadTargetTree(tree, path);
    if (!load.mayWrite()) {
        fail(load.notice(path));
        return false;
    }
    if (damaged)
        *damaged = load.damaged;
    if (load.damaged)
        std::fprintf(stderr, "brivanta-cli: 警告：%s\n", load.notice(path).c_str());
    return true;
}

bool lockTreeFile(FileLock& lock, const std::string& path, int waitMs) {
    if (FileError e = lock.lock(path, waitMs < 0 ? lockWaitMs() : waitMs)) {
        fail(e.errorNumber == EWOULDBLOCK ? FileLock::busyMessage(path) : e.writeMessage());
        return false;
    }
    return true;
}

}  // namespace brivanta::cli
