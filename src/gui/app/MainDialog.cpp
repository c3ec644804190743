#include "gui/app/MainDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QShowEvent>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "core/app/MainLayout.h"
#include "gui/addressbook/ContactCommands.h"
#include "gui/app/BarDialog.h"
#include "gui/app/DesktopIntegration.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/HelpCommands.h"
#include "gui/app/NetworkCommands.h"
#include "gui/app/OptionCommands.h"
#include "gui/app/SyncCommands.h"
#include "gui/app/TrayIcon.h"
#include "gui/app/TreeFiles.h"
#include "gui/controls/IconMenu.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/health/HealthCommands.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeSearchBar.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

namespace {
// Tab order and tree order are the same: recommended, custom, address book.
constexpr std::array<int, 3> kTreeOfTab = {ids::kRecommendedTreeControl, ids::kCustomTreeControl,
                                           ids::kAddressBookControl};

int slotOf(int controlId) {
    return controlId - ids::kCustomTreeControl;
}
}  // namespace

MainDialog::MainDialog(std::unique_ptr<LoginSession> login, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      login_(std::move(login)),
      activeTree_(&login_->customTree()),
      toolbarBand_(kToolbarBand),
      tabBand_(kTabBand) {
    setObjectName(QString::number(ids::kMainDialog));
    buildViews();
    docking_ = new EdgeDocking(*this, kDefaultWidth, commands_);
    docking_->registerCommands();
    commands_.setHandler(ids::kShowToolbar, [this] { setShowToolbar(!showToolbar()); });
    commands_.setHandler(ids::kExit, [this] { close(); });
    buildSearchBar();
    buildEditor();

    auto view = [this](int treeControl) { return treeView(treeControl); };
    auto history = [this](int treeControl) { return treeUndo(treeControl); };
    auto shown = [this] { return activeTreeId(); };
    network_ = std::make_unique<NetworkCommands>(*this, commands_, *login_,
                                                 NetworkCommands::Hooks{view, history, shown});
    network_->registerCommands();
    files_ = std::make_unique<TreeFiles>(*this, commands_, *login_, shown);
    files_->registerCommands();
    help_ = std::make_unique<HelpCommands>(*this, commands_, storage());
    help_->registerCommands();

    TreeMenus::Hooks hooks;
    hooks.viewOptions = [this] { return viewOptions(); };
    hooks.activeView = [this] { return treeView(activeTreeId()); };
    hooks.openAddress = [this](const QString& address) { openEntry(address); };
    hooks.treeIcons = &treeIcons_;
    menus_ = std::make_unique<TreeMenus>(commands_, std::move(hooks));
    for (BookmarkTreeView* each : views_)
        menus_->attach(each);
    buildToolbar();
    auto* syncing =
        new SyncCommands(*this, commands_, *login_,
                         {history, [this](const QString& title, const QString& text, bool warning) {
                              return trayIcon().showMessage(title, text, warning);
                          }});
    syncing->registerCommands();
    options_ = std::make_unique<OptionCommands>(
        *this, commands_, *login_, network_->settings(),
        OptionCommands::Hooks{[this] { return viewOptions(); },
                              [this](const ViewOptions& options) { applyViewOptions(options); },
                              [this]() -> BookmarkTree& { return activeTree(); }});
    options_->registerCommands();
    options_->setOtherValues([syncing](OptionValues& values) { syncing->fill(values); },
                             [syncing](const OptionValues& values) { syncing->apply(values); });
    desktop_ = std::make_unique<DesktopIntegration>(
        *this, commands_, *menus_,
        DesktopIntegration::Hooks{view, shown, [this] { return account().name; }});
    desktop_->registerCommands();
    docking_->keepClearOf(&bar(), bar().usualOffset());

    // Every command's state follows its target tree and the window's switches.
    commands_.setContextSource([this, syncing](int target) {
        CommandContext context = editor_->context(target);
        context.options = viewOptions();
        context.syncConfigured = syncing->configured();
        return context;
    });
    commands_.setDefaultTarget(shown);
    // The keys reach the commands anywhere in the window; a line being edited keeps its own.
    for (int id : {ids::kDelete, ids::kCut, ids::kCopy, ids::kPaste, ids::kUndo, ids::kRedo,
                   ids::kRename, ids::kSearch})
        addAction(commands_.action(id));
    commands_.refresh();
    connect(docking_, &EdgeDocking::ticked, this, [this] { layoutActiveTree(activeTreeId()); });
}

MainDialog::~MainDialog() {
    docking_->stop();
    // Undo keeps asking for the commands' states as the trees go: the pieces go first, the
    // listener before the trees it adds to.
    network_.reset();
    desktop_.reset();
    login_->setTreeChanges(nullptr);
    // The views look into the models, which look into the trees: end them in that order.
    for (BookmarkTreeView*& view : views_) {
        delete view;
        view = nullptr;
    }
}

void MainDialog::buildViews() {
    NamedIconList::fillTreeIcons(treeIcons_);
    treeIcons_.setAssociations(&associations_);
    NamedIconList::fillTabIcons(tabIcons_);
    // The recommended tree's menus go without icons.
    recommendedTree().setShowMenuIcons(false);
    for (BookmarkTree* tree : {&customTree(), &recommendedTree(), &addressBookTree()}) {
        tree->setIconChooser(&treeIcons_);
        int slot = slotOf(tree->treeKind());
        models_[slot] = std::make_unique<BookmarkTreeModel>(*tree, &treeIcons_);
        auto* view = new BookmarkTreeView(models_[slot].get(), tree->treeKind(), this);
        view->setObjectName(QString::number(tree->treeKind()));
        view->setVisible(tree == activeTree_);
        connect(view, &BookmarkTreeView::openRequested, this, &MainDialog::openEntry);
        views_[slot] = view;
    }

    tabs_ = new QTabBar(this);
    tabs_->setObjectName(QString::number(ids::kCategoryTabs));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setIconSize(QSize(16, 16));
    tabs_->setExpanding(false);
    tabs_->setDrawBase(false);
    tabs_->addTab(tabIcons_.icon(0), QString::fromUtf8("推荐"));
    tabs_->addTab(tabIcons_.icon(1), QString::fromUtf8("收藏"));
    tabs_->addTab(tabIcons_.icon(2), QString::fromUtf8("通讯录"));
    tabs_->setCurrentIndex(1);
    connect(tabs_, &QTabBar::currentChanged, this, &MainDialog::switchCategory);
}

void MainDialog::buildSearchBar() {
    // The search line above the tree: Ctrl+F, or typing while a tree has the focus.
    searchBar_ = new TreeSearchBar(this);
    for (int tab = 0; tab < tabs_->count(); ++tab)
        searchBar_->addTree(treeView(kTreeOfTab[tab]), tabs_->tabText(tab));
    searchBar_->setActiveView(treeView(ids::kCustomTreeControl));
    connect(searchBar_, &TreeSearchBar::openRequested, this, &MainDialog::openEntry);
    connect(searchBar_, &TreeSearchBar::treeRequested, this, [this](int controlId) {
        auto tab = std::find(kTreeOfTab.begin(), kTreeOfTab.end(), controlId);
        if (tab != kTreeOfTab.end())
            switchCategory(static_cast<int>(tab - kTreeOfTab.begin()));
    });
    connect(searchBar_, &TreeSearchBar::heightChanged, this,
            [this] { layoutActiveTree(activeTreeId()); });
    commands_.setHandler(ids::kSearch, [this] { searchBar_->startSearch(); });
}

void MainDialog::buildEditor() {
    editor_ = new TreeEditor(commands_, this);
    for (BookmarkTreeView* view : views_)
        editor_->addView(view);
    editor_->setActiveView(treeView(activeTreeId()));
    // The histories' clean states say which trees need saving.
    login_->setTreeChanges(editor_);
    editor_->registerCommands();
    (new HealthCommands(commands_, *editor_, this))->registerCommands();
    contacts_ = std::make_unique<ContactCommands>(*this, commands_, *editor_, treeIcons_);
    contacts_->registerCommands();
    registerExchangeCommands(
        commands_, this, [this](int target) { return treeView(target); },
        [this](int target) { return treeUndo(target); });
}

void MainDialog::buildToolbar() {
    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QString::number(ids::kMainToolbar));
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar_->setMovable(false);
    toolbar_->setContentsMargins(0, 0, 0, 0);
    for (int id : ids::kToolbarLayout) {
        if (id == 0) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action = commands_.action(id);
        toolbar_->addAction(action);
        if (id == ids::kSendToMailbox || id == ids::kReceiveFromMailbox || id == ids::kAbout) {
            if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action))) {
                button->setMenu(menus_->dropDownMenu(id, this));
                button->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
    }
}

