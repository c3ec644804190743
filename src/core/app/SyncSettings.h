#pragma once

#include <string>
#include <vector>

#include "core/trees/TreeKind.h"

namespace brivanta {

// How one user keeps a tree (or one folder of it) in step with an XBEL file on a WebDAV
// server. The password is not here: it lives in the desktop's secret store.
struct SyncSettings {
    std::string serverUrl;  // the collection, UTF-8 as typed
    std::string fileName = "bookmarks.xbel";
    std::string user;    // UTF-8: HTTP sends it as such
    std::string caFile;  // PEM authorities trusted besides the system's; "" for none
    int treeKind = kCustomTree;
    // The synced folder's labels (GBK) from the top of the tree; empty: the whole tree.
    std::vector<std::string> folder;
    int intervalMinutes = 0;  // 0: only by hand

    // A server to sync with is named.
    bool configured() const { return !serverUrl.empty(); }
    bool operator==(const SyncSettings&) const = default;
};

inline constexpr int kMaxSyncIntervalMinutes = 24 * 60;

// Whether the two name different things to keep in step (server, file, tree or folder): the
// state of the last sync then describes something else and must not be merged against.
bool namesOtherTarget(const SyncSettings& before, const SyncSettings& after);

// A folder path as one line of UTF-8: each label after a "/" ("" for the whole tree), a "/"
// or "\" inside a label escaped with "\". splitFolderPath reads it back; a line that does not
// start with "/" is the whole tree.
std::string joinFolderPath(const std::vector<std::string>& labels);
std::vector<std::string> splitFolderPath(const std::string& line);

}  // namespace brivanta
