#pragma once

#include <QObject>

class QToolBar;
class QToolButton;
class QWidget;

namespace brivanta {

class CommandRegistry;
class TreeMenus;

// The main window's toolbar: one button per command of the toolbar's table, the send,
// receive and help buttons with their drop-down menus, and whether the bar is shown
// (the "显示工具栏" command).
class MainToolbar : public QObject {
    Q_OBJECT
  public:
    MainToolbar(QWidget& window, CommandRegistry& commands, TreeMenus& menus);

    void registerCommands();
    QToolBar* widget() const { return toolbar_; }
    // The button of `commandId`, or null when the bar has none.
    QToolButton* button(int commandId) const;
    bool shown() const { return band_ != 0; }
    // The height the bar takes at the top of the window (0 while hidden).
    int band() const { return band_; }
    void setShown(bool shown);

  signals:
    void shownChanged(bool shown);

  private:
    CommandRegistry& commands_;
    QToolBar* toolbar_;
    int band_;
};

}  // namespace brivanta
