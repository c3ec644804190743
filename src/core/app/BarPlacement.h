#pragma once

#include "core/app/MainLayout.h"

namespace brivanta {

// The bar's wish: where it usually stands, measured from the top left of the available area,
// and its size.
struct BarWish {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the bar and the docked main window go together. The bar stays on top of every
// window, so where they meet it would hide the window's title bar (its close button) and
// toolbar.
struct DesktopPlaces {
    LayoutRect bar;
    // The main window's frame: at the left of the available area and down to its bottom.
    LayoutRect window;
};

// The bar takes its usual place, moved left as far as the area's right edge asks (never past
// the left edge). The window, `windowWidth` wide (frame included, at most the area's width),
// stands at the left edge. Where they would overlap:
// - the bar moves right, just beside the window, when it fits there;
// - else the bar keeps to the right edge and the window gives up the width the bar needs,
//   when at least `windowLeast` remains;
// - else the window starts below the bar, at its full width.
DesktopPlaces placeBarBesideWindow(const LayoutRect& available, const BarWish& bar, int windowWidth,
                                   int windowLeast);

}  // namespace brivanta
