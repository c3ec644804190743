#pragma once

#include <QString>
#include <string>

#include "core/net/SecurityMode.h"

class QBoxLayout;
class QCheckBox;
class QComboBox;
class QDialog;
class QFormLayout;
class QLineEdit;

namespace brivanta {

class GuardedPasswordEdit;
class MailPasswordStore;

// What the send and the receive dialog share: a server field that takes "host:port" with its
// security combo, and a password that the secret store may remember.
struct MailServerFields {
    QLineEdit* server = nullptr;
    QComboBox* security = nullptr;

    // `serverText` as the account has it; the combo starts at the mode `mode`.
    void create(int serverId, int securityId, const QString& serverText, net::SecurityMode mode);
    net::SecurityMode mode() const;
    // The row of the field and its combo, under `label`.
    void addRow(QFormLayout* form, const QString& label) const;
    // The host and port the field names (the mode's usual port when none is typed). False,
    // with a message box on `dialog` naming the text, when it names no server.
    bool resolve(QDialog* dialog, int (*defaultPort)(net::SecurityMode), std::string& host,
                 int& port) const;
};

struct RememberedPassword {
    GuardedPasswordEdit* password = nullptr;
    QCheckBox* remember = nullptr;

    // Fills the password from the store when it holds one for `key`; the check box is
    // greyed where no store runs.
    void create(MailPasswordStore& store, const QString& key);
    // Once the login or the server is edited: the password the store holds for the new
    // `key`, unless one was typed already.
    void lookUp(MailPasswordStore& store, const QString& key);
    // After OK: keeps the password under `key` when the box is ticked, forgets it otherwise.
    void apply(MailPasswordStore& store, const QString& key) const;
    // The password row and the check box below it.
    void addRows(QFormLayout* form) const;
};

// The "发送"/"接收" and "取消" flat buttons at the bottom of a mail dialog.
void addMailButtons(QDialog* dialog, QBoxLayout* layout, const QString& okText);

}  // namespace brivanta
