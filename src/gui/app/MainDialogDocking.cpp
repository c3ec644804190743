#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <limits>

#include "core/app/EdgeGeometry.h"
#include "core/app/TrayTip.h"
#include "gui/app/BarDialog.h"
#include "gui/app/MainDialog.h"
#include "gui/app/TrayIcon.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"
#include "gui/trees/BookmarkTreeView.h"
#include "gui/trees/TreeMenus.h"

namespace brivanta {

namespace {
LayoutRect toLayout(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
}  // namespace

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

void MainDialog::slideAndReveal() {
    if (!isVisible() || isMinimized())
        return;
    // Under an open menu or dialog of ours the window stays where it is: the cursor is away
    // from it only because it is on the menu.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    QScreen* screen = this->screen();
    if (!screen)
        return;
    LayoutRect area = toLayout(screen->availableGeometry());
    QPoint cursor = QCursor::pos();
    LayoutPoint at{cursor.x(), cursor.y()};
    QRect frame = frameGeometry();
    std::optional<int> left = slideStep(toLayout(frame), at, area, view_.autoHide);
    // Window managers keep part of a window on screen against the program's own moves
    // (openbox a tenth of it): a move that was refused is not asked for again every tick.
    if (left && !(frame.left() == slideFrom_ && *left == slideTo_)) {
        slideFrom_ = frame.left();
        slideTo_ = *left;
        move(*left, frame.top());
        frame = frameGeometry();
    }
    if (std::optional<LayoutRect> back = revealStep(toLayout(frame), at, area)) {
        int frameHeight = frame.height() - height();
        move(back->left, back->top);
        resize(width(), std::max(1, back->height() - frameHeight));
        slideFrom_ = slideTo_ = std::numeric_limits<int>::min();
    }
}

}  // namespace brivanta