TrayIcon& MainDialog::trayIcon() {
    return desktop_->trayIcon();
}

BarDialog& MainDialog::bar() {
    return desktop_->bar();
}

QToolButton* MainDialog::toolButton(int commandId) const {
    if (!commands_.contains(commandId))
        return nullptr;
    QAction* action = const_cast<CommandRegistry&>(commands_).action(commandId);
    return qobject_cast<QToolButton*>(toolbar_->widgetForAction(action));
}

BookmarkTreeView* MainDialog::treeView(int controlId) const {
    int slot = slotOf(controlId);
    return slot >= 0 && slot < 3 ? views_[slot] : nullptr;
}

TreeUndo* MainDialog::treeUndo(int controlId) const {
    return editor_ ? editor_->history(controlId) : nullptr;
}

void MainDialog::start() {
    setWindowIcon(resourceIcon(ids::kProgramIcon));
    docking_->restoreWidth();
    docking_->fitToScreen();
    layoutActiveTree(ids::kCustomTreeControl);
    files_->open(&treeIcons_);

    docking_->start();
    docking_->tick();
    setWindowTitle(QString::fromUtf8("Brivanta（") + fromGbk(account().name) +
                   QString::fromUtf8("）"));
    desktop_->start(screen());
    // Once more with the bar placed: neither covers the other.
    docking_->fitToScreen();
    started_ = true;
    // Listening starts by itself, once the window runs.
    QTimer::singleShot(0, this, [this] { command(ids::kListen); });
}

