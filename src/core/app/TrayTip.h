#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brivanta {

// The longest tip the notification icon shows, in bytes of stored text.
inline constexpr size_t kTrayTipLimit = 63;

// The notification icon's tip for the tree `treeKind` (1000, 1001, 1002): the user name
// (GBK) followed by "（收藏）", "（推荐）" or "（通讯录）", cut to kTrayTipLimit bytes at the
// last whole character.
std::string trayTip(std::string_view userName, int treeKind);

// `text` cut to at most `limit` bytes without splitting a character.
std::string cutToWholeCharacters(std::string_view text, size_t limit);

}  // namespace brivanta
