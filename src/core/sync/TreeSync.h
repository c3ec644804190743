#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/net/WebDavClient.h"
#include "core/trees/BookmarkTree.h"
#include "core/trees/TreeCommand.h"

namespace brivanta::sync {

// One XBEL file on one WebDAV server, in Floccus's layout (the lock file beside it).
struct SyncTarget {
    std::string serverUrl;  // the collection, e.g. https://host/remote.php/dav/files/u/
    std::string fileName = "bookmarks.xbel";
    net::WebDavOptions webdav;  // user, password, caFile, time-outs, redirects
    // What of the tree is synced (a folder's path, "" for the whole tree): a state kept for
    // another scope is no base, so switching folders never reads as deleting everything.
    std::string scope;
    // Uploads retried after the server file changed during a sync, each after a fresh read
    // and merge.
    int maxAttempts = 4;
    // The lock is rewritten when a sync has held it this long, so that it stays young.
    int lockRefreshSeconds = 60;
};

struct SyncCounts {
    std::size_t uploaded = 0;    // entries added, changed, moved or deleted on the server
    std::size_t downloaded = 0;  // the same in the tree
    std::size_t conflicts = 0;   // entries changed on both sides, kept twice
};

struct SyncResult {
    bool ok = false;
    std::string error;  // UTF-8 for people; names the server and what it said
    SyncCounts counts;
    bool localChanged = false;  // merged differs from the snapshot
    // The synced folder's new children, pre-order lists as BookmarkTree::captureSubtree
    // gives (one list per child).
    std::vector<std::vector<NodeState>> merged;
    std::string newState;  // what commitSyncState writes once the tree is saved
};

// Called between the merge and the upload (tests use it to change the server file
// meanwhile); may be empty.
using BeforeUploadHook = std::function<void(int attempt)>;

// Safe on a worker thread: touches no tree. `snapshot` is the synced folder's children
// (kNoItem = the whole tree) captured on the tree's thread. Takes the lock, reads the server
// file, merges three ways with the state at statePath, uploads with If-Match (merging again
// when the file changed meanwhile), releases the lock. Never overwrites a damaged or non-XBEL
// server file. `cancel` may be null.
SyncResult syncSnapshot(const SyncTarget& target,
                        const std::vector<std::vector<NodeState>>& snapshot,
                        const std::string& statePath, const std::atomic<bool>* cancel = nullptr,
                        const BeforeUploadHook& beforeUpload = {});

// The children of `folder` (the top level for kNoItem), each as captureSubtree gives it.
std::vector<std::vector<NodeState>> captureChildren(const BookmarkTree& tree, ItemId folder);

// On the tree's thread: replaces the folder's children by `merged` as ONE undoable
// TreeCommand ("同步"); nullptr when nothing changed. The command has been applied.
// nullptr with `refused` set when the tree could not take them (no such folder, item data
// exhausted): the tree is as it was, and the sync state must not be committed, or the next
// sync would take what the tree lacks for deletions.
std::unique_ptr<TreeCommand> makeSyncCommand(BookmarkTree& tree, ItemId folder,
                                             std::vector<std::vector<NodeState>> merged,
                                             bool* refused = nullptr);

// After the tree file was saved (never before: a failed save must leave the old state).
// Written atomically; false with `error` naming the file when it could not be.
bool commitSyncState(const std::string& statePath, const std::string& newState, std::string* error);

// Where a tree file's sync state and its pre-sync backup live (beside the tree file).
std::string syncStatePath(const std::string& treeFile);
std::string syncBackupPath(const std::string& treeFile);

// Copies the tree file to syncBackupPath (replacing the last backup once the copy is whole)
// before a sync changes the tree. True when there is no tree file yet; false with `error`
// naming the file when the copy could not be made (then the sync must not be applied).
bool backupBeforeSync(const std::string& treeFile, std::string* error);

// "上传 N，下载 M，冲突 K"
std::string syncSummary(const SyncCounts& counts);

}  // namespace brivanta::sync
