#pragma once

#include <QProxyStyle>

namespace brivanta {

// Measures and draws the items of an IconMenu; everything else goes to the program's style.
class IconMenuStyle : public QProxyStyle {
    Q_OBJECT
  public:
    // The one instance all icon menus share (owned by the application).
    static IconMenuStyle* instance();

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override;

    // Height of a menu bar line: separators are half of it, items at least that.
    static int menuBarHeight(const QFontMetrics& metrics);

  private:
    IconMenuStyle();
};

}  // namespace brivanta
