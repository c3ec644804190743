#pragma once

#include <QMessageBox>
#include <QString>

class QObject;
class QWidget;

namespace brivanta {

// Every message box of the program goes through here, so that each one
// - is wide enough for the window manager to show its whole title: a box sized for a short
//   text ("口令错误!") leaves the title bar so little room beside the window's icon and
//   buttons that "登录提示" became "..." under openbox;
// - has its buttons in Chinese whether or not the toolkit's translations are installed;
// - says by its icon what it is: information for results, a warning for what the user can
//   mend, critical for what failed, a question when it asks.

// Widens `box` (not narrows it) so that its title fits in a window manager's title bar, with
// room for the window's icon and buttons. Measured with the font the toolkit uses for title
// bars, made bold as window managers draw the active title. Calling it again after the title
// changed widens the box again if need be.
void fitTitle(QMessageBox& box);

// The least width fitTitle() gives a box titled `title`.
int titleFitWidth(const QString& title);

// Chinese texts on the standard buttons a box has ("确定", "取消", "是", "否", ...).
void nameButtonsInChinese(QMessageBox& box);

// Builds, fits and runs a box; returns the standard button chosen.
QMessageBox::StandardButton showMessageBox(
    QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// A result or a notice.
void informBox(QWidget* parent, const QString& title, const QString& text);
// Something the user can mend (a missing input, a refused choice) or that went partly wrong.
void warnBox(QWidget* parent, const QString& title, const QString& text);
// Something failed (a file could not be read or written, a connection or a login failed).
void failBox(QWidget* parent, const QString& title, const QString& text);
// A question with "确定" and "取消"; true for "确定". `okByDefault` false makes "取消" the
// default, for questions whose "确定" cannot be undone.
bool askBox(QWidget* parent, const QString& title, const QString& text, bool okByDefault = true);

// Fits the title of every message box shown in the program, also of those the toolkit's own
// dialogs show (the file dialog's questions). Installed once on the application at start;
// a second install does nothing.
class MessageBoxFitter : public QObject {
    Q_OBJECT
  public:
    static void install();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit MessageBoxFitter(QObject* parent);
};

}  // namespace brivanta
