#include "gui/net/MailDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

MailDialog::MailDialog(int dialogId, const QString& title, const UserAccount& account,
                       MailPasswordStore& store, QWidget* parent)
    : QDialog(parent), appUser_(account.name), store_(store) {
    setObjectName(QString::number(dialogId));
    setWindowTitle(title);
    setWindowIcon(resourceIcon(ids::kMailIcon));
}

QVBoxLayout* MailDialog::layOut(QFormLayout* form) {
    auto* icon = new QLabel;
    icon->setPixmap(resourceIcon(ids::kMailIcon).pixmap(32, 32));
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(form, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    return layout;
}

bool MailDialog::takeServerAndPassword(int (*defaultPort)(net::SecurityMode)) {
    if (!server_.resolve(this, defaultPort, host_, port_))
        return false;
    password_.apply(store_, passwordKey());
    return true;
}

}  // namespace brivanta
