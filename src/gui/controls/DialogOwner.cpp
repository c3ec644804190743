#include "gui/controls/DialogOwner.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include "gui/platform/WindowManagerHints.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

namespace {

QPointer<QWidget>& ownerWindow() {
    static QPointer<QWidget> owner;
    return owner;
}

// A title bar with the window menu and the close button, and no other button.
Qt::WindowFlags closeButtonOnly(Qt::WindowFlags flags) {
    flags &= ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
               Qt::WindowContextHelpButtonHint | Qt::WindowFullscreenButtonHint);
    return flags | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
}

// Only the window system's copy of the flags changes: the widget is being shown, and changing
// its own would hide it again.
void makeDialogOf(QWidget& window, QWindow& handle, QWidget& owner) {
    Qt::WindowFlags flags = closeButtonOnly(handle.flags());
    // A plain window (the health window) is passed on as a dialog: only those are transient
    // for another window on X11.
    if ((flags & Qt::WindowType_Mask) == Qt::Window)
        flags = (flags & ~Qt::WindowType_Mask) | Qt::Dialog;
    handle.setFlags(flags);
    if (!handle.transientParent() || !window.parentWidget()) {
        owner.winId();
        handle.setTransientParent(owner.windowHandle());
    }
    window.setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
    keepOffTaskbar(window);
}

}  // namespace

DialogOwner::DialogOwner(QObject* parent) : QObject(parent) {}

void DialogOwner::install() {
    if (!qApp || qApp->findChild<DialogOwner*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new DialogOwner(qApp));
}

void DialogOwner::setOwner(QWidget* window) {
    ownerWindow() = window;
}

QWidget* DialogOwner::owner() {
    return ownerWindow();
}

bool DialogOwner::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType() || event->spontaneous())
        return QObject::eventFilter(watched, event);
    auto* window = static_cast<QWidget*>(watched);
    const Qt::WindowType type = window->windowType();
    QWindow* handle = window->windowHandle();
    QWidget* owner = ownerWindow();
    if (!window->isWindow() || (type != Qt::Window && type != Qt::Dialog) || !handle ||
        window == owner)
        return QObject::eventFilter(watched, event);
    if (!window->testAttribute(Qt::WA_SetWindowIcon))
        window->setWindowIcon(resourceIcon(ids::kProgramIcon));
    if (owner) {
        makeDialogOf(*window, *handle, *owner);
    } else {
        handle->setFlags(closeButtonOnly(handle->flags()));
        window->setFixedSize(window->size());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
