#pragma once

#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPointer>

class QAction;

namespace brivanta {

// A popup menu drawn by the program: an icon column of 16 x 15 on the left, blue item text,
// a raised (or, when checked, sunken) frame on the icon cell of the selected item, embossed
// disabled items, drawn check marks, separators of half a menu bar and right-aligned
// accelerators. Icons come from a toolbar's command images or from a tree's images, item by
// item; they show only while showIcons is on. Submenus made with addIconMenu share that flag.
class IconMenu : public QMenu {
    Q_OBJECT
  public:
    static constexpr int kIconWidth = 16;
    static constexpr int kIconHeight = 15;

    explicit IconMenu(QWidget* parent = nullptr);
    explicit IconMenu(const QString& title, QWidget* parent = nullptr);

    // A submenu of this one, drawn the same way and showing icons when this one does.
    IconMenu* addIconMenu(const QString& title);

    // The size of the icon column's images: kIconWidth x kIconHeight unless set (a menu of
    // pictures such as the import and export types shows them at 32 x 32). The rows grow to fit.
    void setItemIconSize(const QSize& size) { iconSize_ = size; }
    QSize itemIconSize() const { return iconSize_; }

    void setShowIcons(bool show);
    bool showIcons() const { return showIcons_; }

    void setItemIcon(QAction* action, const QIcon& icon);
    // The icon drawn for `action`: none while showIcons is off or when it has none.
    QIcon itemIcon(const QAction* action) const;

    // Gives every command of this menu, at any depth, that toolbar `toolbarId` has an image for
    // its image. A command is recognised by its action's object name (the id). Returns how many
    // items got one.
    int loadToolbarIcons(int toolbarId);

    // The commands toolbar 145 has images for, in image order.
    static const QList<int>& menuIconCommands();

  private:
    QHash<const QAction*, QIcon> icons_;
    bool showIcons_ = true;
    QSize iconSize_{kIconWidth, kIconHeight};
};

}  // namespace brivanta
