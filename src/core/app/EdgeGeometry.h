#pragma once

#include <optional>

#include "core/app/MainLayout.h"

namespace brivanta {

struct LayoutPoint {
    int x = 0;
    int y = 0;
};

// The main window's docking at the left or right edge of the screen's available area. Every
// rectangle is the window's frame in screen coordinates, right and bottom exclusive.

// How many pixels of a slid-out window stay on screen, so the cursor can find it again.
inline constexpr int kEdgeStrip = 2;
// A slide moves one twentieth of the width per tick.
inline constexpr int kSlideSteps = 20;

// One tick of sliding: with auto-hide on and the cursor away, a window at the left edge moves
// left (at the right edge, right) by width / 20 until kEdgeStrip pixels remain; a window at
// neither edge stays. With auto-hide off, a window partly off the area is pulled back inside.
// Returns the new left edge, or nothing when the window stays where it is.
std::optional<int> slideStep(const LayoutRect& window, LayoutPoint cursor,
                             const LayoutRect& available, bool autoHide);

// The reveal: a window touching the left or right edge comes back in one jump, flush with
// that edge, at the top of the area and as tall as it, when the cursor is over it or over the
// pixel left of it. Nothing when the window stays.
std::optional<LayoutRect> revealStep(const LayoutRect& window, LayoutPoint cursor,
                                     const LayoutRect& available);

}  // namespace brivanta
