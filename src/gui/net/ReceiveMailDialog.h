#pragma once

#include <QDialog>
#include <string>

#include "core/accounts/UserAccount.h"
#include "core/net/MailboxTransfer.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/net/MailDialogParts.h"

class QLineEdit;

namespace brivanta {

class MailPasswordStore;

// "接收邮件": the incoming server, its security, the mailbox's user name (by default the
// account's e-mail address up to its "@") and password.
class ReceiveMailDialog : public QDialog {
    Q_OBJECT
  public:
    ReceiveMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                      MailPasswordStore& store, QWidget* parent = nullptr);

    // Valid after the dialog was accepted.
    const std::string& host() const { return host_; }
    int port() const { return port_; }
    net::SecurityMode mode() const { return server_.mode(); }
    std::string user() const;
    std::string password() const;

    void accept() override;

  private:
    QString passwordKey() const;

    std::string appUser_;
    MailPasswordStore& store_;
    MailServerFields server_;
    QLineEdit* user_;
    RememberedPassword password_;
    std::string host_;
    int port_ = 0;
};

}  // namespace brivanta
