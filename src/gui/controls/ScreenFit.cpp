#include "gui/controls/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace brivanta {

namespace {

QScreen* screenOf(QWidget* window) {
    QWidget* over = window->parentWidget() ? window->parentWidget()->window() : window;
    return over->screen() ? over->screen() : QGuiApplication::primaryScreen();
}

// The frame the window manager draws around `window`: before the first show it is not known,
// so a title bar and a border are allowed for.
QSize frameOf(QWidget* window) {
    QSize frame(window->frameGeometry().width() - window->width(),
                window->frameGeometry().height() - window->height());
    if (frame.height() <= 0) {
        int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        frame = QSize(8, titleBar + 8);
    }
    return frame;
}

}  // namespace

void resizeToFitScreen(QWidget* window, QSize wanted) {
    QScreen* screen = screenOf(window);
    if (!screen) {
        window->resize(wanted);
        return;
    }
    QRect free = screen->availableGeometry();
    QSize frame = frameOf(window);
    QSize room(free.width() - frame.width(), free.height() - frame.height());
    QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    window->resize(wanted.boundedTo(room).expandedTo(least));
}

ScreenFitter::ScreenFitter(QObject* parent) : QObject(parent) {}

void ScreenFitter::install() {
    if (!qApp || qApp->findChild<ScreenFitter*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new ScreenFitter(qApp));
}

bool ScreenFitter::eventFilter(QObject* watched, QEvent* event) {
    // Before the window's own show handling: a dialog centres itself with the size it has.
    if (event->type() != QEvent::Show || !watched->isWidgetType() || event->spontaneous())
        return QObject::eventFilter(watched, event);
    auto* window = static_cast<QWidget*>(watched);
    const Qt::WindowType type = window->windowType();
    if (!window->isWindow() || (type != Qt::Window && type != Qt::Dialog))
        return QObject::eventFilter(watched, event);
    QScreen* screen = screenOf(window);
    if (!screen)
        return QObject::eventFilter(watched, event);
    const QRect free = screen->availableGeometry();
    const QSize frame = frameOf(window);
    if (window->width() + frame.width() > free.width() ||
        window->height() + frame.height() > free.height())
        resizeToFitScreen(window, window->size());
    // A window its owner placed: back inside the area, title bar first.
    if (window->testAttribute(Qt::WA_Moved)) {
        QRect outer(window->pos(), window->size() + frame);
        outer.moveRight(std::min(outer.right(), free.right()));
        outer.moveBottom(std::min(outer.bottom(), free.bottom()));
        outer.moveLeft(std::max(outer.left(), free.left()));
        outer.moveTop(std::max(outer.top(), free.top()));
        if (outer.topLeft() != window->pos())
            window->move(outer.topLeft());
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
