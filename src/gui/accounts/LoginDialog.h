#pragma once

#include <QDialog>
#include <QPixmap>

#include "core/accounts/AccountTable.h"
#include "core/accounts/UserAccount.h"
#include "core/app/Storage.h"

class QComboBox;
class QLabel;

namespace brivanta {

class FlatButton;
class GuardedPasswordEdit;

// Picks an account from "Users.ini" and checks its password. Ends with ids::kIdOk (the
// account is account()), ids::kIdCancel, or ids::kIdNewUser when "新建" was pressed.
class LoginDialog : public QDialog {
    Q_OBJECT
  public:
    explicit LoginDialog(const Storage& storage, QWidget* parent = nullptr);

    const UserAccount& account() const { return account_; }
    QComboBox* userList() const { return userList_; }
    GuardedPasswordEdit* passwordEdit() const { return passwordEdit_; }
    FlatButton* okButton() const { return okButton_; }
    FlatButton* cancelButton() const { return cancelButton_; }
    FlatButton* newUserButton() const { return newUserButton_; }
    // The line that tells a first start that there is no account yet (hidden otherwise).
    QLabel* noAccountHint() const { return noAccountHint_; }

    void accept() override;
    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap background_;
    AccountTable table_;
    UserAccount account_;
    QComboBox* userList_;
    GuardedPasswordEdit* passwordEdit_;
    FlatButton* okButton_;
    FlatButton* cancelButton_;
    FlatButton* newUserButton_;
    QLabel* noAccountHint_;
};

}  // namespace brivanta
