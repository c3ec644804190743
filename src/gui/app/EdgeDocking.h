#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <limits>

#include "core/app/MainLayout.h"

class QWidget;

namespace brivanta {

class CommandRegistry;

// Keeps a window at the screen's left edge: fits it to the available area, and every tick of
// its timer slides it out when the mouse has left it (while auto-hide is on) and brings it back
// when the mouse touches the strip left on screen. Owns the auto-hide switch and its command.
class EdgeDocking : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTimerMilliseconds = 10;
    // A slide step the window manager did not carry out is asked for again after this many
    // ticks.
    static constexpr int kRetryTicks = 25;
    // The narrowest the window is made to leave room for the bar beside it; with less room
    // it starts below the bar instead.
    static constexpr int kLeastWidth = 160;

    EdgeDocking(QWidget& window, int defaultWidth, CommandRegistry& commands);

    // The auto-hide command (32833) flips the switch.
    void registerCommands();
    bool autoHide() const { return autoHide_; }
    void setAutoHide(bool on) { autoHide_ = on; }

    // The width the window is fitted with (at most the screen's).
    void setWidth(int width) { width_ = width; }
    // Fits with the width the user left the window at last time (kept in the profile), or
    // keeps the default; rememberWidth keeps a width the user chose for the next start.
    void restoreWidth();
    void rememberWidth();
    // Keeps the window clear of `bar`, which stays on top of every window and would cover
    // the window's title bar and toolbar: each fitting places the bar too, at
    // `usualOffset` from the area's top left where it does not meet the window.
    void keepClearOf(QWidget* bar, QPoint usualOffset);
    // Puts the window at the top left of the screen's available area, frame included.
    void fitToScreen();
    // The same within `area`, the available area of the window's screen.
    void fitTo(const QRect& area);
    void start();
    void stop();
    // One tick: fits again when the window manager framed the window since, then slides.
    void tick();
    // One step of the sliding and reveal.
    void slideAndReveal();

  protected:
    // Brings the slid-out window back when the cursor enters what is left of it on screen.
    bool eventFilter(QObject* watched, QEvent* event) override;

  signals:
    // After every tick, so the window can lay itself out again.
    void ticked();

  private:
    QMargins frame() const;
    // The available area less the band the bar takes when the window starts below it.
    QRect dockArea() const;
    // Back at the edge, at the area's top and as tall as it.
    void bringBack(const LayoutRect& back);

    QWidget& window_;
    int width_;
    CommandRegistry& commands_;
    QTimer timer_;
    bool autoHide_ = true;
    // The last slide asked for: from which left edge to which.
    int slideFrom_ = std::numeric_limits<int>::min();
    int slideTo_ = std::numeric_limits<int>::min();
    // Ticks since the same step was last asked for without the window moving.
    int unansweredTicks_ = 0;
    // The frame the window manager drew when the window was last fitted to the screen.
    QMargins fittedFrame_;
    bool fitted_ = false;
    // The client width the last fitting gave: a different width is the user's choice.
    int fittedWidth_ = 0;
    QPointer<QWidget> bar_;
    QPoint barOffset_;
    // How far below the area's top the window starts, to stay clear of the bar.
    int belowBar_ = 0;
};

}  // namespace brivanta
