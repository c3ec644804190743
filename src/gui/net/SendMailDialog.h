#pragma once

#include <string>

#include "core/accounts/UserAccount.h"
#include "core/net/MailboxTransfer.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/net/MailDialog.h"

class QLineEdit;

namespace brivanta {

class BranchChoice;

// "发送邮件": the outgoing server, its security and login, and the address to mail the
// active tree (or its selected branch) to; by default the account's own.
class SendMailDialog final : public MailDialog {
    Q_OBJECT
  public:
    SendMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                   const QString& entryText, MailPasswordStore& store, QWidget* parent = nullptr);

    // Valid after the dialog was accepted: the mode, the login and its password ("" when
    // no login is given).
    const net::MailSecurity& security() const { return security_; }
    std::string recipient() const;
    int sendSelected() const;

    void accept() override;

  private:
    QString passwordKey() const override;

    QLineEdit* login_;
    QLineEdit* address_;
    BranchChoice* branch_;
    net::MailSecurity security_;
    // With a login the mail goes out from the account's mail address (the options page's).
    std::string accountAddress_;
};

}  // namespace brivanta
