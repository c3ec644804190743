#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>

class QPoint;
class QScreen;
class QWidget;

namespace brivanta {

class BarDialog;
class BookmarkTreeView;
class CommandRegistry;
class TrayIcon;
class TreeMenus;

// The program on the desktop outside its window: the notification icon and the docking bar,
// with the menus they open, and the switch of the icon with its command (32832). The menus act
// on the tree a bar button names, or on the shown tree.
class DesktopIntegration : public QObject {
    Q_OBJECT
  public:
    struct Hooks {
        // The view of the tree of a control id, or null.
        std::function<BookmarkTreeView*(int treeControl)> view;
        // The control id of the shown tree.
        std::function<int()> shownTree;
        // The logged-in user's name (GBK), for the icon's tip.
        std::function<std::string()> userName;
    };

    DesktopIntegration(QWidget& window, CommandRegistry& commands, TreeMenus& menus, Hooks hooks);
    ~DesktopIntegration() override;

    void registerCommands();
    // At start the icon is added whatever the switch says (it starts on), and the bar shown
    // on `screen`; at the end both go.
    void start(QScreen* screen);
    void stop();

    TrayIcon& trayIcon() { return *tray_; }
    BarDialog& bar() { return *bar_; }

    // The switch: whether the icon is wanted. Setting it adds or removes the icon.
    bool trayIconShown() const { return trayShown_; }
    void setTrayIconShown(bool shown);
    // Adds the icon with the tip of the shown tree (again, so tip and menu follow it), or
    // takes it away, whatever the switch says.
    void showTrayIcon();
    void hideTrayIcon();
    // The shown tree changed: the icon follows it while the switch is on.
    void followShownTree();

  private:
    CommandRegistry& commands_;
    TreeMenus& menus_;
    Hooks hooks_;
    TrayIcon* tray_ = nullptr;
    // A window of its own, not owned by the main one, so it stays in reach while that slides
    // out.
    std::unique_ptr<BarDialog> bar_;
    bool trayShown_ = true;
};

}  // namespace brivanta
