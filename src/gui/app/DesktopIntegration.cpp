#include "gui/app/DesktopIntegration.h"

#include <QScreen>

#include "core/app/TrayTip.h"
#include "gui/app/BarDialog.h"
#include "gui/app/TrayIcon.h"
#include "gui/platform/WindowManagerHints.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

namespace brivanta {

DesktopIntegration::DesktopIntegration(QWidget& window, CommandRegistry& commands, TreeMenus& menus,
                                       Hooks hooks)
    : QObject(&window), commands_(commands), menus_(menus), hooks_(std::move(hooks)) {
    tray_ = new TrayIcon(&window);
    connect(tray_, &TrayIcon::quickMenuRequested, this, [this](const QPoint& at) {
        if (BookmarkTreeView* view = hooks_.view(hooks_.shownTree()))
            menus_.showQuickMenu(view->tree(), at);
    });
    connect(tray_, &TrayIcon::systemMenuRequested, this, [this](const QPoint& at) {
        if (BookmarkTreeView* view = hooks_.view(hooks_.shownTree()))
            menus_.ShowContextMenu(view, ids::kTrayMenu, at);
    });

    bar_ = std::make_unique<BarDialog>();
    // Neither window is a task of its own: the bar and the notification icon reach them.
    keepOffTaskbar(window);
    // A tool bar to the window manager: no minimise or maximise button (a minimised window
    // without a taskbar entry could not be found again), as the window's own flags ask.
    // The toolkit passes the type on only to a window that exists.
    window.winId();
    window.setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
    keepOffTaskbar(*bar_);
    connect(bar_.get(), &BarDialog::quickMenuRequested, this,
            [this](int treeControl, const QPoint& at) {
                if (BookmarkTreeView* view = hooks_.view(treeControl))
                    menus_.showQuickMenu(view->tree(), at);
            });
    connect(bar_.get(), &BarDialog::contextMenuRequested, this,
            [this](int treeControl, int menuId, const QPoint& at) {
                if (BookmarkTreeView* view = hooks_.view(treeControl))
                    menus_.ShowContextMenu(view, menuId, at);
            });
}

DesktopIntegration::~DesktopIntegration() = default;

void DesktopIntegration::registerCommands() {
    commands_.setHandler(ids::kShowTrayIcon, [this] { setTrayIconShown(!trayShown_); });
}

void DesktopIntegration::start(QScreen* screen) {
    showTrayIcon();
    if (screen)
        bar_->placeOn(screen->availableGeometry());
    bar_->show();
}

void DesktopIntegration::stop() {
    hideTrayIcon();
    bar_->hide();
}

void DesktopIntegration::setTrayIconShown(bool shown) {
    if (shown && !trayShown_)
        showTrayIcon();
    else if (!shown && trayShown_)
        hideTrayIcon();
    trayShown_ = shown;
    commands_.refresh();
}

void DesktopIntegration::showTrayIcon() {
    // Removed and added again, so tip and menu follow the tree shown now.
    tray_->remove();
    tray_->add(resourceIcon(ids::kProgramIcon),
               fromGbk(trayTip(hooks_.userName(), hooks_.shownTree())));
}

void DesktopIntegration::hideTrayIcon() {
    tray_->remove();
}

void DesktopIntegration::followShownTree() {
    if (trayShown_)
        showTrayIcon();
}

}  // namespace brivanta
