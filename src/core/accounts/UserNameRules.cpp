#include "core/accounts/UserNameRules.h"

#include <string>

#include "core/text/Encoding.h"

namespace brivanta {

bool isUsableUserName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    // Judge the characters, not the GBK bytes: a trail byte may be 0x5C without being "\\".
    std::string utf8 = text::toUtf8(name);
    for (unsigned char c : utf8) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    }
    // Bytes that are not GBK would not survive as a file name.
    return utf8.find("\xEF\xBF\xBD") == std::string::npos;
}

}  // namespace brivanta
