
#include "core/app/TrayTip.h"
#include "gui/app/BarDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/app/TrayIcon.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

namespace brivanta {

void MainDialog::setUpDocking() {
    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::quickMenuRequested, this,
            [this](const QPoint& at) { menus_->showQuickMenu(activeTree(), at); });
    connect(tray_, &TrayIcon::systemMenuRequested, this, [this](const QPoint& at) {
        menus_->ShowContextMenu(treeView(activeTreeId()), ids::kTrayMenu, at);
    });

    // A window of its own, not owned by this one, so it stays in reach while this slides out.
    bar_ = std::make_unique<BarDialog>();
    connect(bar_.get(), &BarDialog::quickMenuRequested, this,
            [this](int treeControl, const QPoint& at) {
                if (BookmarkTreeView* view = treeView(treeControl))
                    menus_->showQuickMenu(view->tree(), at);
            });
    connect(bar_.get(), &BarDialog::contextMenuRequested, this,
            [this](int treeControl, int menuId, const QPoint& at) {
                if (BookmarkTreeView* view = treeView(treeControl))
                    menus_->ShowContextMenu(view, menuId, at);
            });
}

void MainDialog::showTrayIcon() {
    // Removed and added again, so tip and menu follow the tree shown now.
    tray_->remove();
    tray_->add(resourceIcon(ids::kProgramIcon), fromGbk(trayTip(account_.name, activeTreeId())));
}

void MainDialog::hideTrayIcon() {
    tray_->remove();
}

}  // namespace brivanta
