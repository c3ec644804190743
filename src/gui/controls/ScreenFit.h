#pragma once

#include <QObject>
#include <QSize>

class QWidget;

namespace brivanta {

// Resizes a window to `wanted`, but no larger than the free area of its screen (the area
// panels leave, less room for the window manager's title bar) and no smaller than its layout
// needs. At a scale factor of 2 on a 1280×800 screen the free area is under 400 pixels high,
// less than some dialogs ask for, and what does not fit would lie under the panel.
void resizeToFitScreen(QWidget* window, QSize wanted);

// Fits every dialog and window of the program to the free area of its screen as it is shown:
// no larger than the area (see resizeToFitScreen), and a window placed by its owner moved
// back inside it. Dialogs are centred over their parent by the toolkit afterwards, within the
// area. Where a bar stands on top of every window at the top of the screen, windows go below
// it when they fit there, so it never hides their title bar and close button. The main window
// and the bar (tool windows) place themselves and are left alone, as are menus and tool
// tips. Installed once on the application; a second install does nothing.
class ScreenFitter : public QObject {
    Q_OBJECT
  public:
    static void install();
    // The bar windows keep clear of while it is shown (none: no bar).
    static void keepClearOf(QWidget* bar);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit ScreenFitter(QObject* parent);
};

}  // namespace brivanta
