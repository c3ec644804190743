#include "core/trees/MenuRules.h"

#include "core/text/Trim.h"

namespace brivanta::menus {

namespace {
// Command ids as the menus name them.
constexpr int kDelete = 32772;
constexpr int kEdit = 32774;
constexpr int kCut = 32775;
constexpr int kCopy = 32776;
constexpr int kPaste = 32777;
constexpr int kExport = 32782;
constexpr int kUpload = 32822;
constexpr int kShowToolbar = 32810;
constexpr int kShowMenuIcons = 32813;
constexpr int kListen = 32815;
constexpr int kShowTrayIcon = 32832;
constexpr int kAutoHide = 32833;
}  // namespace

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

std::vector<CommandState> availableCommands(const BookmarkTree& tree, ItemId selected) {
    bool hasSelection = selected != kNoItem && tree.contains(selected);
    // A paste source that was deleted since is no source.
    bool hasSource = tree.pasteSource() != kNoItem && tree.contains(tree.pasteSource());
    return {{kEdit, hasSelection},
            {kCut, hasSelection},
            {kCopy, hasSelection},
            {kPaste, hasSource},
            {kDelete, !tree.empty()},
            {kExport, !tree.empty()},
            {kUpload, tree.treeKind() != kRecommendedTree}};
}

std::vector<CommandState> checkedCommands(const BookmarkTree& tree, const ViewOptions& options) {
    return {{kShowToolbar, options.showToolbar},
            {kShowTrayIcon, options.showTrayIcon},
            {kShowMenuIcons, tree.showMenuIcons()},
            {kListen, options.listening},
            {kAutoHide, options.autoHide}};
}

}  // namespace brivanta::menus
