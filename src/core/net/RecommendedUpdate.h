#pragma once

#include <string>

#include "core/formats/FileError.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/NetTimeouts.h"
#include "core/net/PeerTransfer.h"
#include "core/net/TransferLimits.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::net {

// The mailbox that supplies the recommended tree: every "<SYSTEM>" envelope in it, in mail
// order, is the tree. A site points it at its own mailbox (the profile's "Update" section).
struct RecommendedMailbox {
    std::string host = "pop.brivanta.example";
    int port = 110;
    std::string user = "recommend";
    std::string password = "~qorvatil~";
    MailSecurity security;
};

struct RecommendedUpdateResult {
    bool ok = false;
    // GBK "更新完毕！" or "更新失败！"; empty when the backup could not be written (the
    // update stopped before it began).
    std::string statusText;
    // The file that could not be written (the backup, or the tree's own file).
    FileError error;
    // What the mailbox dialogue ended with, for diagnostics; the update does not show it.
    std::string receiveText;
    // On success: the new tree as archive bytes and its number of entries.
    std::string archive;
    size_t entries = 0;
};

// Saves `current` to `backupPath` first (and stops there when that fails), then fetches every
// "<SYSTEM>" envelope of the mailbox into a fresh tree. When they brought at least one entry,
// the fresh tree is saved to `treePath` and handed back; otherwise, or when that save fails,
// the update failed and nothing but the backup was written. `current` is only read: a failed
// update cannot cost the tree it was meant to replace.
RecommendedUpdateResult updateRecommendedTree(BookmarkTree& current, const std::string& backupPath,
                                              const std::string& treePath,
                                              const RecommendedMailbox& mailbox,
                                              const NetTimeouts& timeouts = {},
                                              const StepCallback& step = {},
                                              const TransferLimits& limits = {});

// Empties `tree` and reads `archive` into it.
size_t replaceTreeContent(BookmarkTree& tree, const std::string& archive);

}  // namespace brivanta::net
