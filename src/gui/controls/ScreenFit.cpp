#include "gui/controls/ScreenFit.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
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

QSize frameSize(const QWidget* window) {
    return {window->frameGeometry().width() - window->width(),
            window->frameGeometry().height() - window->height()};
}

// The frame the window manager draws around `window`: before the first show it is not known,
// so the frame of the window it belongs to, or a title bar and a border, are allowed for.
QSize frameOf(QWidget* window) {
    QSize frame = frameSize(window);
    if (frame.height() <= 0 && window->parentWidget())
        frame = frameSize(window->parentWidget()->window());
    if (frame.height() <= 0) {
        int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        frame = QSize(8, titleBar + 8);
    }
    return frame;
}

// Resizes `window` to `wanted`, no larger than `room` less the frame and no smaller than its
// layout needs.
void fitInto(QWidget* window, QSize wanted, const QRect& room) {
    const QSize frame = frameOf(window);
    const QSize inside(room.width() - frame.width(), room.height() - frame.height());
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    window->resize(wanted.boundedTo(inside).expandedTo(least));
}

QPointer<QWidget>& barToAvoid() {
    static QPointer<QWidget> bar;
    return bar;
}

// The free area of `screen` less the band a bar standing on top of every window takes at its
// top, when what is left below still holds `least` (frame included); else the free area.
QRect roomFor(QScreen* screen, QSize least) {
    const QRect free = screen->availableGeometry();
    QWidget* bar = barToAvoid();
    if (!bar || !bar->isVisible() || bar->screen() != screen)
        return free;
    const QRect band = bar->frameGeometry();
    if (band.top() > free.center().y() || !band.intersects(free))
        return free;
    QRect below = free;
    below.setTop(band.bottom() + 1);
    return below.height() >= least.height() ? below : free;
}

}  // namespace

void resizeToFitScreen(QWidget* window, QSize wanted) {
    QScreen* screen = screenOf(window);
    if (!screen) {
        window->resize(wanted);
        return;
    }
    fitInto(window, wanted, screen->availableGeometry());
}

ScreenFitter::ScreenFitter(QObject* parent) : QObject(parent) {}

void ScreenFitter::install() {
    if (!qApp || qApp->findChild<ScreenFitter*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    qApp->installEventFilter(new ScreenFitter(qApp));
}

void ScreenFitter::keepClearOf(QWidget* bar) {
    barToAvoid() = bar;
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
    const QSize frame = frameOf(window);
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize()) + frame;
    const QRect room = roomFor(screen, least);
    if (window->width() + frame.width() > room.width() ||
        window->height() + frame.height() > room.height())
        fitInto(window, window->size(), room);
    const bool placed = window->testAttribute(Qt::WA_Moved);
    // The toolkit centres a dialog within the free area, which may put its title bar under
    // the bar: below it, the window is placed here, centred over its parent as the toolkit
    // would.
    const bool belowBar = room != screen->availableGeometry();
    if (!placed && !belowBar)
        return QObject::eventFilter(watched, event);
    QRect outer(window->pos(), window->size() + frame);
    if (!placed) {
        QWidget* parent = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        outer.moveCenter(parent && parent->isVisible() ? parent->frameGeometry().center()
                                                       : room.center());
    }
    // Back inside the room, title bar first.
    outer.moveRight(std::min(outer.right(), room.right()));
    outer.moveBottom(std::min(outer.bottom(), room.bottom()));
    outer.moveLeft(std::max(outer.left(), room.left()));
    outer.moveTop(std::max(outer.top(), room.top()));
    if (placed && outer.topLeft() == window->pos())
        return QObject::eventFilter(watched, event);
    // Until the window manager has framed the window, its position is that of its inside:
    // the frame goes round it, the title bar above.
    QPoint at = outer.topLeft();
    if (window->frameGeometry() == window->geometry())
        at += QPoint(frame.width() / 2, frame.height() - frame.width() / 2);
    window->move(at);
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
