#include "gui/net/SendMailDialog.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/net/MailServerField.h"
#include "core/net/TcpConnection.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/net/BranchChoice.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {
QString hostOf(const QString& field) {
    std::string host;
    int port = 0;
    if (!net::splitHostPort(toGbk(field.trimmed()), 25, host, port))
        return field.trimmed();
    return fromGbk(host);
}
}  // namespace

SendMailDialog::SendMailDialog(const UserAccount& account, const MailSecurityProfile& profile,
                               const QString& entryText, MailPasswordStore& store, QWidget* parent)
    : MailDialog(ids::kSendMailDialog, QString::fromUtf8("发送邮件"), account, store, parent),
      accountAddress_(account.email) {
    const int typed = net::typedPort(account.smtpServer);
    server_.create(ids::kSmtpControl, ids::kSmtpSecurityControl, fromGbk(account.smtpServer),
                   profile.smtpModeFor(typed ? typed : 25));
    login_ = new QLineEdit(fromGbk(profile.smtpLogin));
    login_->setObjectName(QString::number(ids::kSmtpLoginControl));
    login_->setToolTip(QString::fromUtf8("服务器要求登录时填写；不填则不登录"));
    password_.create(store, passwordKey());
    // A login or server typed here may have its own remembered password.
    for (QLineEdit* edit : {login_, server_.server})
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { password_.lookUp(store_, passwordKey()); });
    address_ = new QLineEdit(fromGbk(account.email));
    address_->setObjectName(QString::number(ids::kMailAddressControl));
    branch_ = new BranchChoice(QString::fromUtf8("发送选中的书签"), entryText);

    auto* form = new QFormLayout;
    server_.addRow(form, QString::fromUtf8("发送邮件服务器(SMTP)："));
    form->addRow(QString::fromUtf8("登录名："), login_);
    password_.addRows(form);
    form->addRow(QString::fromUtf8("电子邮件地址："), address_);
    QVBoxLayout* layout = layOut(form);
    layout->addWidget(branch_);
    addMailButtons(this, layout, QString::fromUtf8("发送"));
}

QString SendMailDialog::passwordKey() const {
    const QString login = login_->text().trimmed();
    if (login.isEmpty())
        return {};
    return mailPasswordKey(appUser_, "smtp", login, hostOf(server_.server->text()));
}

std::string SendMailDialog::recipient() const {
    return toGbk(address_->text().trimmed());
}

int SendMailDialog::sendSelected() const {
    return branch_->sendSelected();
}

void SendMailDialog::accept() {
    if (!takeServerAndPassword(net::defaultSmtpPort))
        return;
    security_ = {};
    security_.mode = server_.mode();
    security_.login = toGbk(login_->text().trimmed());
    // An account that logs in sends from its mail address: servers refuse an empty sender
    // then, and a login without a domain is no address. Without a login the mail goes out as
    // it always did, from nobody.
    if (!security_.login.empty()) {
        security_.from = accountAddress_;
        security_.password = password_.password->password();
    }
    QDialog::accept();
}

}  // namespace brivanta
