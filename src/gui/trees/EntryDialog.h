#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;

namespace brivanta {

class FlatButton;

// Name and address of a link or folder (an empty address makes a folder). "浏览" picks a
// file: its path becomes the address and its name, without the extension, the name.
class EntryDialog : public QDialog {
    Q_OBJECT
  public:
    // Asks for a file; returns its path, or an empty text when cancelled.
    using FileChooser = std::function<QString(QWidget* parent)>;

    explicit EntryDialog(QWidget* parent = nullptr);

    void setName(const QString& name);
    void setAddress(const QString& address);
    QString name() const;
    QString address() const;
    // Tests put their own chooser in place of the system's file dialog.
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    void browse();

  private:
    QLineEdit* nameEdit_;
    QLineEdit* addressEdit_;
    FlatButton* browseButton_;
    FileChooser chooser_;
};

}  // namespace brivanta
