#include "gui/net/SendToPeerDialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/net/PeerAddress.h"
#include "gui/controls/FlatButton.h"
#include "gui/controls/MessageBoxes.h"
#include "gui/net/BranchChoice.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

SendToPeerDialog::SendToPeerDialog(const QString& entryText, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(ids::kSendToPeerDialog));
    setWindowTitle(QString::fromUtf8("发送收藏夹"));
    setWindowIcon(resourceIcon(ids::kNeighbourIcon));

    auto* icon = new QLabel;
    icon->setPixmap(resourceIcon(ids::kNeighbourIcon).pixmap(32, 32));
    address_ = new QLineEdit;
    address_->setObjectName(QString::number(ids::kPeerAddressControl));
    address_->setMinimumWidth(200);
    port_ = new QLineEdit(QStringLiteral("5000"));
    port_->setObjectName(QString::number(ids::kPeerPortControl));
    port_->setValidator(new QIntValidator(1, 65535, port_));
    branch_ = new BranchChoice(QString::fromUtf8("发送选中的书签"), entryText);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("对方IP地址或计算机名"), address_);
    form->addRow(QString::fromUtf8("端口号"), port_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(form, 1);

    auto* send = new FlatButton(resourceIcon(ids::kNeighbourIcon), QString::fromUtf8("发送"));
    send->setObjectName(QString::number(ids::kIdOk));
    send->setDefault(true);
    auto* cancel = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancel->setObjectName(QString::number(ids::kIdCancel));
    connect(send, &QPushButton::clicked, this, &SendToPeerDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &SendToPeerDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(send);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(branch_);
    layout->addLayout(buttons);
    address_->setFocus();
}

QString SendToPeerDialog::peerAddress() const {
    return address_->text().trimmed();
}

int SendToPeerDialog::peerPort() const {
    return port_->text().toInt();
}

int SendToPeerDialog::sendSelected() const {
    return branch_->sendSelected();
}

void SendToPeerDialog::accept() {
    // An address that cannot name a host would only fail later as a connection to "地址: "
    // after the dialog closed; here it can still be typed again.
    if (!net::isPeerAddress(peerAddress().toStdString())) {
        warnBox(this, windowTitle(), QString::fromUtf8("请输入邻居的地址。"));
        address_->setFocus();
        address_->selectAll();
        return;
    }
    bool ok = false;
    int port = port_->text().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        warnBox(this, windowTitle(), QString::fromUtf8("端口号必须是 1 到 65535 之间的整数。"));
        port_->setFocus();
        port_->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace brivanta
