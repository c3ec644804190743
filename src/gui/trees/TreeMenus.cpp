#include "gui/trees/TreeMenus.h"

#include <QAction>

#include "core/text/LabelCut.h"
#include "core/text/Trim.h"
#include "core/trees/MenuRules.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/controls/IconMenu.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"

namespace brivanta {

namespace {

// Commands the main window carries out; the trees pass them on.
constexpr int kWindowCommands[] = {ids::kExit,
                                   ids::kAbout,
                                   ids::kTipOfTheDay,
                                   ids::kNewContact,
                                   ids::kImport,
                                   ids::kExport,
                                   ids::kShowToolbar,
                                   ids::kSendToMailbox,
                                   ids::kSendToNeighbour,
                                   ids::kUpload,
                                   ids::kUpdateRecommended,
                                   ids::kReceiveFromMailbox,
                                   ids::kSettings,
                                   ids::kListen,
                                   ids::kShowTrayIcon,
                                   ids::kAutoHide,
                                   ids::kHelp,
                                   ids::kShortcutFolderFormat,
                                   ids::kHtmlFileFormat,
                                   ids::kArchiveFileFormat};

QIcon treeIcon(const NamedIconList* icons, int image) {
    return icons && image >= 0 && image < icons->count() ? icons->icon(image) : QIcon();
}

QString menuLabel(const BookmarkTree& tree, ItemId item) {
    return fromGbk(text::cutLabel(tree.label(item)));
}

// An item of `menu` with the menu's own text for `command`: it shows the command's state and
// keys, and choosing it triggers the command.
QAction* textedItem(IconMenu* menu, QAction* command, const QString& text) {
    auto* item = new QAction(text, menu);
    item->setObjectName(command->objectName());
    item->setIconVisibleInMenu(false);
    // Shown beside the text; the command's own action is the one the keys reach.
    item->setShortcutContext(Qt::WidgetShortcut);
    auto follow = [item, command] {
        item->setEnabled(command->isEnabled());
        item->setVisible(command->isVisible());
        item->setCheckable(command->isCheckable());
        item->setChecked(command->isChecked());
        item->setShortcuts(command->shortcuts());
    };
    follow();
    QObject::connect(command, &QAction::changed, item, follow);
    QObject::connect(item, &QAction::triggered, command, [command] { command->trigger(); });
    return item;
}

}  // namespace

void fillMenu(IconMenu* menu, const std::vector<MenuTableItem>& items, CommandRegistry& commands) {
    for (const MenuTableItem& entry : items) {
        if (entry.isSubmenu()) {
            fillMenu(menu->addIconMenu(entry.text), entry.children, commands);
        } else if (entry.isSeparator()) {
            menu->addSeparator();
        } else if (entry.text.isEmpty() || entry.text == commandText(entry.id)) {
            menu->addAction(commands.action(entry.id));
        } else {
            menu->addAction(textedItem(menu, commands.action(entry.id), entry.text));
        }
    }
}

void BuildTreeMenu(const BookmarkTree& tree, ItemId parent, IconMenu* menu,
                   const NamedIconList* icons) {
    int count = tree.childCount(parent);
    for (int row = 0; row < count; ++row) {
        ItemId child = tree.child(parent, row);
        if (tree.hasChildren(child))
            continue;
        QAction* action = menu->addAction(menuLabel(tree, child));
        action->setData(static_cast<unsigned>(child));
        menu->setItemIcon(action, treeIcon(icons, tree.image(child)));
    }
    for (int row = 0; row < count; ++row) {
        ItemId child = tree.child(parent, row);
        if (!tree.hasChildren(child))
            continue;
        IconMenu* submenu = menu->addIconMenu(menuLabel(tree, child));
        menu->setItemIcon(submenu->menuAction(), treeIcon(icons, tree.image(child)));
        // A tree of a million entries would take seconds to lay out at once: a folder is
        // filled when it is first opened.
        QObject::connect(
            submenu, &QMenu::aboutToShow, submenu,
            [&tree, child, submenu, icons] {
                if (submenu->isEmpty() && tree.contains(child))
                    BuildTreeMenu(tree, child, submenu, icons);
            },
            Qt::SingleShotConnection);
    }
}

TreeMenus::TreeMenus(CommandRegistry& commands, Hooks hooks, QObject* parent)
    : QObject(parent), commands_(commands), hooks_(std::move(hooks)) {
    runner_ = [](IconMenu& menu, const QPoint& globalPos) { menu.exec(globalPos); };
    for (int id : kWindowCommands)
        commands_.setQueued(id, true);
    // Each tree has its own switch: the one of the tree the menu opened for.
    commands_.setTreeHandler(ids::kShowMenuIcons, [this](int target) {
        if (BookmarkTree* tree = treeOf(target)) {
            tree->setShowMenuIcons(!tree->showMenuIcons());
            commands_.setChecked(ids::kShowMenuIcons, tree->showMenuIcons());
        }
    });
}

TreeMenus::~TreeMenus() = default;

BookmarkTree* TreeMenus::treeOf(int target) const {
    auto known = trees_.constFind(target);
    if (known != trees_.constEnd() && *known)
        return *known;
    BookmarkTreeView* view = hooks_.activeView ? hooks_.activeView() : nullptr;
    return view && view->tree().treeKind() == target ? &view->tree() : nullptr;
}

void TreeMenus::prepare(IconMenu& menu, BookmarkTree& tree, ItemId selected) {
    trees_.insert(tree.treeKind(), &tree);
    CommandContext context = commands_.context(tree.treeKind());
    context.tree = &tree;
    context.selected = selected;
    if (hooks_.viewOptions)
        context.options = hooks_.viewOptions();
    commands_.applyContext(context);
    menu.setShowIcons(tree.showMenuIcons());
    menu.loadToolbarIcons(ids::kMenuIconToolbar);
}

IconMenu* TreeMenus::buildContextMenu(BookmarkTree& tree, ItemId selected, int menuId,
                                      QWidget* parent) {
    const std::vector<MenuTablePopup>& popups = menuTable(menuId);
    if (popups.empty())
        return nullptr;
    int index = menus::choosePopup(tree, menuId, selected);
    if (index < 0 || index >= static_cast<int>(popups.size()))
        index = 0;
    auto* menu = new IconMenu(popups[index].name, parent);
    menu->setObjectName(popups[index].name);
    fillMenu(menu, popups[index].items, commands_);
    commands_.pushTarget(menu, tree.treeKind());
    prepare(*menu, tree, selected);
    return menu;
}

void TreeMenus::ShowContextMenu(BookmarkTreeView* view, int menuId, const QPoint& globalPos) {
    std::unique_ptr<IconMenu> menu(
        buildContextMenu(view->tree(), view->currentItem(), menuId, view));
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose, false);
    runner_(*menu, globalPos);
}

