#include "gui/app/MainDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QToolBar>

#include "gui/addressbook/ContactCommands.h"
#include "gui/app/BarDialog.h"
#include "gui/app/EdgeDocking.h"
#include "gui/app/HelpCommands.h"
#include "gui/app/NetworkCommands.h"
#include "gui/app/OptionCommands.h"
#include "gui/app/SyncCommands.h"
#include "gui/app/TrayIcon.h"
#include "gui/app/TreeFiles.h"
#include "gui/formats/ExchangeCommands.h"
#include "gui/health/HealthCommands.h"
#include "gui/platform/AddressOpener.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeEditor.h"
#include "gui/trees/TreeMenus.h"
#include "gui/trees/TreeUndo.h"

namespace brivanta {

MainDialog::MainDialog(std::unique_ptr<LoginSession> login, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      login_(std::move(login)) {
    setObjectName(QString::number(ids::kMainDialog));
    NamedIconList::fillTreeIcons(treeIcons_);
    treeIcons_.setAssociations(&associations_);
    views_ = std::make_unique<CategoryViews>(*this, *login_, treeIcons_);
    connect(views_.get(), &CategoryViews::openRequested, this, &MainDialog::openEntry);
    connect(views_.get(), &CategoryViews::searchHeightChanged, this,
            [this] { layoutActiveTree(activeTreeId()); });
    docking_ = new EdgeDocking(*this, kDefaultWidth, commands_);
    docking_->registerCommands();
    commands_.setHandler(ids::kExit, [this] { close(); });
    views_->registerCommands(commands_);
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
    for (int kind : {kCustomTree, kRecommendedTree, kAddressBookTree})
        menus_->attach(treeView(kind));
    toolbar_ = new MainToolbar(*this, commands_, *menus_);
    toolbar_->registerCommands();
    connect(toolbar_, &MainToolbar::shownChanged, this, [this](bool on) {
        view_.showToolbar = on;
        commands_.refresh();
        layoutActiveTree(activeTreeId());
    });
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
    connect(views_.get(), &CategoryViews::switched, this, [this](int controlId) {
        layoutActiveTree(controlId);
        editor_->setActiveView(treeView(controlId));
        // The icon's tip and quick menu follow the category.
        if (started_)
            desktop_->followShownTree();
    });
}

MainDialog::~MainDialog() {
    docking_->stop();
    // Undo keeps asking for the commands' states as the trees go: the pieces go first, the
    // listener before the trees it adds to.
    network_.reset();
    desktop_.reset();
    login_->setTreeChanges(nullptr);
    // The views look into the trees; the commands still ask which tree is shown.
    const int shown = activeTreeId();
    commands_.setDefaultTarget([shown] { return shown; });
    views_.reset();
}

void MainDialog::buildEditor() {
    editor_ = new TreeEditor(commands_, this);
    for (int kind : {kCustomTree, kRecommendedTree, kAddressBookTree})
        editor_->addView(treeView(kind));
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
    views_->place(rect(), controlId, toolbar_->widget(), toolbar_->band());
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
    toolbar_->setShown(options.showToolbar);
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
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutActiveTree(activeTreeId());
}

void MainDialog::openEntry(const QString& address) {
    openAddressOrTell(this, address, view_.openInNewBrowser, &associations_);
}

}  // namespace brivanta
