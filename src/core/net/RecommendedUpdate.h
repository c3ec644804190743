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
    // GBK "更新完毕！" or "更新失败！".
    std::string statusText;
    // The file that could not be written (the backup, or the tree's own file).
    FileError error;
    // What the mailbox dialogue ended with, for diagnostics.
    std::string receiveText;
    // GBK: why the mailbox gave no update (a mail not read whole, a refused login, no
    // "<SYSTEM>" entries); empty when it did, or when a file failed instead.
    std::string mailboxFailure;
    // On success: the new tree as archive bytes and its number of entries.
    std::string archive;
    size_t entries = 0;
};

// Fetches every "<SYSTEM>" envelope of the mailbox into a fresh tree. The update counts only
// when every mail the mailbox listed was read whole and they brought at least one entry;
// then `current` is saved to `backupPath` and the fresh tree to `treePath` and handed back.
// Otherwise nothing is written at all: a failed update leaves both files as they were, so
// the backup of the last good tree survives any number of failed updates. `current` is
// only read.
RecommendedUpdateResult updateRecommendedTree(BookmarkTree& current, const std::string& backupPath,
                                              const std::string& treePath,
                                              const RecommendedMailbox& mailbox,
                                              const NetTimeouts& timeouts = {},
                                              const StepCallback& step = {},
                                              const TransferLimits& limits = {});

// What a person is told of an update: the status text, then the mailbox's server and why it
// gave no update, or the file that could not be written. GBK, lines joined with CR LF.
std::string updateReport(const RecommendedUpdateResult& result, const RecommendedMailbox& mailbox);

// Empties `tree` and reads `archive` into it.
size_t replaceTreeContent(BookmarkTree& tree, const std::string& archive);

}  // namespace brivanta::net
