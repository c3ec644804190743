#pragma once

#include <QString>
#include <vector>

namespace brivanta {

// One item of a menu table: a command (id and the table's own text), a separator (id 0, no
// children) or a submenu (children, id 0).
struct MenuTableItem {
    int id = 0;
    QString text;
    std::vector<MenuTableItem> children;

    bool isSeparator() const { return id == 0 && children.empty(); }
    bool isSubmenu() const { return !children.empty(); }
};

struct MenuTablePopup {
    QString name;
    std::vector<MenuTableItem> items;
};

// The popups of menu `menuId` (137, 227, 175, 176, 150, 153, 191), in order; empty for an
// unknown menu.
const std::vector<MenuTablePopup>& menuTable(int menuId);

// Every command id a popup shows, at any depth, in order.
std::vector<int> menuCommands(const MenuTablePopup& popup);

}  // namespace brivanta