void MainDialog::layoutActiveTree(int controlId) {
    BookmarkTreeView* view = treeView(controlId);
    if (!view)
        return;
    const QRect c = rect();
    const MainLayout layout =
        layoutMainWindow({c.left(), c.top(), c.left() + c.width(), c.top() + c.height()},
                         toolbarBand_, tabBand_, searchBar_->sizeHint().height());
    for (auto [widget, place] : {std::pair<QWidget*, LayoutRect>{searchBar_, layout.search},
                                 {view, layout.tree},
                                 {tabs_, layout.tabs},
                                 {toolbar_, layout.toolbar}}) {
        const QRect r(place.left, place.top, std::max(0, place.width()),
                      std::max(0, place.height()));
        if (widget->geometry() != r)
            widget->setGeometry(r);
    }
    toolbar_->setVisible(toolbarBand_ != 0);
}

void MainDialog::switchCategory(int tabIndex) {
    if (tabIndex < 0 || tabIndex >= static_cast<int>(kTreeOfTab.size()))
        return;
    int chosen = kTreeOfTab[tabIndex];
    for (int id : kTreeOfTab) {
        if (id != chosen)
            treeView(id)->hide();
    }
    treeView(chosen)->show();
    activeTree_ = &treeView(chosen)->tree();
    searchBar_->setActiveView(treeView(chosen));
    layoutActiveTree(chosen);
    editor_->setActiveView(treeView(chosen));
    if (tabs_->currentIndex() != tabIndex) {
        QSignalBlocker quiet(tabs_);
        tabs_->setCurrentIndex(tabIndex);
    }
    // The icon's tip and quick menu follow the category.
    if (started_)
        desktop_->followShownTree();
}

void MainDialog::setShowToolbar(bool show) {
    toolbarBand_ = show ? kToolbarBand : 0;
    view_.showToolbar = show;
    commands_.refresh();
    layoutActiveTree(activeTreeId());
}

ViewOptions MainDialog::viewOptions() const {
    ViewOptions options = view_;
    options.autoHide = docking_->autoHide();
    options.showTrayIcon = desktop_ && desktop_->trayIconShown();
    // Listening is the listener's own state.
    options.listening = network_ && network_->isListening();
    return options;
}

void MainDialog::applyViewOptions(const ViewOptions& options) {
    setShowToolbar(options.showToolbar);
    desktop_->setTrayIconShown(options.showTrayIcon);
    docking_->setAutoHide(options.autoHide);
    view_ = options;
    view_.listening = false;
}

void MainDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (started_ && !event->spontaneous())
        docking_->tick();
}

void MainDialog::closeForQuit() {
    quitting_ = true;
    close();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (started_ && !files_->saveBeforeClosing(!quitting_)) {
        event->ignore();
        return;
    }
    closed_ = true;
    if (started_)
        docking_->rememberWidth();
    docking_->stop();
    desktop_->stop();
    event->accept();
    emit closed();
}

void MainDialog::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape would end a dialog without saving; here they do nothing.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutActiveTree(activeTreeId());
}

void MainDialog::openEntry(const QString& address) {
    openAddressOrTell(this, address, view_.openInNewBrowser, &associations_);
}

}  // namespace brivanta
