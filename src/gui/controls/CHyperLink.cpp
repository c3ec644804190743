#include "gui/controls/CHyperLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUrl>

#include "gui/platform/AddressOpener.h"

namespace brivanta {

namespace {

// A mail address: "@" after at least one character, and not part of a web address such as
// "http://user@host/".
bool isMailAddress(const QString& target) {
    return target.indexOf(u'@') > 0 && !target.contains(QStringLiteral("://"));
}

}  // namespace

CHyperLink::CHyperLink(const QString& text, const QString& target, QWidget* parent, unsigned flags)
    : QLabel(parent), flags_(flags), target_(target.isEmpty() ? text : target) {
    setText(text.isEmpty() ? target_ : text);
    setTextFormat(Qt::PlainText);
    QFont linkFont = font();
    linkFont.setUnderline((flags_ & kUnderline) != 0);
    setFont(linkFont);
    setAutoFillBackground(false);
    if ((flags_ & kNoHandCursor) == 0)
        setCursor(Qt::PointingHandCursor);
    setFocusPolicy((flags_ & kTakeFocus) != 0 ? Qt::StrongFocus : Qt::TabFocus);
    setToolTip(target_);
    if ((flags_ & kFitToText) != 0) {
        // Exactly the text: a click beside it must not open the link.
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        resize(sizeHint());
    }
    updateColour();
}

QColor CHyperLink::linkColour() const {
    if (hovering_ && (flags_ & kUseHover) != 0)
        return kHoverColour;
    if (pressed_ && (flags_ & kNoActiveColour) == 0)
        return kActiveColour;
    if (visited_)
        return kVisitedColour;
    return kLinkColour;
}

QUrl CHyperLink::linkUrl() const {
    QString target = target_.trimmed();
    if (isMailAddress(target) && !target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("mailto:") + target);
    return QUrl::fromUserInput(target);
}

bool CHyperLink::followLink() {
    // The same opener as the trees' entries, and the same words when nothing can open it.
    if (!openAddressOrTell(this, linkUrl().toString())) {
        QApplication::beep();
        return false;
    }
    visited_ = true;
    updateColour();
    return true;
}

void CHyperLink::updateColour() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, linkColour());
    setPalette(p);
    update();
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    updateColour();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    hovering_ = false;
    updateColour();
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if ((flags_ & kTakeFocus) != 0)
        setFocus(Qt::MouseFocusReason);
    pressed_ = true;
    updateColour();
    if ((flags_ & kOpenOnPress) != 0)
        followLink();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    // Only a release over the link opens it, as with a button.
    if (event->button() == Qt::LeftButton && pressed_ && (flags_ & kOpenOnPress) == 0 &&
        rect().contains(event->position().toPoint())) {
        followLink();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        followLink();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    pressed_ = true;
    updateColour();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    hovering_ = false;
    pressed_ = false;
    updateColour();
    QLabel::focusOutEvent(event);
}

}  // namespace brivanta
