#include "gui/app/MainDialog.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "core/app/MainLayout.h"
#include "core/app/Version.h"
#include "core/formats/TreeArchive.h"
#include "gui/addressbook/ContactDialog.h"
#include "gui/app/AboutDialog.h"
#include "gui/app/BarDialog.h"
#include "gui/app/DesktopIntegration.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/TipDialog.h"
#include "gui/app/TrayIcon.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/IconMenu.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/health/HealthCommands.h"
#include "gui/net/PeerListenService.h"
#include "gui/platform/AddressOpener.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/resources/StringTable.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeModel.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeSearchBar.h"

namespace brivanta {

namespace {
constexpr const char* kHomePage = "https://brivanta.github.io/";

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
      account_(login_->account()),
      customTree_(login_->customTree()),
      recommendedTree_(login_->recommendedTree()),
      addressBookTree_(login_->addressBookTree()),
      toolbarBand_(kToolbarBand),
      tabBand_(kTabBand) {
    setObjectName(QString::number(ids::kMainDialog));
    NamedIconList::fillTreeIcons(treeIcons_);
    treeIcons_.setAssociations(&associations_);
    NamedIconList::fillTabIcons(tabIcons_);
    for (BookmarkTree* tree : {&customTree_, &recommendedTree_, &addressBookTree_})
        tree->setIconChooser(&treeIcons_);
    // The recommended tree's menus go without icons.
    recommendedTree_.setShowMenuIcons(false);

    for (BookmarkTree* tree : {&customTree_, &recommendedTree_, &addressBookTree_}) {
        int slot = slotOf(tree->treeKind());
        models_[slot] = std::make_unique<BookmarkTreeModel>(*tree, &treeIcons_);
        auto* view = new BookmarkTreeView(models_[slot].get(), tree->treeKind(), this);
        view->setObjectName(QString::number(tree->treeKind()));
        view->setVisible(tree == &customTree_);
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

    docking_ = new EdgeDocking(*this, kDefaultWidth, commands_);
    docking_->registerCommands();
    registerCommands();
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

    registerEditingCommands();
    (new HealthCommands(commands_, *editor_, this))->registerCommands();
    registerNetworkCommands();
    TreeMenus::Hooks hooks;
    hooks.viewOptions = [this] { return viewOptions(); };
    hooks.activeView = [this] { return treeView(activeTreeId()); };
    hooks.openAddress = [this](const QString& address) { openEntry(address); };
    hooks.treeIcons = &treeIcons_;
    menus_ = std::make_unique<TreeMenus>(commands_, std::move(hooks));
    for (BookmarkTreeView* view : views_)
        menus_->attach(view);
    buildToolbar();
    registerOptionCommands();
    DesktopIntegration::Hooks desktopHooks;
    desktopHooks.view = [this](int treeControl) { return treeView(treeControl); };
    desktopHooks.shownTree = [this] { return activeTreeId(); };
    desktopHooks.userName = [this] { return account_.name; };
    desktop_ = new DesktopIntegration(*this, commands_, *menus_, std::move(desktopHooks));
    desktop_->registerCommands();
    // Every command's state follows its target tree and the window's switches.
    commands_.setContextSource([this](int target) {
        CommandContext context = editor_->context(target);
        context.options = viewOptions();
        return context;
    });
    commands_.setDefaultTarget([this] { return activeTreeId(); });
    // The keys reach the commands anywhere in the window; a line being edited keeps its own.
    for (int id : {ids::kDelete, ids::kCut, ids::kCopy, ids::kPaste, ids::kUndo, ids::kRedo,
                   ids::kRename, ids::kSearch})
        addAction(commands_.action(id));
    commands_.refresh();
    connect(docking_, &EdgeDocking::ticked, this, [this] { layoutActiveTree(activeTreeId()); });
}

MainDialog::~MainDialog() {
    docking_->stop();
    delete desktop_;
    desktop_ = nullptr;
    // The views look into the models, which look into the trees: end them in that order.
    for (BookmarkTreeView*& view : views_) {
        delete view;
        view = nullptr;
    }
}

void MainDialog::registerCommands() {
    commands_.setHandler(ids::kSave, [this] { saveActiveTree(); });
    commands_.setHandler(ids::kShowToolbar, [this] { setShowToolbar(!showToolbar()); });
    commands_.setHandler(ids::kAbout, [this] { showAbout(); });
    commands_.setHandler(ids::kHelp, [this] { openHelp(); });
    commands_.setHandler(ids::kTipOfTheDay, [this] { TipDialog(storage(), this).exec(); });
    commands_.setHandler(ids::kExit, [this] { close(); });
    commands_.setTreeHandler(ids::kExport, [this](int target) {
        if (BookmarkTreeView* view = treeView(target))
            runExport(this, view->tree(), view->currentItem());
    });
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

void MainDialog::start() {
    setWindowIcon(resourceIcon(ids::kProgramIcon));
    preferredWidth_ = DesktopProfile::current().windowWidth().value_or(kDefaultWidth);
    docking_->setWidth(preferredWidth_);
    docking_->fitToScreen();
    layoutActiveTree(ids::kCustomTreeControl);

    // A file read only in part is said at once: the user may want to repair it before
    // anything is saved over it (which keeps the original beside it first).
    QStringList damaged;
    for (const TreeLoad& load : login_->openTrees(&treeIcons_))
        damaged << QString::fromStdString(load.message());
    if (!damaged.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Brivanta"), damaged.join(u'\n'));
    // What was just read is what the files hold.
    for (int id : kTreeOfTab)
        editor_->markSaved(id);

    docking_->start();
    docking_->tick();
    QString title =
        QString::fromUtf8("Brivanta（") + fromGbk(account_.name) + QString::fromUtf8("）");
    setWindowTitle(title);
    // Start-up adds the icon whatever the switch says; the switch starts on.
    desktop_->showTrayIcon();
    if (QScreen* screen = this->screen())
        bar().placeOn(screen->availableGeometry());
    bar().show();
    started_ = true;
    // Listening starts by itself, once the window runs.
    QTimer::singleShot(0, this, [this] { command(ids::kListen); });
}

void MainDialog::layoutActiveTree(int controlId) {
    BookmarkTreeView* view = treeView(controlId);
    if (!view)
        return;
    QRect c = rect();
    MainLayout layout = layoutMainWindow(
        {c.left(), c.top(), c.left() + c.width(), c.top() + c.height()}, toolbarBand_, tabBand_);
    auto toQRect = [](const LayoutRect& r) {
        return QRect(r.left, r.top, std::max(0, r.width()), std::max(0, r.height()));
    };
    QRect treeRect = toQRect(layout.tree);
    QRect tabRect = toQRect(layout.tabs);
    QRect searchRect(treeRect.left(), treeRect.top(), treeRect.width(),
                     std::min(treeRect.height(), searchBar_->sizeHint().height()));
    treeRect.setTop(searchRect.bottom() + 1);
    if (searchBar_->geometry() != searchRect)
        searchBar_->setGeometry(searchRect);
    if (view->geometry() != treeRect)
        view->setGeometry(treeRect);
    if (tabs_->geometry() != tabRect)
        tabs_->setGeometry(tabRect);
    QRect toolbarRect(0, 0, c.width(), kToolbarBand);
    if (toolbar_->geometry() != toolbarRect)
        toolbar_->setGeometry(toolbarRect);
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
    options.listening = listener_ && listener_->isListening();
    return options;
}

void MainDialog::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (started_ && !event->spontaneous())
        docking_->tick();
}

bool MainDialog::command(int id) {
    return commands_.trigger(id);
}

bool MainDialog::saveActiveTree() {
    TreeSave saved = login_->save(activeTreeId());
    if (std::string said = saved.message(); !said.empty())
        QMessageBox::warning(this, QStringLiteral("Brivanta"), QString::fromStdString(said));
    return !saved.failed();
}

bool MainDialog::saveBeforeClosing(bool mayStayOpen) {
    for (;;) {
        QStringList failures;
        QStringList kept;
        // A failed save does not stop the others; each is tried again on a retry.
        for (const TreeSave& saved : login_->saveChanged()) {
            (saved.failed() ? failures : kept) << QString::fromStdString(saved.message());
        }
        kept.removeAll(QString());
        if (!kept.isEmpty())
            QMessageBox::information(this, QStringLiteral("Brivanta"), kept.join(u'\n'));
        if (failures.isEmpty())
            return true;
        if (!mayStayOpen) {
            QMessageBox::warning(this, QStringLiteral("Brivanta"), failures.join(u'\n'));
            return true;
        }
        // Closing now would throw away whatever the file did not get: let the user decide.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Brivanta"), failures.join(u'\n'),
                        QMessageBox::NoButton, this);
        box.setInformativeText(
            QString::fromUtf8("未能保存的内容还在窗口里。腾出磁盘空间或改正权限后可以“重试”；"
                              "选“关闭，不保存”会丢失这些内容。"));
        QPushButton* retry = box.addButton(QString::fromUtf8("重试"), QMessageBox::AcceptRole);
        QPushButton* stay = box.addButton(QString::fromUtf8("不关闭"), QMessageBox::RejectRole);
        QPushButton* discard =
            box.addButton(QString::fromUtf8("关闭，不保存"), QMessageBox::DestructiveRole);
        box.setDefaultButton(retry);
        box.setEscapeButton(stay);
        box.exec();
        if (box.clickedButton() == retry)
            continue;
        return box.clickedButton() == discard;
    }
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
    if (started_ && !saveBeforeClosing(!quitting_)) {
        event->ignore();
        return;
    }
    closed_ = true;
    // A width the user chose is where the next start begins.
    if (started_ && width() != preferredWidth_)
        DesktopProfile::current().setWindowWidth(width());
    docking_->stop();
    desktop_->hideTrayIcon();
    bar().hide();
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

void MainDialog::openHelp() {
    QString help = QString::fromStdString(storage().helpFile());
    if (QFileInfo::exists(help) && openUrl(QUrl::fromLocalFile(help)))
        return;
    if (openUrl(QUrl(QString::fromLatin1(kHomePage))))
        return;
    // Neither could be shown (no browser is set up): say so rather than do nothing.
    QMessageBox::warning(this, QStringLiteral("Brivanta"),
                         QString::fromUtf8("无法打开帮助 “%1”，也无法打开主页 %2。")
                             .arg(QDir::toNativeSeparators(help), QString::fromLatin1(kHomePage)));
}

void MainDialog::showAbout() {
    AboutDialog(this).exec();
}

void MainDialog::openEntry(const QString& address) {
    openAddressOrTell(this, address, view_.openInNewBrowser, &associations_);
}

}  // namespace brivanta
