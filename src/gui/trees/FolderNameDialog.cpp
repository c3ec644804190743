#include "gui/trees/FolderNameDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

FolderNameDialog::FolderNameDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(ids::kFolderNameDialog));
    setWindowTitle(QString::fromUtf8("通讯录"));
    setWindowIcon(resourceIcon(ids::kAddressBookIcon));
    nameEdit_ = new QLineEdit;
    nameEdit_->setObjectName(QString::number(ids::kFolderNameControl));
    auto* label = new QLabel(QString::fromUtf8("文件夹名称："));
    label->setBuddy(nameEdit_);
    auto* ok = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("确定"));
    ok->setObjectName(QString::number(ids::kIdOk));
    ok->setDefault(true);
    auto* cancel = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancel->setObjectName(QString::number(ids::kIdCancel));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(nameEdit_);
    layout->addLayout(buttons);
    setMinimumWidth(260);
    nameEdit_->setFocus();
}

void FolderNameDialog::setName(const QString& name) {
    nameEdit_->setText(name);
}

QString FolderNameDialog::name() const {
    return nameEdit_->text();
}

}  // namespace brivanta
