#pragma once

#include <QDialog>
#include <string>

#include "core/accounts/UserAccount.h"
#include "core/net/MailboxTransfer.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/net/MailDialogParts.h"

class QLineEdit;

namespace brivanta {

class BranchChoice;
class MailPasswordStore;

// "发送邮件": the outgoing server, its security and login, and the address to mail the
// active tree (or its selected branch) to; by default the account's own.
class SendMailDialog : public QDialog {
    Q_OBJECT
  public:
    SendMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                   const QString& entryText, MailPasswordStore& store, QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    const std::string& host() const { return host_; }
    int port() const { return port_; }
    // The mode, the login and its password ("" when no login is given).
    const net::MailSecurity& security() const { return security_; }
    std::string recipient() const;
    int sendSelected() const;

    void accept() override;

  private:
    QString passwordKey() const;

    std::string appUser_;
    MailPasswordStore& store_;
    MailServerFields server_;
    QLineEdit* login_;
    RememberedPassword password_;
    QLineEdit* address_;
    BranchChoice* branch_;
    std::string host_;
    int port_ = 0;
    net::MailSecurity security_;
};

}  // namespace brivanta
