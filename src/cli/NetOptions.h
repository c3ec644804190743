#pragma once

// Options shared by the network commands.

#include <string>

#include "cli/CliSupport.h"
#include "core/net/MailboxTransfer.h"
#include "core/net/NetTimeouts.h"
#include "core/net/SecurityMode.h"
#include "core/trees/BookmarkTree.h"

namespace brivanta::cli {

// Takes "--timeout SECONDS" (connect, every read and every reply line; default 15 and 30;
// a whole mail or transfer at most 20 times as long). False with a message printed when the
// value is not a positive number.
bool takeTimeouts(Args& args, net::NetTimeouts& timeouts);
inline constexpr int kWholeToSingle = 20;

// Takes "--password-file F" and reads the password: the file's first line without its
// line end. False with a message printed when the option is missing or the file unreadable.
bool takePasswordFile(Args& args, std::string& password);

// Takes "--security none|starttls|tls" and "--ca-file F", and splits `address` ("HOST" or
// "HOST:PORT"): without a port the mode's usual one (`defaultPort`), without a mode the
// port's usual one. False with a message printed.
bool takeServerSecurity(Args& args, const std::string& address,
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

// Writes a GBK status text as UTF-8 with a line end.
void printStatus(const std::string& gbkText, FILE* out = stdout);

// "HOST:PORT" as a person types it ("[::1]:25" for an IPv6 address).
std::string hostPortText(const std::string& host, int port);

// Reports a failed dialogue with a server on standard error, naming the server:
// "brivanta-cli: SMTP 服务器 HOST:PORT：<status text>". Returns the error exit status.
int failWithServer(const std::string& kind, const std::string& host, int port,
                   const std::string& gbkStatus);

}  // namespace brivanta::cli
