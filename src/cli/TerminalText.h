#pragma once

#include <string>

namespace brivanta::cli {

// A text argument (a query) as UTF-8, whatever the locale's encoding.
inline std::string argumentText(const std::string& arg) {
    return arg;
}

}  // namespace brivanta::cli
