#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <vector>

#include "core/app/ViewOptions.h"
#include "core/trees/BookmarkTree.h"
#include "gui/resources/MenuTables.h"

class QWidget;

namespace brivanta {

class BookmarkTreeView;
class CommandRegistry;
class IconMenu;
class NamedIconList;

// Appends the entries below `parent` (kNoItem: the top level) to `menu`: first the entries
// without children as items that carry their item data, then the folders with content as
// submenus, each filled only when it is about to open. Labels over 24 bytes are cut. Icons come
// from `icons` (none for no icons).
void BuildTreeMenu(const BookmarkTree& tree, ItemId parent, IconMenu* menu,
                   const NamedIconList* icons);

// Appends a menu table's items to `menu` as the registry's actions; submenus become IconMenus.
// Where the table's text differs from the command's own ("我的邮箱" for 发送到邮箱...), the
// item is an action of the menu with that text that follows the command's state and runs it.
void fillMenu(IconMenu* menu, const std::vector<MenuTableItem>& items, CommandRegistry& commands);

// The right-click menus of the trees, the toolbar's drop-downs and the quick menu of
// bookmarks. Tree commands run at once; window commands run queued so the menu has closed.
class TreeMenus : public QObject {
    Q_OBJECT
  public:
    struct Hooks {
        std::function<ViewOptions()> viewOptions;
        std::function<BookmarkTreeView*()> activeView;
        std::function<void(const QString& address)> openAddress;
        const NamedIconList* treeIcons = nullptr;
    };
    // How a finished menu is shown; the default runs it modally at the point.
    using Runner = std::function<void(IconMenu& menu, const QPoint& globalPos)>;

    TreeMenus(CommandRegistry& commands, Hooks hooks, QObject* parent = nullptr);
    ~TreeMenus() override;

    // Right click on `view`: selects the entry under the cursor (none over empty space) and
    // shows menu 227 (address book) or 137.
    void attach(BookmarkTreeView* view);

    // Popup of `menuId` chosen for the tree's state, greyed and checked, ready to show. The
    // caller owns it; while it lives, the commands act on `tree`.
    IconMenu* buildContextMenu(BookmarkTree& tree, ItemId selected, int menuId, QWidget* parent);
    void ShowContextMenu(BookmarkTreeView* view, int menuId, const QPoint& globalPos);

    // The drop-down of toolbar button `commandId` (32780, 32819, 32820); it is refilled for the
    // active tree each time it opens. Null for other buttons.
    IconMenu* dropDownMenu(int commandId, QWidget* parent);

    // The bookmarks of `tree` as a cascade; choosing one opens its address. An empty tree shows
    // the single greyed "（空）".
    IconMenu* quickMenu(BookmarkTree& tree, QWidget* parent);
    // Left click on the taskbar icon: the quick menu of `tree` at the point.
    void showQuickMenu(BookmarkTree& tree, const QPoint& globalPos);

    void setRunner(Runner runner) { runner_ = std::move(runner); }

  private:
    // Greys and checks the commands for `tree` with `selected` and gives `menu` its icons.
    void prepare(IconMenu& menu, BookmarkTree& tree, ItemId selected);
    void onRightClick(BookmarkTreeView* view, const QPoint& viewportPos);
    // The tree of control id `target` among those menus were shown for.
    BookmarkTree* treeOf(int target) const;

    CommandRegistry& commands_;
    Hooks hooks_;
    Runner runner_;
    QHash<int, BookmarkTree*> trees_;  // by tree kind
};

}  // namespace brivanta
