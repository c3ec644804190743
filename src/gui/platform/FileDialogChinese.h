#pragma once

#include <QObject>

namespace brivanta {

// The toolkit's own file dialog in Chinese where its Chinese translation falls short: the
// type of a folder ("Folder", a text the shipped translation lacks) and the modification
// dates, which it writes in the desktop's locale ("10 Dec 2026") whatever the program's.
// Installed once on the application; a second install does nothing.
class FileDialogChinese : public QObject {
    Q_OBJECT
  public:
    static void install();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FileDialogChinese(QObject* parent);
};

}  // namespace brivanta
