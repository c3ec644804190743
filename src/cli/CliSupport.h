#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace brivanta::cli {

using Args = std::vector<std::string>;

// Prints "brivanta-cli: <message>" on standard error and returns the error exit status.
int fail(std::string_view message);

// True when the arguments ask for help ("--help" or "-h").
bool wantsHelp(const Args& args);

// Removes `flag` from `args`; true when it was there.
bool takeFlag(Args& args, std::string_view flag);

// Removes `option VALUE` (or `option=VALUE`) from `args` into `value`. False when the option
// is absent; sets `missingValue` when it ends the arguments without a value.
bool takeOption(Args& args, std::string_view option, std::string& value, bool& missingValue);

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

// Flushes and closes standard output; when that or any earlier write to it failed, reports
// the error and returns the error exit status, otherwise `status`.
int finishOutput(int status);

}  // namespace brivanta::cli
