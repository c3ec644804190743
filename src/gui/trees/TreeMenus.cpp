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

}  // namespace

void fillMenu(IconMenu* menu, const std::vector<MenuTableItem>& items, CommandRegistry& commands) {
    for (const MenuTableItem& entry : items) {
        if (entry.isSubmenu())
            fillMenu(menu->addIconMenu(entry.text), entry.children, commands);
        else if (entry.isSeparator())
            menu->addSeparator();
        else
            menu->addAction(commands.action(entry.id));
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
    commands_.setHandler(ids::kShowMenuIcons, [this] {
        if (BookmarkTree* tree = menuTree()) {
            tree->setShowMenuIcons(!tree->showMenuIcons());
            commands_.setChecked(ids::kShowMenuIcons, tree->showMenuIcons());
        }
    });
}

TreeMenus::~TreeMenus() = default;

BookmarkTree* TreeMenus::menuTree() const {
    if (menuTree_)
        return menuTree_;
    BookmarkTreeView* view = hooks_.activeView ? hooks_.activeView() : nullptr;
    return view ? &view->tree() : nullptr;
}

void TreeMenus::updateCommandStates(const BookmarkTree& tree, ItemId selected) {
    for (const menus::CommandState& state : menus::availableCommands(tree, selected))
        commands_.setAvailable(state.id, state.on);
}

void TreeMenus::prepare(IconMenu& menu, BookmarkTree& tree, ItemId selected) {
    menuTree_ = &tree;
    updateCommandStates(tree, selected);
    ViewOptions options = hooks_.viewOptions ? hooks_.viewOptions() : ViewOptions{};
    for (const menus::CommandState& state : menus::checkedCommands(tree, options))
        commands_.setChecked(state.id, state.on);
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
    // Keyboard shortcuts use the same actions: keep their states with the shown tree.
    auto refresh = [this, view] {
        BookmarkTreeView* active = hooks_.activeView ? hooks_.activeView() : view;
        if (active == view)
            updateCommandStates(view->tree(), view->currentItem());
    };
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, refresh);
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
