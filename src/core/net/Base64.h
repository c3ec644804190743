#pragma once

#include <string>
#include <string_view>

namespace brivanta::net {

// Standard base64 with padding, no line breaks (SMTP AUTH arguments).
std::string base64Encode(std::string_view bytes);

}  // namespace brivanta::net
