#pragma once

#include <QIcon>
#include <QPushButton>

namespace brivanta {

// The push button of every dialog: flat until the mouse is over it, a thin raised border
// while hovered, sunken while pressed; an icon left of the caption, or centred when the
// caption is hidden; icon and caption greyed when disabled.
class FlatButton : public QPushButton {
    Q_OBJECT
  public:
    explicit FlatButton(const QString& text = {}, QWidget* parent = nullptr);
    FlatButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);

    // `hoverIcon` shows while hovered or pressed, `normalIcon` otherwise; with only one
    // icon given, the same shows in both states.
    void setIcons(const QIcon& hoverIcon, const QIcon& normalIcon = {});
    void setShowText(bool show);
    bool showText() const { return showText_; }
    void setTooltipText(const QString& text, bool activate = true);
    bool isHovered() const { return hover_; }

    // Where the icon and the caption are drawn in the current state (widget coordinates).
    QRect iconRect() const;
    QRect captionRect() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // While the left button is held (the button keeps the mouse), dragging off the button
    // drops the raised border and dragging back brings it back.
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    static constexpr int kMargin = 3;
    QString caption() const { return showText_ ? text() : QString(); }
    bool drawnPressed() const { return isDown(); }

    QIcon hoverIcon_;
    QIcon normalIcon_;
    bool showText_ = true;
    bool hover_ = false;
};

}  // namespace brivanta
