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
class OutputBuffer {
  public:
    ~OutputBuffer() { flush(); }
    void append(std::string_view s) {
        data_.append(s);
        if (data_.size() >= (1 << 20))
            flush();
    }
    void flush() {
        if (!data_.empty())
            std::fwrite(data_.data(), 1, data_.size(), stdout);
        data_.clear();
        std::fflush(stdout);
    }

  private:
    std::string data_;
};

}  // namespace brivanta::cli
