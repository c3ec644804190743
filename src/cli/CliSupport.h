#pragma once

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brivanta::cli {

// The exit statuses every command shares.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the work failed, or found nothing (find, duplicates)
inline constexpr int kExitUsage = 2;   // the command line was wrong; nothing was done

// A wrong command line found by a command after parsing (a missing FILE, a bad value):
// main() prints the message and the command's usage and exits with kExitUsage.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Prints "brivanta-cli: <message>" on standard error and returns kExitFailed.
int fail(std::string_view message);

// "-" as FILE: standard input or output.
inline bool isStandardStream(const std::string& path) {
    return path == "-";
}
// The path a reader opens for FILE: standard input for "-".
inline std::string inputPath(const std::string& path) {
    return isStandardStream(path) ? std::string("/dev/stdin") : path;
}

// The "退出状态" paragraph of a command's --help; `one` says what status 1 means there.
std::string exitStatusHelp(std::string_view one = "失败（原因写在标准错误上）");

// Writes to standard output through a large buffer (trees can have millions of lines).
// Once a write fails (a full disk, a closed pipe) it stops writing: failed() tells the
// command to stop producing, and main() reports the error.
class OutputBuffer {
  public:
    ~OutputBuffer() { flush(); }
    void append(std::string_view s) {
        data_.append(s);
        if (data_.size() >= (1 << 20))
            flush();
    }
    // False once anything written to standard output failed.
    bool flush();
    bool failed() const { return failed_; }

  private:
    std::string data_;
    bool failed_ = false;
};

// Lets a closed pipe end the program as it ends other filters (SIGPIPE, status 141 in the
// shell, no message) even when the parent ignored or blocked the signal.
void restoreBrokenPipeSignal();

// Flushes and closes standard output; when that or any earlier write to it failed, reports
// the error and returns kExitFailed, otherwise `status`. A reader that went away (EPIPE)
// ends the program quietly by SIGPIPE instead.
int finishOutput(int status);

}  // namespace brivanta::cli
