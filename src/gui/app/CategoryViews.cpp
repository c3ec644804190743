#include "gui/app/CategoryViews.h"

#include <QTabBar>
#include <algorithm>

#include "core/app/MainLayout.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeSearchBar.h"

namespace brivanta {

namespace {
// Tab order and tree order are the same: recommended, custom, address book.
constexpr std::array<int, 3> kTreeOfTab = {ids::kRecommendedTreeControl, ids::kCustomTreeControl,
                                           ids::kAddressBookControl};

int slotOf(int controlId) {
    return controlId - ids::kCustomTreeControl;
}
}  // namespace

CategoryViews::CategoryViews(QWidget& window, LoginSession& login, NamedIconList& treeIcons)
    : QObject(&window), shown_(ids::kCustomTreeControl) {
    NamedIconList::fillTabIcons(tabIcons_);
    // The recommended tree's menus go without icons.
    login.recommendedTree().setShowMenuIcons(false);
    for (int kind :
         {ids::kCustomTreeControl, ids::kRecommendedTreeControl, ids::kAddressBookControl}) {
        BookmarkTree& tree = login.tree(kind);
        tree.setIconChooser(&treeIcons);
        const int slot = slotOf(kind);
        models_[slot] = std::make_unique<BookmarkTreeModel>(tree, &treeIcons);
        auto* view = new BookmarkTreeView(models_[slot].get(), kind, &window);
        view->setObjectName(QString::number(kind));
        view->setVisible(kind == shown_);
        connect(view, &BookmarkTreeView::openRequested, this, &CategoryViews::openRequested);
        views_[slot] = view;
    }

    tabs_ = new QTabBar(&window);
    tabs_->setObjectName(QString::number(ids::kCategoryTabs));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setIconSize(QSize(16, 16));
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    const char* names[] = {"推荐", "收藏", "通讯录"};
    for (int tab = 0; tab < 3; ++tab)
        tabs_->addTab(tabIcons_.icon(tab), QString::fromUtf8(names[tab]));
    tabs_->setCurrentIndex(1);
    connect(tabs_, &QTabBar::currentChanged, this, &CategoryViews::switchTo);

    // The search line above the tree: Ctrl+F, or typing while a tree has the focus.
    searchBar_ = new TreeSearchBar(&window);
    for (int tab = 0; tab < tabs_->count(); ++tab)
        searchBar_->addTree(view(kTreeOfTab[tab]), tabs_->tabText(tab));
    searchBar_->setActiveView(shownView());
    connect(searchBar_, &TreeSearchBar::openRequested, this, &CategoryViews::openRequested);
    connect(searchBar_, &TreeSearchBar::treeRequested, this, [this](int controlId) {
        auto tab = std::find(kTreeOfTab.begin(), kTreeOfTab.end(), controlId);
        if (tab != kTreeOfTab.end())
            switchTo(static_cast<int>(tab - kTreeOfTab.begin()));
    });
    connect(searchBar_, &TreeSearchBar::heightChanged, this, &CategoryViews::searchHeightChanged);
}

CategoryViews::~CategoryViews() {
    for (BookmarkTreeView*& each : views_) {
        delete each;
        each = nullptr;
    }
}

void CategoryViews::registerCommands(CommandRegistry& commands) {
    commands.setHandler(ids::kSearch, [this] { searchBar_->startSearch(); });
}

BookmarkTreeView* CategoryViews::view(int controlId) const {
    const int slot = slotOf(controlId);
    return slot >= 0 && slot < 3 ? views_[slot] : nullptr;
}

void CategoryViews::switchTo(int tabIndex) {
    if (tabIndex < 0 || tabIndex >= static_cast<int>(kTreeOfTab.size()))
        return;
    shown_ = kTreeOfTab[tabIndex];
    for (int id : kTreeOfTab) {
        if (id != shown_)
            view(id)->hide();
    }
    shownView()->show();
    searchBar_->setActiveView(shownView());
    if (tabs_->currentIndex() != tabIndex) {
        QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(tabIndex);
    }
    emit switched(shown_);
}

void CategoryViews::place(const QRect& client, int controlId, QWidget* toolbar, int toolbarBand) {
    BookmarkTreeView* placed = view(controlId);
    if (!placed)
        return;
    const QRect& c = client;
    const MainLayout layout =
        layoutMainWindow({c.left(), c.top(), c.left() + c.width(), c.top() + c.height()},
                         toolbarBand, kTabBand, searchBar_->sizeHint().height());
    for (auto [widget, where] : {std::pair<QWidget*, LayoutRect>{searchBar_, layout.search},
                                 {placed, layout.tree},
                                 {tabs_, layout.tabs},
                                 {toolbar, layout.toolbar}}) {
        const QRect r(where.left, where.top, std::max(0, where.width()),
                      std::max(0, where.height()));
        if (widget->geometry() != r)
            widget->setGeometry(r);
    }
    toolbar->setVisible(toolbarBand != 0);
}

}  // namespace brivanta
