#pragma once

#include <QWidget>
#include <memory>

#include "core/app/LoginSession.h"
#include "core/app/ViewOptions.h"
#include "gui/addressbook/NamedIconList.h"
#include "gui/app/CategoryViews.h"
#include "gui/app/DesktopIntegration.h"
#include "gui/app/MainToolbar.h"
#include "gui/platform/FileAssociations.h"
#include "gui/resources/CommandRegistry.h"

class QTabBar;
class QToolBar;
class QToolButton;

namespace brivanta {

class BarDialog;
class BookmarkTreeView;
class ContactCommands;
class EdgeDocking;
class HelpCommands;
class NetworkCommands;
class OptionCommands;
class TrayIcon;
class TreeEditor;
class TreeFiles;
class TreeMenus;
class TreeSearchBar;
class TreeUndo;

// The main window: places the shown tree, its tabs and the toolbar, and closes. A tool window
// without a taskbar entry. The commands are the pieces' below, each registering its own
// handlers; the login decides what is written.
class MainDialog : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kDefaultWidth = 240;

    // `login` is logged in already (runLogin); its trees are read by start().
    explicit MainDialog(std::unique_ptr<LoginSession> login, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Everything after the login: the trees read, window, tabs, timer, listening.
    void start();
    // Runs a command; false for one without a handler or that cannot run now.
    bool command(int id) { return commands_.trigger(id); }
    CommandRegistry& commands() { return commands_; }
    LoginSession& login() { return *login_; }
    // Closes for good when the program is being ended from outside (the session ends, a
    // termination signal): saves as the close box does, but cannot be refused.
    void closeForQuit();

    BookmarkTree& customTree() { return login_->customTree(); }
    BookmarkTree& recommendedTree() { return login_->recommendedTree(); }
    BookmarkTree& addressBookTree() { return login_->addressBookTree(); }
    BookmarkTree& activeTree() { return login_->tree(activeTreeId()); }
    int activeTreeId() const { return views_->shownTree(); }
    BookmarkTreeView* treeView(int controlId) const { return views_->view(controlId); }
    // The editing commands; its histories' clean states say which trees need saving.
    TreeEditor* treeEditor() const { return editor_; }
    TreeUndo* treeUndo(int controlId) const;
    QTabBar* tabs() const { return views_->tabs(); }
    TreeSearchBar* searchBar() const { return views_->searchBar(); }
    QToolBar* toolbar() const { return toolbar_->widget(); }
    QToolButton* toolButton(int commandId) const { return toolbar_->button(commandId); }
    const UserAccount& account() const { return login_->account(); }
    const Storage& storage() const { return login_->storage(); }
    int toolbarBand() const { return toolbar_->band(); }

    // Places the tree `controlId` and the tab strip in the client area.
    void layoutActiveTree(int controlId);
    // Selects a category as a click on its tab does: 0 recommended, 1 custom, 2 address book.
    void switchCategory(int tabIndex) { views_->switchTo(tabIndex); }
    void setShowToolbar(bool show) { toolbar_->setShown(show); }
    bool showToolbar() const { return toolbar_->shown(); }
    // The view switches the menus show checked, and what the options sheet sets of them.
    ViewOptions viewOptions() const;
    void applyViewOptions(const ViewOptions& options);

    // The pieces.
    TreeMenus& menus() { return *menus_; }
    NetworkCommands& network() { return *network_; }
    OptionCommands& options() { return *options_; }
    TreeFiles& files() { return *files_; }
    DesktopIntegration& desktop() { return *desktop_; }
    TrayIcon& trayIcon() { return desktop_->trayIcon(); }
    BarDialog& bar() { return desktop_->bar(); }
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
    // The editing commands on the trees, the contact dialog, import and export.
    void buildEditor();
    void openEntry(const QString& address);

    // Before the login: what undo does as the trees go still enables and disables these.
    CommandRegistry commands_;
    // The trees live in it, and everything below looks into them.
    std::unique_ptr<LoginSession> login_;
    // Icons and handler programs of the kinds of addresses, from the desktop.
    DesktopAssociations associations_;
    NamedIconList treeIcons_;
    // The views look into the trees: they go before the login (see the destructor).
    std::unique_ptr<CategoryViews> views_;
    std::unique_ptr<TreeMenus> menus_;
    MainToolbar* toolbar_ = nullptr;
    ViewOptions view_;
    TreeEditor* editor_ = nullptr;
    EdgeDocking* docking_ = nullptr;
    std::unique_ptr<DesktopIntegration> desktop_;
    std::unique_ptr<ContactCommands> contacts_;
    std::unique_ptr<TreeFiles> files_;
    std::unique_ptr<HelpCommands> help_;
    std::unique_ptr<OptionCommands> options_;
    bool started_ = false;
    bool closed_ = false;
    bool quitting_ = false;
    // Reset first in the destructor: its listener stops before the trees it adds to go.
    std::unique_ptr<NetworkCommands> network_;
};

}  // namespace brivanta