void TreeMenus::attach(BookmarkTreeView* view) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint& pos) { onRightClick(view, pos); });
    trees_.insert(view->tree().treeKind(), &view->tree());
}

void TreeMenus::onRightClick(BookmarkTreeView* view, const QPoint& viewportPos) {
    QModelIndex hit = view->indexAt(viewportPos);
    if (hit.isValid()) {
        view->setCurrentIndex(hit);
    } else {
        view->clearSelection();
        view->setCurrentIndex(QModelIndex());
    }
    int menuId =
        view->tree().treeKind() == kAddressBookTree ? ids::kAddressBookMenu : ids::kNodeMenu;
    ShowContextMenu(view, menuId, view->viewport()->mapToGlobal(viewportPos));
}

IconMenu* TreeMenus::dropDownMenu(int commandId, QWidget* parent) {
    int menuId = 0;
    switch (commandId) {
        case ids::kAbout:
            menuId = ids::kHelpMenu;
            break;
        case ids::kSendToMailbox:
            menuId = ids::kSendMenu;
            break;
        case ids::kReceiveFromMailbox:
            menuId = ids::kReceiveMenu;
            break;
        default:
            return nullptr;
    }
    auto* menu = new IconMenu(parent);
    // The popup (接收0 or 接收1), the greying and the icons follow the tree shown when it opens.
    connect(menu, &QMenu::aboutToShow, this, [this, menu, menuId] {
        BookmarkTreeView* view = hooks_.activeView ? hooks_.activeView() : nullptr;
        if (!view)
            return;
        BookmarkTree& tree = view->tree();
        const MenuTablePopup& popup =
            menuTable(menuId)[static_cast<size_t>(menus::choosePopup(tree, menuId, kNoItem))];
        menu->clear();
        menu->setObjectName(popup.name);
        fillMenu(menu, popup.items, commands_);
        prepare(*menu, tree, view->currentItem());
    });
    return menu;
}

void TreeMenus::showQuickMenu(BookmarkTree& tree, const QPoint& globalPos) {
    std::unique_ptr<IconMenu> menu(quickMenu(tree, nullptr));
    runner_(*menu, globalPos);
}

IconMenu* TreeMenus::quickMenu(BookmarkTree& tree, QWidget* parent) {
    auto* menu = new IconMenu(parent);
    const NamedIconList* icons = tree.showMenuIcons() ? hooks_.treeIcons : nullptr;
    menu->setShowIcons(icons != nullptr);
    BuildTreeMenu(tree, kNoItem, menu, icons);
    if (menu->isEmpty()) {
        QAction* empty = menu->addAction(QString::fromUtf8("（空）"));
        empty->setData(static_cast<unsigned>(ids::kEmptyMenuItem));
        empty->setEnabled(false);
        return menu;
    }
    // Triggered bubbles up from the submenus.
    connect(menu, &QMenu::triggered, this, [this, &tree](QAction* action) {
        auto item = static_cast<ItemId>(action->data().toUInt());
        RecordRef record = tree.LookupRecord(item);
        if (!record)
            return;
        std::string_view address = text::trimLeft(record->address);
        if (!address.empty() && hooks_.openAddress)
            hooks_.openAddress(fromGbk(address));
    });
    return menu;
}

}  // namespace brivanta
