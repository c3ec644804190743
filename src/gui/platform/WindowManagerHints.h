#pragma once

class QWidget;

namespace brivanta {

// Tells an X11 window manager and panel that `window` takes no taskbar or pager entry
// (_NET_WM_STATE_SKIP_TASKBAR, _NET_WM_STATE_SKIP_PAGER), every time it is shown: the program
// is reached through its own bar and notification icon. Elsewhere (offscreen, Wayland) it
// does nothing. A second call for the same window does nothing.
void keepOffTaskbar(QWidget& window);

// Whether keepOffTaskbar was called for `window`, on any window system.
bool asksToStayOffTaskbar(const QWidget& window);

// Whether the window system says `window` is kept off the taskbar; false where it cannot
// say (not X11, or not created).
bool isKeptOffTaskbar(const QWidget& window);

}  // namespace brivanta
