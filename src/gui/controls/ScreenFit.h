#pragma once

#include <QSize>

class QWidget;

namespace brivanta {

// Resizes a window to `wanted`, but no larger than the free area of its screen (the area
// panels leave, less room for the window manager's title bar) and no smaller than its layout
// needs. At a scale factor of 2 on a 1280×800 screen the free area is under 400 pixels high,
// less than some dialogs ask for, and what does not fit would lie under the panel.
void resizeToFitScreen(QWidget* window, QSize wanted);

}  // namespace brivanta
