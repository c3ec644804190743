#pragma once

#include <QObject>

class QWidget;

namespace brivanta {

// Makes every dialog and window the program shows (message boxes and the toolkit's own dialogs
// too) a dialog of the main window once there is one: transient for it, a close button only,
// no taskbar entry of its own, the program's icon unless it has one of its own. The main window
// has no taskbar entry, so a panel would otherwise list each dialog by itself; window managers
// that draw minimise and maximise on every dialog whatever it asks (openbox) leave them off a
// tool bar, so each goes to the window manager as one (minimised without a taskbar entry, it
// could not be found again).
// Before there is a main window (the login) a dialog is the program's only window: it keeps its
// taskbar entry, a close button and a fixed size (no maximising).
// Tool windows (the main window, the bar), menus and tool tips are left alone. Installed once
// on the application, before ScreenFitter so that it sees a window after that has fitted it;
// a second install does nothing.
class DialogOwner : public QObject {
    Q_OBJECT
  public:
    static void install();
    // The window dialogs belong to from now on; null: none (at login).
    static void setOwner(QWidget* window);
    static QWidget* owner();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit DialogOwner(QObject* parent);
};

}  // namespace brivanta
