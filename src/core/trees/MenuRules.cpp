#include "core/trees/MenuRules.h"

#include "core/text/Trim.h"

namespace brivanta::menus {

int choosePopup(const BookmarkTree& tree, int menuId, ItemId selected) {
    switch (menuId) {
        case kAddressBookMenu: {
            if (tree.empty())
                return 2;
            // A contact or one of its details carries a tag; folders do not.
            RecordRef record = tree.LookupRecord(selected);
            return record && !text::trimLeft(record->tag).empty() ? 1 : 0;
        }
        case kReceiveMenu:
            return tree.treeKind() == kRecommendedTree ? 1 : 0;
        case kNodeMenu:
            return tree.empty() ? 1 : 0;
        default:
            return 0;
    }
}

}  // namespace brivanta::menus
