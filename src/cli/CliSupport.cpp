#include "cli/CliSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/text/SystemErrorText.h"

namespace brivanta::cli {

int fail(std::string_view message) {
    std::fprintf(stderr, "brivanta-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return 1;
}

bool OutputBuffer::flush() {
    if (!failed_ && !data_.empty() &&
        std::fwrite(data_.data(), 1, data_.size(), stdout) != data_.size()) {
        failed_ = true;
    }
    data_.clear();
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        failed_ = true;
    return !failed_;
}

int finishOutput(int status) {
    errno = 0;
    bool bad = std::ferror(stdout) != 0;
    // fflush reports what is still buffered; fclose what the file system says at the end
    // (a network file system may only report a full disk there).
    if (std::fflush(stdout) != 0)
        bad = true;
    int flushErrno = errno;
    if (std::fclose(stdout) != 0)
        bad = true;
    if (!bad)
        return status;
    int e = errno != 0 ? errno : flushErrno;
    std::string message = "无法写入标准输出";
    if (e != 0) {
        message += "：";
        message += text::systemErrorText(e);
    }
    return fail(message);
}

bool wantsHelp(const Args& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

bool takeFlag(Args& args, std::string_view flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

bool takeOption(Args& args, std::string_view option, std::string& value, bool& missingValue) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == option) {
            if (it + 1 == args.end()) {
                missingValue = true;
                args.erase(it);
                return false;
            }
            value = *(it + 1);
            args.erase(it, it + 2);
            return true;
        }
        if (it->size() > option.size() && it->starts_with(option) && (*it)[option.size()] == '=') {
            value = it->substr(option.size() + 1);
            args.erase(it);
            return true;
        }
    }
    return false;
}

}  // namespace brivanta::cli
