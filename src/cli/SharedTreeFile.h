#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "core/formats/FileLock.h"
#include "core/net/PeerTransfer.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::cli {

// A tree file that other programs may write while this one runs. Every change takes the
// file's lock, reads the file again if another program saved it since, makes the change,
// saves, and lets the lock go, so no writer undoes another's work.
class SharedTreeFile {
  public:
    SharedTreeFile(int treeKind, std::string path);

    // Reads the file (a missing file is an empty tree). False with a message printed.
    bool load();
    // Applies `change` (which returns the number of entries it added) to the file as it is
    // now and saves it when anything was added. False with a message printed when the lock
    // could not be had or reading or saving failed; `added` is what the change added.
    bool update(const std::function<size_t(BookmarkTree&)>& change, size_t& added);

    // Adds a received transfer at the top level. When the file is whole, the new file is the
    // old one's bytes followed by the transfer's entries, without building and writing the
    // whole tree; otherwise as update() does. Same results.
    bool addReceived(const net::PeerReceipt& receipt, size_t& added);

    BookmarkTree& tree() { return tree_; }
    // What the tree takes by the listener's estimate: the file's bytes and an entry's
    // overhead for each entry.
    std::uint64_t estimatedCost() const;
    // How long update() waits for the lock (lockWaitMs() unless set).
    void setLockWaitMs(int ms) { lockWaitMs_ = ms; }
    const std::string& path() const { return path_; }

    // How long a writer waits for a lock another program holds (see lockWaitMs).
    static constexpr int kLockWaitMs = 30000;

  private:
    struct Identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const Identity& o) const;
    };
    Identity identity() const;
    bool read();
    // update() once the lock is held.
    bool changeLocked(const std::function<size_t(BookmarkTree&)>& change, size_t& added);
    bool appendReceived(const net::PeerReceipt& receipt);

    BookmarkTree tree_;
    std::string path_;
    Identity seen_;         // the file as this program last read or wrote it
    bool damaged_ = false;  // the file on disk is cut inside a record (its copy is kept)
    int lockWaitMs_ = -1;
    // Entries appended to the file since it was last read into tree_ (then read again
    // before the next change).
    std::uint64_t appendedEntries_ = 0;
};

// How long a writer waits for the lock of a tree file: kLockWaitMs, or the milliseconds in
// BRIVANTA_LOCK_WAIT_MS. A writer gives up then rather than wait for good, because a
// desktop session of that file's user holds the lock until it ends.
int lockWaitMs();
// Loads the tree file a command is about to write (loadTargetTree): a missing file is an
// empty tree, and a damaged one is kept as "<path>.damaged", with a warning that says so
// (and `damaged` set). False with the message printed when it may not be written
// (unreadable, or damaged without a copy).
bool loadWriteTarget(BookmarkTree& tree, const std::string& path, bool* damaged = nullptr);

// Takes the writers' lock of `path` for a writer that adds to or replaces the file, waiting
// `waitMs` (negative: lockWaitMs()). False
// with the message printed (naming the file) when it could not be had.
bool lockTreeFile(FileLock& lock, const std::string& path, int waitMs = -1);

}  // namespace brivanta::cli
