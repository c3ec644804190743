#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

namespace brivanta {

// A text that is a link: drawn in the link colours, underlined, with a hand cursor and the
// target as its tool tip; a click or the space key opens the target (a mail address through
// "mailto:"). A failure beeps and says why.
class CHyperLink : public QLabel {
    Q_OBJECT
  public:
    enum Flag : unsigned {
        kUnderline = 0x01,
        kUseHover = 0x02,
        kFitToText = 0x04,
        kOpenOnPress = 0x08,
        kTakeFocus = 0x10,
        kNoHandCursor = 0x20,
        kNoActiveColour = 0x40,
    };
    static constexpr unsigned kDefaultFlags = kUnderline | kFitToText | kTakeFocus;

    static inline const QColor kHoverColour{255, 0, 0};
    static inline const QColor kActiveColour{0, 128, 128};
    static inline const QColor kVisitedColour{128, 0, 128};
    static inline const QColor kLinkColour{0, 0, 255};

    // An empty target takes the text and an empty text the target.
    explicit CHyperLink(const QString& text, const QString& target = {}, QWidget* parent = nullptr,
                        unsigned flags = kDefaultFlags);

    const QString& target() const { return target_; }
    unsigned linkFlags() const { return flags_; }
    bool isPressed() const { return pressed_; }
    bool isHovering() const { return hovering_; }
    bool isVisited() const { return visited_; }
    // The colour the text is drawn in now.
    QColor linkColour() const;
    // The address handed to the desktop: "mailto:" for a mail address.
    QUrl linkUrl() const;

    // Opens the target; true when it opened (the link then shows as visited).
    bool followLink();

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void updateColour();

    bool pressed_ = false;
    bool hovering_ = false;
    bool visited_ = false;
    unsigned flags_;
    QString target_;
};

}  // namespace brivanta
