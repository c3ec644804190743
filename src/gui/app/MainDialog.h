#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "core/accounts/UserAccount.h"
#include "core/app/LoginSession.h"
#include "core/app/NetworkSettings.h"
#include "core/app/Storage.h"
#include "core/app/ViewOptions.h"
#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/platform/FileAssociations.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

class QAction;
class QMenu;
class QTabBar;
class QToolBar;
class QToolButton;

namespace brivanta {

class BarDialog;
class DesktopIntegration;
class EdgeDocking;
class BookmarkTreeModel;
class PeerListenService;
class BookmarkTreeView;
class TreeSearchBar;
class TreeEditor;
class TreeUndo;
class TreeMenus;
class TrayIcon;
struct OptionValues;

// The main window: the three category trees of a login, the tab strip that picks one, the
// toolbar, and closing. A tool window without a taskbar entry. The login, its files and
// when they are written belong to the LoginSession it is given.
class MainDialog : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kDefaultWidth = 240;

    // `login` is logged in already (runLogin); its trees are read by start().
    explicit MainDialog(std::unique_ptr<LoginSession> login, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Everything after the login: the trees read from their files (a file read only in part
    // is reported), window, tabs, timer, listening.
    void start();

    // Runs a command (toolbar, menus). False for a command without a handler, or one that
    // cannot run in the present state.
    bool command(int id);
    // The one action of every command id; menus and buttons show these.
    CommandRegistry& commands() { return commands_; }
    // Saves the tree of activeTree to its file; on failure tells the user which file.
    bool saveActiveTree();
    // The login whose trees the window shows; it decides what is written where.
    LoginSession& login() { return *login_; }
    // Closes for good when the program is being ended from outside (the session ends, a
    // termination signal): saves as the close box does, but cannot be refused.
    void closeForQuit();

    BookmarkTree& customTree() { return customTree_; }
    BookmarkTree& recommendedTree() { return recommendedTree_; }
    BookmarkTree& addressBookTree() { return addressBookTree_; }
    BookmarkTree& activeTree() { return *activeTree_; }
    int activeTreeId() const { return activeTree_->treeKind(); }
    BookmarkTreeView* treeView(int controlId) const;
    // The editing commands; the contact dialog is attached here.
    TreeEditor* treeEditor() const { return editor_; }
    // The undo history of tree `controlId`; code that adds entries itself (a received tree,
    // a drop) records them with treeUndo(id)->recordAdded(roots). Its clean state says whether
    // the tree needs saving.
    TreeUndo* treeUndo(int controlId) const;
    QTabBar* tabs() const { return tabs_; }
    TreeSearchBar* searchBar() const { return searchBar_; }
    QToolBar* toolbar() const { return toolbar_; }
    QToolButton* toolButton(int commandId) const;
    const UserAccount& account() const { return account_; }
    const Storage& storage() const { return login_->storage(); }
    int toolbarBand() const { return toolbarBand_; }
    int tabBand() const { return tabBand_; }

    // Places the tree `controlId` and the tab strip in the client area.
    void layoutActiveTree(int controlId);
    // Selects a category as a click on its tab does: 0 recommended, 1 custom, 2 address book.
    void switchCategory(int tabIndex);
    void setShowToolbar(bool show);
    bool showToolbar() const { return toolbarBand_ != 0; }
    // The view switches the menus show checked.
    ViewOptions viewOptions() const;
    // Right-click menus, toolbar drop-downs and the quick menu of bookmarks.
    TreeMenus& menus() { return *menus_; }
    // The endpoints of this run, and the listening port (MainDialogNetwork.cpp).
    NetworkSettings& networkSettings() { return network_; }
    PeerListenService& peerListener() { return *listener_; }

    // The upload server and the listening port of this run (set in the options sheet).
    const NetworkSettings& networkSettings() const { return network_; }
    // The options sheet (32797), and what its OK does, in order (MainDialogOptions.cpp).
    void openOptions();
    void applyOptions(const OptionValues& values);
    // The notification icon and the docking bar.
    DesktopIntegration& desktop() { return *desktop_; }
    TrayIcon& trayIcon();
    BarDialog& bar();
    // The window's place at the screen edge, and auto-hide.
    EdgeDocking& docking() { return *docking_; }

  signals:
    // The window has closed and saved; the program ends.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void registerCommands();
    // New, edit, delete, cut, copy, paste, undo and redo on the shown tree, import and new
    // contact (MainDialogEditing.cpp).
    void registerEditingCommands();
    // Listening, sending to a neighbour or a mailbox, receiving, update and upload.
    void registerNetworkCommands();
    // Settings, the view toggles, the tray icon and the bar.
    void registerOptionCommands();
    void buildToolbar();
    void openHelp();
    void showAbout();
    void openEntry(const QString& address);
    // Saves every tree that changed (收藏, 通讯录, then 推荐), as every way of closing does.
    // When a file cannot be written the user may retry, keep the window open (false), or
    // close and lose what was not saved; with `mayStayOpen` false the failure is only
    // reported. A damaged original kept beside its file is reported too.
    bool saveBeforeClosing(bool mayStayOpen);

    // Before the login: what undo does as the trees go still enables and disables these.
    CommandRegistry commands_;
    // The trees live in it, and everything below looks into them.
    std::unique_ptr<LoginSession> login_;
    UserAccount& account_;
    // Icons and handler programs of the kinds of addresses, from the desktop.
    DesktopAssociations associations_;
    NamedIconList treeIcons_;
    NamedIconList tabIcons_;
    BookmarkTree& customTree_;
    BookmarkTree& recommendedTree_;
    BookmarkTree& addressBookTree_;
    BookmarkTree* activeTree_ = &customTree_;
    std::array<std::unique_ptr<BookmarkTreeModel>, 3> models_;
    std::array<BookmarkTreeView*, 3> views_{};
    std::unique_ptr<TreeMenus> menus_;
    QTabBar* tabs_ = nullptr;
    TreeSearchBar* searchBar_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    ViewOptions view_;
    NetworkSettings network_;
    DesktopIntegration* desktop_ = nullptr;
    EdgeDocking* docking_ = nullptr;
    TreeEditor* editor_ = nullptr;
    int toolbarBand_;
    int tabBand_;
    // The width the window is fitted with: the default, or as the user left it last time.
    int preferredWidth_ = kDefaultWidth;
    bool started_ = false;
    bool closed_ = false;
    bool quitting_ = false;
    // Last, so it stops before the trees it adds to go.
    std::unique_ptr<PeerListenService> listener_;
};

}  // namespace brivanta
