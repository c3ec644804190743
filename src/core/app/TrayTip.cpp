#include "core/app/TrayTip.h"

#include "core/text/Encoding.h"
#include "core/text/LabelCut.h"
#include "core/trees/TreeKind.h"

namespace brivanta {

std::string cutToWholeCharacters(std::string_view text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        size_t next = end + text::gbkCharLength(text.substr(end));
        if (next > limit)
            break;
        end = next;
    }
    return std::string(text.substr(0, end));
}

std::string trayTip(std::string_view userName, int treeKind) {
    const char* word = "（收藏）";
    if (treeKind == kRecommendedTree)
        word = "（推荐）";
    else if (treeKind == kAddressBookTree)
        word = "（通讯录）";
    std::string tip(userName);
    tip += text::gbk(word);
    return cutToWholeCharacters(tip, kTrayTipLimit);
}

}  // namespace brivanta
