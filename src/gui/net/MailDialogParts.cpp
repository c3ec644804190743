#include "gui/net/MailDialogParts.h"
#include "gui/controls/MessageBoxes.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QLineEdit>

#include "core/net/MailServerField.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/accounts/MailSecurityProfile.h"
#include "gui/controls/FlatButton.h"
#include "gui/net/MailPasswordStore.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

void MailServerFields::create(int serverId, int securityId, const QString& serverText,
                              net::SecurityMode initial) {
    server = new QLineEdit(serverText);
    server->setObjectName(QString::number(serverId));
    server->setMinimumWidth(180);
    server->setToolTip(QString::fromUtf8("服务器名，或 服务器名:端口"));
    security = newSecurityCombo(securityId);
    security->setCurrentIndex(securityModeIndex(initial));
    security->setToolTip(QString::fromUtf8("连接的加密方式"));
}

net::SecurityMode MailServerFields::mode() const {
    return securityModeAt(security->currentIndex());
}

void MailServerFields::addRow(QFormLayout* form, const QString& label) const {
    auto* row = new QHBoxLayout;
    row->addWidget(server, 1);
    row->addWidget(security);
    form->addRow(label, row);
}

bool MailServerFields::resolve(QDialog* dialog, int (*defaultPort)(net::SecurityMode),
                               std::string& host, int& port) const {
    const QString text = server->text().trimmed();
    if (net::parseServerField(toGbk(text), mode(), defaultPort, host, port))
        return true;
    warnBox(dialog, dialog->windowTitle(),
            QString::fromUtf8("“%1” 不是服务器地址：请输入服务器名，"
                              "或 服务器名:端口（端口 1 到 65535）。")
                .arg(text));
    server->setFocus();
    server->selectAll();
    return false;
}

void RememberedPassword::create(MailPasswordStore& store, const QString& key) {
    password = new GuardedPasswordEdit;
    password->setObjectName(QString::number(ids::kPasswordControl));
    remember = new QCheckBox(QString::fromUtf8("记住密码"));
    remember->setObjectName(QString::number(ids::kRememberPasswordControl));
    if (!store.available()) {
        remember->setEnabled(false);
        remember->setToolTip(QString::fromUtf8("没有可用的密钥存储，每次都需要输入密码"));
        return;
    }
    remember->setToolTip(QString::fromUtf8("把密码保存在桌面的密钥存储中"));
    lookUp(store, key);
}

void RememberedPassword::lookUp(MailPasswordStore& store, const QString& key) {
    if (key.isEmpty() || !remember->isEnabled() || !password->password().empty())
        return;
    if (std::optional<QString> known = store.read(key)) {
        password->setPassword(toGbk(*known));
        remember->setChecked(true);
    }
}

void RememberedPassword::apply(MailPasswordStore& store, const QString& key) const {
    if (!remember->isEnabled() || key.isEmpty())
        return;
    if (remember->isChecked())
        store.write(key, fromGbk(password->password()));
    else
        store.remove(key);
}

void RememberedPassword::addRows(QFormLayout* form) const {
    form->addRow(QString::fromUtf8("密  码："), password);
    form->addRow(QString(), remember);
}

void addMailButtons(QDialog* dialog, QBoxLayout* layout, const QString& okText) {
    auto* ok = new FlatButton(resourceIcon(ids::kMailIcon), okText);
    ok->setObjectName(QString::number(ids::kIdOk));
    ok->setDefault(true);
    auto* cancel = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancel->setObjectName(QString::number(ids::kIdCancel));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
}

}  // namespace brivanta
