#pragma once

// Options shared by the network commands.

#include <string>

#include "cli/CliSupport.h"
#include "cli/OptionLine.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/NetTimeouts.h"
#include "core/net/SecurityMode.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::cli {

// "--timeout S" on `line`: connect, every read and every reply line (default 15 and 30 s);
// a whole mail or transfer at most 20 times as long.
void addTimeoutOption(OptionLine& line, std::string& seconds);
inline constexpr int kWholeToSingle = 20;

// Sets `timeouts` from the value of --timeout when it was given. Throws UsageError when it is
// not a positive number of seconds.
void applyTimeout(const std::string& seconds, net::NetTimeouts& timeouts);

// Reads the password from the file given with --password-file: its first line without the
// line end. Throws UsageError when no file was given (a password is never taken from the
// command line); false with a message printed when the file is unreadable.
bool readPasswordFile(const std::string& path, std::string& password);

// The values of --security and --ca-file.
struct SecurityLine {
    std::string mode;
    std::string caFile;
};
void addSecurityOptions(OptionLine& line, SecurityLine& parsed);

// Splits `address` ("HOST" or "HOST:PORT") and settles the security: without a port the
// mode's usual one (`defaultPort`), without a mode the port's usual one. Throws UsageError
// for a wrong mode or address; false with a message printed when the CA file is unreadable.
bool resolveServerSecurity(const SecurityLine& parsed, const std::string& address,
                           int (*defaultPort)(net::SecurityMode), std::string& host, int& port,
                           net::MailSecurity& security);

// "    --security/--ca-file" lines of a command's help.
extern const char* const kSecurityHelp;

// Loads a tree file if it exists (a missing file is an empty tree). False with a message
// printed on a read error. A damaged file (cut inside a record) loads what comes before the
// damage with a warning; `damaged` tells.
bool loadTreeFile(BookmarkTree& tree, const std::string& path, bool* damaged = nullptr);

// "警告：文件 “x” 已损坏，只读出了它前面完整的 N 条记录" on standard error.
void warnDamaged(const std::string& path, size_t records);

// A GBK status text as one UTF-8 line (its line ends dropped), for a progress line.
std::string statusLine(const std::string& gbkText);

// Writes a GBK status text as UTF-8 with a line end.
void printStatus(const std::string& gbkText, FILE* out = stdout);

// "HOST:PORT" as a person types it ("[::1]:25" for an IPv6 address).
std::string hostPortText(const std::string& host, int port);

// Reports a failed dialogue with a server on standard error, naming the server:
// "brivanta-cli: SMTP 服务器 HOST:PORT：<status text>". Returns the error exit status.
int failWithServer(const std::string& kind, const std::string& host, int port,
                   const std::string& gbkStatus);

}  // namespace brivanta::cli
