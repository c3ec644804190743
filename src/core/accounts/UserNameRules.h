#pragma once

#include <string_view>

namespace brivanta {

// A user name becomes a file name ("Data/<name>.bvk"), so it must not be able to point
// elsewhere: no "/" or "\\", not "." or "..", no control characters. `name` is GBK and
// already trimmed.
bool isUsableUserName(std::string_view name);

}  // namespace brivanta
