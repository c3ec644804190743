#pragma once

#include <QObject>
#include <QRect>
#include <array>
#include <memory>

#include "core/app/LoginSession.h"
#include "gui/addressbook/NamedIconList.h"

class QTabBar;
class QWidget;

namespace brivanta {

class BookmarkTreeModel;
class BookmarkTreeView;
class CommandRegistry;
class TreeSearchBar;

// Which of a login's three trees the window shows: a view of each, the tab strip that picks
// one, and the search line above it. The custom tree is shown first.
class CategoryViews : public QObject {
    Q_OBJECT
  public:
    // The widgets are children of `window`; `treeIcons` draws the entries.
    CategoryViews(QWidget& window, LoginSession& login, NamedIconList& treeIcons);
    // The views go before the models they look into.
    ~CategoryViews() override;

    // Ctrl+F starts the search line.
    void registerCommands(CommandRegistry& commands);
    BookmarkTreeView* view(int controlId) const;
    BookmarkTreeView* shownView() const { return view(shown_); }
    int shownTree() const { return shown_; }
    QTabBar* tabs() const { return tabs_; }
    TreeSearchBar* searchBar() const { return searchBar_; }
    // Shows a category as a click on its tab does: 0 recommended, 1 custom, 2 address book.
    void switchTo(int tabIndex);
    // Places the view of `controlId`, the search line and the tab strip in `client`, below a
    // toolbar band `toolbarBand` high (0: no toolbar), which `toolbar` fills.
    void place(const QRect& client, int controlId, QWidget* toolbar, int toolbarBand);

  signals:
    void switched(int controlId);
    void openRequested(const QString& address);
    // The search line opened or closed: the window places the tree again.
    void searchHeightChanged();

  private:
    NamedIconList tabIcons_;
    std::array<std::unique_ptr<BookmarkTreeModel>, 3> models_;
    std::array<BookmarkTreeView*, 3> views_{};
    QTabBar* tabs_ = nullptr;
    TreeSearchBar* searchBar_ = nullptr;
    int shown_;
};

}  // namespace brivanta
