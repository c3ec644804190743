#include "cli/CliSupport.h"

#include <algorithm>

namespace brivanta::cli {

int fail(std::string_view message) {
    std::fprintf(stderr, "brivanta-cli: %.*s\n", static_cast<int>(message.size()), message.data());
    return 1;
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
