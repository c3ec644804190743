#pragma once

#include <QDialog>
#include <string>

#include "core/accounts/UserAccount.h"
#include "gui/net/MailDialogParts.h"

class QFormLayout;
class QVBoxLayout;

namespace brivanta {

class MailPasswordStore;

// What the send and the receive mail dialog share: the mail icon beside a form, a server
// field with its security, a password the secret store may remember, and on OK the host
// and port the server field names.
class MailDialog : public QDialog {
    Q_OBJECT
  public:
    // Valid after the dialog was accepted.
    const std::string& host() const { return host_; }
    int port() const { return port_; }

  protected:
    MailDialog(int dialogId, const QString& title, const UserAccount& account,
               MailPasswordStore& store, QWidget* parent);

    // The key the password is remembered under; empty where it is not to be remembered.
    virtual QString passwordKey() const = 0;
    // The icon with `form` to its right; returns the dialog's layout, for what goes below.
    QVBoxLayout* layOut(QFormLayout* form);
    // On OK: false, with a message, while the server field names no server; otherwise the
    // host and port are taken and the password kept or forgotten as the box says.
    bool takeServerAndPassword(int (*defaultPort)(net::SecurityMode));

    std::string appUser_;
    MailPasswordStore& store_;
    MailServerFields server_;
    RememberedPassword password_;

  private:
    std::string host_;
    int port_ = 0;
};

}  // namespace brivanta
