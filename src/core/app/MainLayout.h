#pragma once

namespace brivanta {

// A rectangle with exclusive right and bottom edges.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const LayoutRect&) const = default;
};

struct MainLayout {
    LayoutRect toolbar;
    LayoutRect search;
    LayoutRect tree;
    LayoutRect tabs;
};

inline constexpr int kToolbarBand = 24;
inline constexpr int kTabBand = 23;

// Places the active tree between the toolbar band and the tab band of the client area, and
// the tab strip below it: one pixel past the left edge, five past the right, overlapping the
// tree by two pixels so the selected tab joins the tree's frame. The toolbar takes its band at
// the top (kToolbarBand, shown or not), the search line the top `searchHeight` of the tree's
// place (at most all of it).
MainLayout layoutMainWindow(const LayoutRect& client, int toolbarBand, int tabBand,
                            int searchHeight = 0);

// The frame the window manager draws around a window, in pixels on each side.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The client rectangle of the main window at its start place: at the top left corner of the
// screen's available area (what the desktop's panels leave free), `width` wide, and as tall
// as that area allows once the frame is added, so the whole window, tab strip included,
// stays clear of a panel. At least `minimumHeight` tall.
LayoutRect mainWindowClient(const LayoutRect& available, const FrameMargins& frame, int width,
                            int minimumHeight = 200);

}  // namespace brivanta
