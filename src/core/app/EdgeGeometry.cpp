#include "core/app/EdgeGeometry.h"

namespace brivanta {

namespace {
// The cursor on the window or on the pixel just past its right or bottom edge.
bool covers(const LayoutRect& r, LayoutPoint p, int extraLeft) {
    return r.left - extraLeft <= p.x && p.x <= r.right && r.top <= p.y && p.y <= r.bottom;
}
}  // namespace

std::optional<int> slideStep(const LayoutRect& window, LayoutPoint cursor,
                             const LayoutRect& available, bool autoHide) {
    const int width = window.width();
    if (!autoHide) {
        if (window.left < available.left)
            return available.left;
        if (window.right > available.right)
            return available.right - width;
        return std::nullopt;
    }
    if (covers(window, cursor, 0))
        return std::nullopt;
    const int step = width / kSlideSteps;
    // A window narrower than the step count has nothing to slide by.
    if (step <= 0)
        return std::nullopt;
    if (window.left <= available.left) {
        // Stop with the strip left, never past it: a whole step that would hide the strip
        // becomes the last, shorter one.
        int visible = window.right - available.left;
        if (visible - step >= kEdgeStrip)
            return window.left - step;
        if (visible > kEdgeStrip)
            return available.left + kEdgeStrip - width;
        return std::nullopt;
    }
    if (window.right >= available.right) {
        int visible = available.right - window.left;
        if (visible - step >= kEdgeStrip)
            return window.left + step;
        if (visible > kEdgeStrip)
            return available.right - kEdgeStrip;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<LayoutRect> revealStep(const LayoutRect& window, LayoutPoint cursor,
                                     const LayoutRect& available) {
    if (!covers(window, cursor, 1))
        return std::nullopt;
    const int width = window.width();
    LayoutRect back{0, available.top, 0, available.bottom};
    if (window.left <= available.left) {
        back.left = available.left;
    } else if (window.right >= available.right) {
        back.left = available.right - width;
    } else {
        return std::nullopt;
    }
    back.right = back.left + width;
    if (back == window)
        return std::nullopt;
    return back;
}

}  // namespace brivanta
