#pragma once

#include <QPixmap>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class QLabel;

namespace brivanta {

class FlatButton;

// The small floating bar that keeps the program in reach while the main window is slid out:
// one button per category (its quick menu of bookmarks), "系统" (the program menu) and a
// clock. It emits what the user asked for; the main window shows the menus. While a menu is
// open the status lines say which, and the clock waits.
class BarDialog : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClockMilliseconds = 900;

    explicit BarDialog(QWidget* parent = nullptr);

    // 1081 recommended, 1082 custom, 1083 address book, 1084 system; null for other ids.
    FlatButton* button(int id) const;
    // Line 1 or 2 of the status.
    QString statusLine(int line) const;
    bool clockOn() const { return clockOn_; }
    // Shows the present time and date on the status lines (when the clock is on).
    void updateClock();
    // The bar's usual place from the top left of the available area: dialog position (300, 3).
    QPoint usualOffset() const;
    // The bar's place: its usual one within `available`, moved left as far as it must to keep
    // it whole on screen.
    void placeOn(const QRect& available);

  signals:
    // The quick menu of the tree `treeControlId` at `globalPos`; returns when it has closed.
    void quickMenuRequested(int treeControlId, const QPoint& globalPos);
    // Context menu `menuId` of the tree `treeControlId`.
    void contextMenuRequested(int treeControlId, int menuId, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void onButton(int id);
    // Stops the clock, says what the menu is about, and starts the clock again afterwards.
    void holdClockFor(const QString& line1, const QString& line2,
                      const std::function<void()>& menu);
    QPoint belowButton(int id) const;
    int dialogUnitsX(int units) const;
    int dialogUnitsY(int units) const;

    std::array<FlatButton*, 4> buttons_{};
    std::array<QLabel*, 2> lines_{};
    QPixmap background_;
    QTimer clock_;
    bool clockOn_ = true;
    // Dragging by hand where the window system does not move the window itself.
    QPoint dragOffset_;
    bool dragging_ = false;
};

}  // namespace brivanta
