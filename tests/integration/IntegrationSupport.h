#pragma once

// Helpers of the integration tests: running brivanta-cli, temporary directories, trees
// written as text, and the local mail servers started by scripts/mail-servers.

#include <string>
#include <vector>

#include "TreeText.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::integration {

struct CliResult {
    int exitCode = -1;
    std::string output;  // standard output and standard error
};

// Runs brivanta-cli with `args` (at most 60 s) and waits for it.
CliResult runCli(const std::vector<std::string>& args);

// A quoted shell word.
std::string shellQuote(const std::string& word);

// A fresh directory that is removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

// Pre-order text of a tree: two spaces a level, "name|address" (and "|tag" in an address
// book); names in GBK as stored.
using net::testing::treeText;
std::string fileTreeText(const std::string& path, int treeKind);
// Saves a chain of `levels` entries, each inside the one before, as a tree file.
bool saveChain(const std::string& path, int levels);
// How many levels deep the tree file at `path` goes, read without a depth limit (-1: no
// file); and in `entries` how many entries it holds.
int fileDepth(const std::string& path, int treeKind, size_t& entries);

// The local servers, from the environment that scripts/run-tests sets (or the state file
// of scripts/mail-servers). `available` is false when they are not running; `expected` is
// true when the environment names them (a run through scripts/run-tests), and then their
// absence is a failure, not a reason to skip.
struct MailServers {
    bool available = false;
    bool expected = false;
    std::string problem;  // why they are not available
    int smtpPort = 0;
    int pop3Port = 0;
    std::string passwordFile;
    std::string password;
    // The TLS listeners and the certificates made at their start (certDir/ca.pem and
    // server, other, self .pem/.key); `tls` is false when they do not answer.
    bool tls = false;
    std::string tlsProblem;
    int pop3sPort = 0;
    int submissionPort = 0;   // STARTTLS
    int submissionsPort = 0;  // TLS from the first byte
    std::string certDir;
    std::string stateDir;  // Dovecot's log is there
};
const MailServers& mailServers();

// Holds (until the test process ends) the lock that keeps two test runs on one machine
// from using the shared mailboxes at the same time. False when it could not be had in 60 s.
bool lockMailboxes();

// Deletes every mail of `user` through POP3 (the tests share long-lived servers).
bool emptyMailbox(const std::string& user);
// Waits (at most 15 s) until `user` has `count` mails; returns the count last seen.
int waitForMails(const std::string& user, int count);

}  // namespace brivanta::integration
