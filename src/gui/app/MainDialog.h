#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "core/accounts/UserAccount.h"
#include "core/formats/FileError.h"
#include "core/trees/BookmarkTree.h"
#include "gui/addressbook/NamedIconList.h"

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTabBar;
class QToolBar;
class QToolButton;

namespace brivanta {

class BookmarkTreeModel;
class BookmarkTreeView;
class TreeSearchBar;

// The main window: the three category trees, the tab strip that picks one, the toolbar,
// saving, and closing. A tool window without a taskbar entry.
class MainDialog : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kDefaultWidth = 240;
    // The strip at the bottom of the screen left free for the desktop's panel.
    static constexpr int kScreenBottomGap = 28;
    static constexpr int kEdgeTimerMilliseconds = 10;

    explicit MainDialog(std::string programDirectory, QWidget* parent = nullptr);
    ~MainDialog() override;

    // Makes the program directory current, logs a user in and starts. False when the login
    // was cancelled: nothing has been loaded or written then.
    bool initialise();
    // Everything after the login: window, trees loaded from the user's files, tabs, timer.
    void start(const UserAccount& account);

    // Runs a command of the window (toolbar, menus). False for a command it does not handle.
    bool command(int id);
    // Saves the tree of activeTree to its file; on failure tells the user which file.
    bool saveActiveTree();
    // Closes for good when the program is being ended from outside (the session ends, a
    // termination signal): saves as the close box does, but cannot be refused.
    void closeForQuit();

    BookmarkTree& customTree() { return customTree_; }
    BookmarkTree& recommendedTree() { return recommendedTree_; }
    BookmarkTree& addressBookTree() { return addressBookTree_; }
    BookmarkTree& activeTree() { return *activeTree_; }
    int activeTreeId() const { return activeTree_->treeKind(); }
    BookmarkTreeView* treeView(int controlId) const;
    QTabBar* tabs() const { return tabs_; }
    TreeSearchBar* searchBar() const { return searchBar_; }
    QToolBar* toolbar() const { return toolbar_; }
    QToolButton* toolButton(int commandId) const;
    const UserAccount& account() const { return account_; }
    const std::string& programDirectory() const { return programDirectory_; }
    int toolbarBand() const { return toolbarBand_; }
    int tabBand() const { return tabBand_; }

    // Places the tree `controlId` and the tab strip in the client area.
    void layoutActiveTree(int controlId);
    // Selects a category as a click on its tab does: 0 recommended, 1 custom, 2 address book.
    void switchCategory(int tabIndex);
    void setShowToolbar(bool show);
    bool showToolbar() const { return toolbarBand_ != 0; }

  signals:
    // The window has closed and saved; the program ends.
    void closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildToolbar();
    QMenu* buildDropDown(int commandId);
    QAction* menuAction(QMenu* menu, const char* text, int commandId);
    void onEdgeTimer();
    void openHelp();
    void showAbout();
    void openEntry(const QString& address);
    // Writes the tree of activeTree to its file, without telling anyone.
    FileError writeActiveTree();
    // Saves the custom tree and then the address book, as every way of closing does. When a
    // file cannot be written the user may retry, keep the window open (false), or close and
    // lose what was not saved; with `mayStayOpen` false the failure is only reported.
    bool saveBeforeClosing(bool mayStayOpen);

    std::string programDirectory_;
    UserAccount account_;
    NamedIconList treeIcons_;
    NamedIconList tabIcons_;
    BookmarkTree customTree_{1000};
    BookmarkTree recommendedTree_{1001};
    BookmarkTree addressBookTree_{1002};
    BookmarkTree* activeTree_ = &customTree_;
    std::array<std::unique_ptr<BookmarkTreeModel>, 3> models_;
    std::array<BookmarkTreeView*, 3> views_{};
    QTabBar* tabs_ = nullptr;
    TreeSearchBar* searchBar_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer edgeTimer_;
    int toolbarBand_;
    int tabBand_;
    bool started_ = false;
    bool closed_ = false;
    bool quitting_ = false;
};

}  // namespace brivanta
