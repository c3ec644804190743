#include "gui/net/ReceiveMailDialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/net/MailServerField.h"
#include "core/net/TcpConnection.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

namespace brivanta {

ReceiveMailDialog::ReceiveMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                                     MailPasswordStore& store, QWidget* parent)
    : MailDialog(ids::kReceiveMailDialog, QString::fromUtf8("接收邮件"), account, store, parent) {
    const int typed = net::typedPort(account.pop3Server);
    server_.create(ids::kPop3Control, ids::kPop3SecurityControl, fromGbk(account.pop3Server),
                   profile.pop3ModeFor(typed ? typed : 110));
    user_ = new QLineEdit(fromGbk(net::userNameOfAddress(account.email)));
    user_->setObjectName(QString::number(ids::kMailUserControl));
    password_.create(store, passwordKey());
    // A login or server typed here may have its own remembered password.
    for (QLineEdit* edit : {user_, server_.server})
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { password_.lookUp(store_, passwordKey()); });

    auto* form = new QFormLayout;
    server_.addRow(form, QString::fromUtf8("接收邮件(POP3):"));
    form->addRow(QString::fromUtf8("用户名："), user_);
    password_.addRows(form);
    QVBoxLayout* layout = layOut(form);
    addMailButtons(this, layout, QString::fromUtf8("接收"));
    if (!user_->text().isEmpty())
        password_.password->setFocus();
}

QString ReceiveMailDialog::passwordKey() const {
    const QString user = user_->text().trimmed();
    std::string host;
    int port = 0;
    if (user.isEmpty() ||
        !net::splitHostPort(toGbk(server_.server->text().trimmed()), 110, host, port))
        return {};
    return mailPasswordKey(appUser_, "pop3", user, fromGbk(host));
}

std::string ReceiveMailDialog::user() const {
    return toGbk(user_->text().trimmed());
}

std::string ReceiveMailDialog::password() const {
    return password_.password->password();
}

void ReceiveMailDialog::accept() {
    if (!takeServerAndPassword(net::defaultPop3Port))
        return;
    QDialog::accept();
}

}  // namespace brivanta
