#include "gui/trees/EntryDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"

namespace brivanta {

namespace {
QString systemFileChooser(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        QString::fromUtf8("所有文件(*.*) (*)"));
}
}  // namespace

EntryDialog::EntryDialog(QWidget* parent) : QDialog(parent), chooser_(systemFileChooser) {
    setObjectName(QString::number(ids::kEntryDialog));
    setWindowTitle(QString::fromUtf8("收藏夹"));
    setWindowIcon(resourceIcon(ids::kProgramIcon));

    nameEdit_ = new QLineEdit;
    nameEdit_->setObjectName(QString::number(ids::kEntryNameControl));
    addressEdit_ = new QLineEdit;
    addressEdit_->setObjectName(QString::number(ids::kEntryAddressControl));
    auto* nameLabel = new QLabel(QString::fromUtf8("输入名称"));
    nameLabel->setBuddy(nameEdit_);
    auto* addressLabel = new QLabel(QString::fromUtf8("输入地址(为空表示是文件夹)"));
    addressLabel->setBuddy(addressEdit_);

    browseButton_ = new FlatButton(resourceIcon(ids::kBrowseIcon), QString::fromUtf8("浏览"));
    browseButton_->setObjectName(QString::number(ids::kBrowseButton));
    auto* ok = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("确定"));
    ok->setObjectName(QString::number(ids::kIdOk));
    ok->setDefault(true);
    auto* cancel = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"));
    cancel->setObjectName(QString::number(ids::kIdCancel));
    connect(browseButton_, &QPushButton::clicked, this, &EntryDialog::browse);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* addressRow = new QHBoxLayout;
    addressRow->addWidget(addressEdit_, 1);
    addressRow->addWidget(browseButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameLabel);
    layout->addWidget(nameEdit_);
    layout->addWidget(addressLabel);
    layout->addLayout(addressRow);
    layout->addLayout(buttons);
    setMinimumWidth(360);
    nameEdit_->setFocus();
}

void EntryDialog::setName(const QString& name) {
    nameEdit_->setText(name);
}

void EntryDialog::setAddress(const QString& address) {
    addressEdit_->setText(address);
}

QString EntryDialog::name() const {
    return nameEdit_->text();
}

QString EntryDialog::address() const {
    return addressEdit_->text();
}

void EntryDialog::browse() {
    QString path = chooser_ ? chooser_(this) : QString();
    if (path.isEmpty())
        return;
    QString fileName = QFileInfo(path).fileName();
    int dot = fileName.lastIndexOf(u'.');
    // A name that is all extension (".profile") keeps it rather than becoming empty, which
    // would make the new entry vanish.
    if (dot > 0)
        fileName.truncate(dot);
    addressEdit_->setText(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    nameEdit_->setText(fileName);
}

}  // namespace brivanta
