#include "core/app/BarPlacement.h"

#include <algorithm>

namespace brivanta {

DesktopPlaces placeBarBesideWindow(const LayoutRect& available, const BarWish& wish,
                                   int windowWidth, int windowLeast) {
    DesktopPlaces places;
    LayoutRect& bar = places.bar;
    bar = {available.left + wish.left, available.top + wish.top, 0, 0};
    bar.left = std::max(available.left, std::min(bar.left, available.right - wish.width));
    bar.right = bar.left + wish.width;
    bar.bottom = bar.top + wish.height;

    const int width = std::clamp(windowWidth, 0, std::max(0, available.width()));
    LayoutRect& window = places.window;
    window = {available.left, available.top, available.left + width, available.bottom};
    if (width == 0 || bar.left >= window.right || bar.top >= window.bottom ||
        bar.bottom <= window.top)
        return places;

    if (window.right + wish.width <= available.right) {
        bar.left = window.right;
        bar.right = bar.left + wish.width;
        return places;
    }
    const int besideBar = available.right - wish.width;
    if (besideBar - available.left >= windowLeast) {
        bar.left = besideBar;
        bar.right = available.right;
        window.right = besideBar;
        return places;
    }
    window.top = std::min(bar.bottom, available.bottom);
    return places;
}

}  // namespace brivanta
