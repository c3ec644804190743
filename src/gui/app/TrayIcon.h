#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

class QSystemTrayIcon;

namespace brivanta {

// The notification-area icon. It emits what the user asked for and leaves the menus to the
// main window. Where the desktop has no notification area nothing is shown, and the program
// goes on without it.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with `tip` (already cut to the tip limit). Returns whether it is shown.
    bool add(const QIcon& icon, const QString& tip);
    void remove();

    // Whether the main window wants the icon (it may still be missing: no notification area).
    bool isAdded() const { return added_; }
    // Whether it is on the screen now.
    bool isShown() const;
    QString tip() const { return tip_; }
    // A message beside the icon; false when the icon is not on the screen.
    bool showMessage(const QString& title, const QString& text, bool warning);

  signals:
    // Left click: the quick menu of the active tree. Right click: the program menu.
    void quickMenuRequested(const QPoint& globalPos);
    void systemMenuRequested(const QPoint& globalPos);

  private:
    QSystemTrayIcon* icon_ = nullptr;
    QString tip_;
    bool added_ = false;
};

}  // namespace brivanta
