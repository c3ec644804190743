#pragma once

#include <QDialog>

class QLineEdit;

namespace brivanta {

// The name of a folder of the address book.
class FolderNameDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FolderNameDialog(QWidget* parent = nullptr);
    void setName(const QString& name);
    QString name() const;

  private:
    QLineEdit* nameEdit_;
};

}  // namespace brivanta
