#include "gui/net/ReceiveMailDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/net/MailServerField.h"
#include "core/net/TcpConnection.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

ReceiveMailDialog::ReceiveMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                                     MailPasswordStore& store, QWidget* parent)
    : QDialog(parent), appUser_(account.name), store_(store) {
    setObjectName(QString::number(ids::kReceiveMailDialog));
    setWindowTitle(QString::fromUtf8("接收邮件"));
    setWindowIcon(resourceIcon(ids::kMailIcon));

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

    auto* icon = new QLabel;
    icon->setPixmap(resourceIcon(ids::kMailIcon).pixmap(32, 32));
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(server_.server, 1);
    serverRow->addWidget(server_.security);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("接收邮件(POP3):"), serverRow);
    form->addRow(QString::fromUtf8("用户名："), user_);
    form->addRow(QString::fromUtf8("密  码："), password_.password);
    form->addRow(QString(), password_.remember);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(form, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
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
    if (!server_.resolve(this, net::defaultPop3Port, host_, port_))
        return;
    password_.apply(store_, passwordKey());
    QDialog::accept();
}

}  // namespace brivanta
