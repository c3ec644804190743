#pragma once

#include <QDialog>
#include <QPixmap>

#include "core/accounts/UserAccount.h"
#include "core/app/Storage.h"

class QLineEdit;

namespace brivanta {

class FlatButton;
class GuardedPasswordEdit;

// Creates an account. Ends with ids::kIdOk once the account is saved in "Users.ini" (it is
// account(), password included), or ids::kIdCancel with nothing saved.
class NewUserDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NewUserDialog(const Storage& storage, QWidget* parent = nullptr);

    const UserAccount& account() const { return account_; }
    QLineEdit* nameEdit() const { return nameEdit_; }
    GuardedPasswordEdit* passwordEdit() const { return passwordEdit_; }
    GuardedPasswordEdit* confirmEdit() const { return confirmEdit_; }
    QLineEdit* emailEdit() const { return emailEdit_; }
    QLineEdit* smtpEdit() const { return smtpEdit_; }
    QLineEdit* pop3Edit() const { return pop3Edit_; }
    FlatButton* okButton() const { return okButton_; }
    FlatButton* cancelButton() const { return cancelButton_; }

    void accept() override;
    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Storage storage_;
    void hint(const QString& text);

    QPixmap background_;
    UserAccount account_;
    QLineEdit* nameEdit_;
    GuardedPasswordEdit* passwordEdit_;
    GuardedPasswordEdit* confirmEdit_;
    QLineEdit* emailEdit_;
    QLineEdit* smtpEdit_;
    QLineEdit* pop3Edit_;
    FlatButton* okButton_;
    FlatButton* cancelButton_;
};

}  // namespace brivanta
