#include "gui/app/EdgeDocking.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "core/app/BarPlacement.h"
#include "core/app/EdgeGeometry.h"
#include "core/app/MainLayout.h"
#include "gui/platform/DesktopProfile.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/CommandRegistry.h"

namespace brivanta {

namespace {
LayoutRect toLayout(const QRect& r) {
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
}  // namespace

EdgeDocking::EdgeDocking(QWidget& window, int defaultWidth, CommandRegistry& commands)
    : QObject(&window), window_(window), width_(defaultWidth), commands_(commands) {
    timer_.setInterval(kTimerMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &EdgeDocking::tick);
    window_.installEventFilter(this);
}

void EdgeDocking::registerCommands() {
    // The next tick slides the window or keeps it on screen.
    commands_.setHandler(ids::kAutoHide, [this] {
        autoHide_ = !autoHide_;
        commands_.refresh();
    });
}

QMargins EdgeDocking::frame() const {
    const QRect inner = window_.geometry();
    const QRect outer = window_.frameGeometry();
    return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
            outer.bottom() - inner.bottom()};
}

void EdgeDocking::restoreWidth() {
    width_ = DesktopProfile::current().windowWidth().value_or(width_);
}

void EdgeDocking::rememberWidth() {
    // Narrowed to fit the screen or the bar is not a width the user chose.
    if (window_.width() != (fitted_ ? fittedWidth_ : width_))
        DesktopProfile::current().setWindowWidth(window_.width());
}

void EdgeDocking::keepClearOf(QWidget* bar, QPoint usualOffset) {
    bar_ = bar;
    barOffset_ = usualOffset;
}

void EdgeDocking::fitToScreen() {
    QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    fitTo(screen ? screen->availableGeometry() : QRect(0, 0, 800, 600));
}

void EdgeDocking::fitTo(const QRect& available) {
    // Before the window manager has framed the window its frame is unknown (none); a tick
    // fits again once it is known.
    const QMargins margins = frame();
    const int sides = margins.left() + margins.right();
    int width = std::min(width_, std::max(1, available.width() - sides));
    LayoutRect area = toLayout(available);
    belowBar_ = 0;
    if (bar_) {
        const DesktopPlaces places = placeBarBesideWindow(
            area, {barOffset_.x(), barOffset_.y(), bar_->width(), bar_->height()}, width + sides,
            kLeastWidth + sides);
        bar_->move(places.bar.left, places.bar.top);
        width = std::max(1, places.window.width() - sides);
        belowBar_ = places.window.top - area.top;
        area.top = places.window.top;
    }
    LayoutRect client = mainWindowClient(
        area, {margins.left(), margins.top(), margins.right(), margins.bottom()}, width);
    window_.setGeometry(client.left, client.top, client.width(), client.height());
    fittedFrame_ = margins;
    fittedWidth_ = client.width();
    fitted_ = true;
}

QRect EdgeDocking::dockArea() const {
    QRect area = window_.screen()->availableGeometry();
    area.setTop(std::min(area.bottom(), area.top() + belowBar_));
    return area;
}

void EdgeDocking::start() {
    timer_.start();
}

void EdgeDocking::stop() {
    timer_.stop();
}

void EdgeDocking::tick() {
    if (window_.isVisible()) {
        // The window manager framed the window after it was placed: fit once more, so the
        // frame does not push the tab strip under a panel.
        const QMargins margins = frame();
        if (fitted_ && margins != fittedFrame_ && !margins.isNull())
            fitToScreen();
        slideAndReveal();
    }
    emit ticked();
}

void EdgeDocking::slideAndReveal() {
    if (!window_.isVisible() || window_.isMinimized())
        return;
    // Under an open menu or dialog of ours the window stays where it is: the cursor is away
    // from it only because it is on the menu.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    QScreen* screen = window_.screen();
    if (!screen)
        return;
    LayoutRect area = toLayout(dockArea());
    QPoint cursor = QCursor::pos();
    LayoutPoint at{cursor.x(), cursor.y()};
    QRect outer = window_.frameGeometry();
    std::optional<int> left = slideStep(toLayout(outer), at, area, autoHide_);
    // Window managers keep part of a window on screen against the program's own moves
    // (openbox a tenth of it), and one that is still mapping the window drops a move: a move
    // that did not happen is asked for again, but only now and then, never for good.
    if (left) {
        const bool again = outer.left() == slideFrom_ && *left == slideTo_;
        if (!again || ++unansweredTicks_ >= kRetryTicks) {
            unansweredTicks_ = 0;
            slideFrom_ = outer.left();
            slideTo_ = *left;
            window_.move(*left, outer.top());
            outer = window_.frameGeometry();
        }
    }
    if (std::optional<LayoutRect> back = revealStep(toLayout(outer), at, area))
        bringBack(*back);
}

void EdgeDocking::bringBack(const LayoutRect& back) {
    const int frameHeight = window_.frameGeometry().height() - window_.height();
    window_.move(back.left, back.top);
    window_.resize(window_.width(), std::max(1, back.height() - frameHeight));
    slideFrom_ = slideTo_ = std::numeric_limits<int>::min();
    unansweredTicks_ = 0;
}

bool EdgeDocking::eventFilter(QObject* watched, QEvent* event) {
    // The window system says when the cursor enters any part of the window still on screen,
    // however wide the strip the window manager kept; the toolkit's idea of the window's
    // place is only where it was last asked to go.
    if (watched == &window_ && event->type() == QEvent::Enter && window_.isVisible() &&
        !QApplication::activePopupWidget() && !QApplication::activeModalWidget()) {
        if (window_.screen()) {
            const QRect outer = window_.frameGeometry();
            const LayoutPoint inside{outer.center().x(), outer.center().y()};
            if (std::optional<LayoutRect> back =
                    revealStep(toLayout(outer), inside, toLayout(dockArea())))
                bringBack(*back);
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace brivanta
