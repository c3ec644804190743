#include "gui/controls/IconMenuStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionMenuItem>
#include <algorithm>

#include "gui/controls/IconMenu.h"

namespace brivanta {

namespace {

// The icon column's image size of the menu being drawn.
QSize iconSizeOf(const QWidget* widget) {
    if (const auto* menu = qobject_cast<const IconMenu*>(widget))
        return menu->itemIconSize();
    return {IconMenu::kIconWidth, IconMenu::kIconHeight};
}
const QColor kItemText(0, 0, 255);

// The image painted in one colour wherever it is not transparent.
QPixmap maskIn(const QPixmap& image, const QColor& colour) {
    QPixmap out(image.size());
    out.setDevicePixelRatio(image.devicePixelRatio());
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.drawPixmap(0, 0, image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(out.rect(), colour);
    return out;
}

void drawFrame(QPainter* painter, const QRect& cell, const QPalette& palette, bool sunken) {
    QColor topLeft = palette.color(sunken ? QPalette::Dark : QPalette::Light);
    QColor bottomRight = palette.color(sunken ? QPalette::Light : QPalette::Dark);
    painter->setPen(topLeft);
    painter->drawLine(cell.topLeft(), cell.topRight());
    painter->drawLine(cell.topLeft(), cell.bottomLeft());
    painter->setPen(bottomRight);
    painter->drawLine(cell.bottomLeft(), cell.bottomRight());
    painter->drawLine(cell.topRight(), cell.bottomRight());
}

// A check mark of single pixels, seven wide, centred in `cell`.
void drawCheckMark(QPainter* painter, const QRect& cell, const QColor& colour) {
    int x = cell.center().x() - 3;
    int y = cell.center().y() - 1;
    painter->setPen(colour);
    for (int i = 0; i < 7; ++i) {
        int top = i < 3 ? y + i : y + 4 - i;
        painter->drawLine(x + i, top, x + i, top + 2);
    }
}

}  // namespace

IconMenuStyle::IconMenuStyle() = default;

IconMenuStyle* IconMenuStyle::instance() {
    static IconMenuStyle* style = [] {
        auto* made = new IconMenuStyle;
        made->setParent(qApp);
        return made;
    }();
    return style;
}

int IconMenuStyle::menuBarHeight(const QFontMetrics& metrics) {
    return std::max(19, metrics.height() + 6);
}

int IconMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                               const QWidget* widget) const {
    switch (metric) {
        case PM_MenuHMargin:
        case PM_MenuVMargin:
            return 1;
        case PM_MenuPanelWidth:
            return 2;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

int IconMenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* returnData) const {
    // A menu taller than the screen (a large scale, a small screen) scrolls in one column
    // instead of breaking into a second column that may reach past the screen's edge.
    if (hint == SH_Menu_Scrollable)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QSize IconMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                      const QSize& size, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    QFontMetrics metrics(item->font);
    const QSize iconSize = iconSizeOf(widget);
    const int iconWidth = iconSize.width();
    const int iconHeight = iconSize.height();
    int bar = menuBarHeight(metrics);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
        return {1, bar / 2};  // a width of 0 would make the menu drop the separator
    QString text = item->text;
    QString accelerator;
    if (qsizetype tab = text.indexOf(u'\t'); tab >= 0) {
        accelerator = text.mid(text.lastIndexOf(u'\t') + 1);
        text.truncate(tab);
    }
    int width = metrics.horizontalAdvance(QString(text).remove(u'&')) + 2 * iconWidth + 1;
    if (!accelerator.isEmpty())
        width += metrics.horizontalAdvance(accelerator) + 2 * iconWidth;
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu)
        width += iconWidth;
    return {width, std::max(bar, iconHeight + 4)};
}

void IconMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                QPainter* painter, const QWidget* widget) const {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QPalette& palette = item->palette;
    const QRect r = item->rect;
    QColor menu = palette.color(QPalette::Window);
    painter->save();
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->fillRect(r, menu);
        int y = r.top() + r.height() / 2;
        painter->setPen(palette.color(QPalette::Dark));
        painter->drawLine(r.left(), y, r.right(), y);
        painter->setPen(palette.color(QPalette::Light));
        painter->drawLine(r.left(), y + 1, r.right(), y + 1);
        painter->restore();
        return;
    }
    const QSize iconSize = iconSizeOf(widget);
    const int iconWidth = iconSize.width();
    const int iconHeight = iconSize.height();
    bool selected = item->state & State_Selected;
    bool enabled = item->state & State_Enabled;
    bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;

    QIcon icon;
    if (const auto* iconMenu = qobject_cast<const IconMenu*>(widget)) {
        if (const QAction* action = iconMenu->actionAt(r.center()))
            icon = iconMenu->itemIcon(action);
    }
    bool hasIcon = !icon.isNull();

    // The selection leaves the icon cell in the menu colour when there is something in it.
    painter->fillRect(r, menu);
    if (selected) {
        QRect band = r;
        if (hasIcon || checked)
            band.setLeft(r.left() + iconWidth + 5);
        painter->fillRect(band, palette.color(QPalette::Highlight));
    }

    int offset = std::max(0, (r.height() - iconHeight - 4) / 2);
    QRect cell(r.left() + 1, r.top() + offset, iconWidth + 3, iconHeight + 4);
    QPoint iconAt(r.left() + 2, r.top() + offset + 2);
    if (hasIcon) {
        QPixmap image = icon.pixmap(QSize(iconWidth, iconHeight));
        if (!enabled) {
            painter->drawPixmap(iconAt + QPoint(1, 1),
                                maskIn(image, palette.color(QPalette::Light)));
            painter->drawPixmap(iconAt, maskIn(image, palette.color(QPalette::Dark)));
        } else {
            if (checked && !selected)
                painter->fillRect(cell, palette.color(QPalette::Midlight));
            if (selected || checked)
                drawFrame(painter, cell.adjusted(0, 0, -1, -1), palette, checked);
            painter->drawPixmap(iconAt, image);
        }
    } else if (checked) {
        QRect grown = cell.adjusted(0, 0, 0, -1);
        painter->fillRect(grown, selected ? menu : palette.color(QPalette::Midlight));
        drawFrame(painter, grown.adjusted(0, 0, -1, -1), palette, true);
        QColor mark = palette.color(QPalette::WindowText);
        if (item->checkType == QStyleOptionMenuItem::Exclusive) {
            painter->fillRect(QRect(grown.center() - QPoint(3, 3), QSize(6, 6)), mark);
        } else {
            drawCheckMark(painter, grown, mark);
        }
    }

    QString text = item->text;
    QString accelerator;
    if (qsizetype tab = text.indexOf(u'\t'); tab >= 0) {
        accelerator = text.mid(text.lastIndexOf(u'\t') + 1);
        text.truncate(tab);
    }
    // The label has the item's width less the icon column; the accelerator ends an icon width
    // short of the right edge, clear of a submenu's arrow.
    QRect textRect = r.adjusted(iconWidth + 9, 0, 0, 0);
    QRect acceleratorRect = textRect.adjusted(0, 0, -iconWidth, 0);
    painter->setFont(item->font);
    int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    auto drawTexts = [&](const QColor& colour, const QPoint& shift) {
        painter->setPen(colour);
        painter->drawText(textRect.translated(shift), flags | Qt::AlignLeft, text);
        if (!accelerator.isEmpty())
            painter->drawText(acceleratorRect.translated(shift), flags | Qt::AlignRight,
                              accelerator);
    };
    if (!enabled && !selected) {
        drawTexts(palette.color(QPalette::Light), QPoint(1, 1));
        drawTexts(palette.color(QPalette::Disabled, QPalette::WindowText), QPoint());
    } else if (!enabled) {
        drawTexts(menu, QPoint());
    } else {
        drawTexts(selected ? palette.color(QPalette::HighlightedText) : kItemText, QPoint());
    }

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption arrow = *item;
        arrow.rect = QRect(r.right() - iconWidth, r.top(), iconWidth - 2, r.height());
        arrow.palette.setColor(QPalette::ButtonText,
                               selected ? palette.color(QPalette::HighlightedText) : kItemText);
        proxy()->drawPrimitive(PE_IndicatorArrowRight, &arrow, painter, widget);
    }
    painter->restore();
}

}  // namespace brivanta
