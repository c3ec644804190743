#pragma once

#include <string>

#include "core/accounts/UserAccount.h"
#include "core/net/MailboxTransfer.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/net/MailDialog.h"

class QLineEdit;

namespace brivanta {

// "接收邮件": the incoming server, its security, the mailbox's user name (by default the
// account's e-mail address up to its "@") and password.
class ReceiveMailDialog final : public MailDialog {
    Q_OBJECT
  public:
    ReceiveMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                      MailPasswordStore& store, QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    net::SecurityMode mode() const { return server_.mode(); }
    std::string user() const;
    std::string password() const;

    void accept() override;

  private:
    QString passwordKey() const override;

    QLineEdit* user_;
};

}  // namespace brivanta
