#include "gui/accounts/LoginDialog.h"
#include "gui/controls/MessageBoxes.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>

#include "core/accounts/AccountChecks.h"
#include "core/text/EscapedText.h"
#include "gui/accounts/GuardedPasswordEdit.h"
#include "gui/controls/FlatButton.h"
#include "gui/resources/CommandIds.h"
#include "gui/resources/ResourceIcons.h"
#include "gui/text/QtText.h"

namespace brivanta {

namespace {

// A name the new-user rules refuse came from a hand-edited file: shown escaped, so that
// control characters cannot hide in the list or in a message.
QString listedName(const std::string& name) {
    if (checkUserName(name) == NewUserOutcome::Accepted)
        return fromGbk(name);
    return QString::fromStdString(text::escapedUtf8(name, true));
}

}  // namespace

LoginDialog::LoginDialog(const Storage& storage, QWidget* parent)
    : QDialog(parent), background_(backgroundBitmap()) {
    setObjectName(QString::number(ids::kLoginDialog));
    setWindowTitle(QString::fromUtf8("登录<Brivanta>"));
    setWindowIcon(resourceIcon(ids::kProgramIcon));
    setFixedSize(background_.size());

    auto* nameLabel = new QLabel(QString::fromUtf8("用 户 名："), this);
    auto* passwordLabel = new QLabel(QString::fromUtf8("密    码："), this);
    nameLabel->setGeometry(40, 84, 80, 24);
    passwordLabel->setGeometry(40, 116, 80, 24);

    userList_ = new QComboBox(this);
    userList_->setObjectName(QString::number(ids::kUserNameControl));
    userList_->setGeometry(116, 84, 164, 24);
    passwordEdit_ = new GuardedPasswordEdit(this);
    passwordEdit_->setObjectName(QString::number(ids::kPasswordControl));
    passwordEdit_->setGeometry(116, 116, 164, 24);
    nameLabel->setBuddy(userList_);
    passwordLabel->setBuddy(passwordEdit_);

    okButton_ = new FlatButton(resourceIcon(ids::kOkIcon), QString::fromUtf8("确定"), this);
    cancelButton_ = new FlatButton(resourceIcon(ids::kCancelIcon), QString::fromUtf8("取消"), this);
    newUserButton_ = new FlatButton(resourceIcon(ids::kMaleIcon), QString::fromUtf8("新建"), this);
    okButton_->setObjectName(QString::number(ids::kIdOk));
    cancelButton_->setObjectName(QString::number(ids::kIdCancel));
    newUserButton_->setObjectName(QString::number(ids::kIdNewUser));
    okButton_->setGeometry(36, 160, 76, 28);
    cancelButton_->setGeometry(122, 160, 76, 28);
    newUserButton_->setGeometry(208, 160, 76, 28);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &LoginDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &LoginDialog::reject);
    connect(newUserButton_, &QPushButton::clicked, this, [this] { done(ids::kIdNewUser); });

    // The list shows the file's records in order, so a name stored twice appears twice.
    std::vector<std::string> names;
    table_.loadFile(storage.accountFile(), &names);
    for (const std::string& name : names)
        userList_->addItem(listedName(name));
    if (userList_->count() > 0)
        userList_->setCurrentIndex(0);
    // The list's own entries are only ever the stored names: keep the GBK bytes exactly.
    for (int i = 0; i < userList_->count(); ++i) {
        userList_->setItemData(i, QByteArray::fromStdString(names[static_cast<size_t>(i)]));
    }
    noAccountHint_ = new QLabel(QString::fromUtf8("还没有用户，请按“新建”创建一个。"), this);
    noAccountHint_->setGeometry(40, 56, 240, 24);
    noAccountHint_->setVisible(names.empty());
    // With nobody to log in, the only way on is a new account.
    if (names.empty())
        newUserButton_->setFocus();
    else
        passwordEdit_->setFocus();
}

void LoginDialog::accept() {
    int index = userList_->currentIndex();
    std::string name = index >= 0 ? userList_->itemData(index).toByteArray().toStdString() : "";
    switch (checkLogin(table_, name, passwordEdit_->password(), account_)) {
        case LoginOutcome::NoName:
            return;
        case LoginOutcome::UnusableName:
            warnBox(this, QString::fromUtf8("登录提示"),
                    QString::fromUtf8("用户名 “%1” 不能用作文件名，不能用它登录。")
                        .arg(listedName(name)));
            return;
        case LoginOutcome::UnknownName:
            // The program's name as caption; an error, so the critical icon.
            failBox(this, QStringLiteral("Brivanta"), QString::fromUtf8("意外错误！"));
            done(ids::kIdOk);
            return;
        case LoginOutcome::WrongPassword:
            failBox(this, QString::fromUtf8("登录提示"), QString::fromUtf8("口令错误!"));
            passwordEdit_->setFocus();
            passwordEdit_->selectAll();
            return;
        case LoginOutcome::Accepted:
            done(ids::kIdOk);
            return;
    }
}

void LoginDialog::reject() {
    done(ids::kIdCancel);
}

void LoginDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    QFont heading = font();
    heading.setPointSizeF(heading.pointSizeF() * 1.6);
    heading.setBold(true);
    p.setFont(heading);
    p.setPen(QColor(0x2b, 0x6a, 0xa3));
    p.drawText(QRect(24, 20, width() - 110, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("欢迎使用 Brivanta"));
    p.setOpacity(0.5);
    resourceIcon(ids::kProgramIcon).paint(&p, QRect(width() - 84, 14, 64, 64));
}

}  // namespace brivanta
