#include "gui/controls/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace brivanta {

void resizeToFitScreen(QWidget* window, QSize wanted) {
    QWidget* over = window->parentWidget() ? window->parentWidget()->window() : window;
    QScreen* screen = over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        window->resize(wanted);
        return;
    }
    QRect free = screen->availableGeometry();
    // Before the first show the frame is not known: allow for a title bar and a border.
    int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    int frameWidth = window->frameGeometry().width() - window->width();
    int frameHeight = window->frameGeometry().height() - window->height();
    if (frameHeight <= 0) {
        frameHeight = titleBar + 8;
        frameWidth = 8;
    }
    QSize room(free.width() - frameWidth, free.height() - frameHeight);
    QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    window->resize(wanted.boundedTo(room).expandedTo(least));
}

}  // namespace brivanta
