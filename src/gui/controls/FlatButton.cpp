#include "gui/controls/FlatButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace brivanta {

FlatButton::FlatButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::StrongFocus);
    setIconSize(QSize(16, 16));
}

FlatButton::FlatButton(const QIcon& icon, const QString& text, QWidget* parent)
    : FlatButton(text, parent) {
    setIcons(icon);
}

void FlatButton::setIcons(const QIcon& hoverIcon, const QIcon& normalIcon) {
    hoverIcon_ = hoverIcon;
    normalIcon_ = normalIcon.isNull() ? hoverIcon : normalIcon;
    updateGeometry();
    update();
}

void FlatButton::setShowText(bool show) {
    showText_ = show;
    updateGeometry();
    update();
}

void FlatButton::setTooltipText(const QString& text, bool activate) {
    if (text.isEmpty())
        return;
    setToolTip(activate ? text : QString());
}

QRect FlatButton::iconRect() const {
    if (hoverIcon_.isNull())
        return {};
    QSize size = iconSize();
    int x = caption().isEmpty() ? (width() - size.width()) / 2 : kMargin;
    int y = (height() - size.height()) / 2;
    QRect r(QPoint(x, y), size);
    return drawnPressed() ? r.translated(1, 1) : r;
}

QRect FlatButton::captionRect() const {
    if (caption().isEmpty())
        return {};
    int left = hoverIcon_.isNull() ? 0 : kMargin + iconSize().width() + kMargin;
    QRect area(left, 0, width() - left, height());
    if (drawnPressed())
        area.translate(1, 1);
    QRect text = fontMetrics().boundingRect(caption());
    text.moveCenter(area.center());
    return text;
}

QSize FlatButton::sizeHint() const {
    QSize text = caption().isEmpty() ? QSize() : fontMetrics().size(Qt::TextSingleLine, caption());
    int iconWidth = hoverIcon_.isNull() ? 0 : iconSize().width() + 2 * kMargin;
    int w = iconWidth + text.width() + (text.isEmpty() ? 0 : 2 * kMargin + 6);
    int h = std::max(iconSize().height(), text.height()) + 8;
    return {std::max(w, h), h};
}

void FlatButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    bool pressed = drawnPressed();
    bool lit = hover_ || pressed;
    // Only a hovered or pressed button covers what lies behind it; a resting one shows the
    // dialog's own background (the bitmap of the account dialogs).
    if (lit)
        p.fillRect(rect(), pal.color(QPalette::Button));

    QRect r = rect().adjusted(0, 0, -1, -1);
    if (lit) {
        QColor topLeft = pal.color(pressed ? QPalette::Dark : QPalette::Light);
        QColor bottomRight = pal.color(pressed ? QPalette::Light : QPalette::Dark);
        p.setPen(topLeft);
        p.drawLine(r.bottomLeft(), r.topLeft());
        p.drawLine(r.topLeft(), r.topRight());
        p.setPen(bottomRight);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.bottomRight(), r.topRight());
    }

    QIcon::Mode mode = !isEnabled() ? QIcon::Disabled : QIcon::Normal;
    const QIcon& icon = lit ? hoverIcon_ : normalIcon_;
    if (!icon.isNull())
        icon.paint(&p, iconRect(), Qt::AlignCenter, mode);

    if (!caption().isEmpty()) {
        p.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(captionRect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                   caption());
    }

    // A flat button shows no border at rest, so the keyboard focus needs a mark of its own.
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(2, 2, -2, -2);
        focus.backgroundColor = pal.color(QPalette::Button);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}

void FlatButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    hover_ = true;
    // Pointing at a button of an inactive dialog brings the dialog forward.
    if (QWidget* w = window(); w && !w->isActiveWindow())
        w->activateWindow();
    update();
}

void FlatButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    hover_ = false;
    update();
}

void FlatButton::focusOutEvent(QFocusEvent* event) {
    QPushButton::focusOutEvent(event);
    hover_ = false;
    update();
}

void FlatButton::mouseMoveEvent(QMouseEvent* event) {
    QPushButton::mouseMoveEvent(event);
    bool inside = rect().contains(event->position().toPoint());
    if (inside != hover_) {
        hover_ = inside;
        update();
    }
}

}  // namespace brivanta
